#include "app/policysettings.h"
#include "cef/cefbrowser.h"
#include "cef/qcefapp.h"
#include "cef/qcefclient.h"
#include "debugcapture.h"
#include "engine/browserengine.h"
#include "engine/engineprofile.h"
#include "enginetest.h"
#include "testhttpserver.h"

#include <memory>

// Pages asking for permissions through a real engine: every request is
// answered at once, and what a page is told it would get is what it gets.
class TestPagePermissions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void trustedPageGetsNotificationsAndClipboard();
    void trustedPageHearsTheMicrophoneWithVoiceChat();
    void untrustedPageIsRefusedAtOnceAndLoggedOnce();

private:
    QString askedInPage(const QString &host);

    QCefEngine m_engine { realEngine() };
    TestHttpServer m_server;
    CefRefPtr<QCefClient> m_client;
    std::unique_ptr<DebugCapture> m_debug;
};

namespace {

// Puts what it was told and answered into its title; a request left pending
// leaves the title empty.
const char askingPage[] = R"(<!doctype html><html><head><script>
async function state(name) { return (await navigator.permissions.query({ name })).state; }
(async function () {
    const told = [await state('notifications'), await state('clipboard-write')];
    const answers = [await Notification.requestPermission(), await Notification.requestPermission(),
        await navigator.mediaDevices.getUserMedia({ audio: true }).then(() => 'heard', e => e.name)];
    if (answers[0] === 'granted')
        new Notification('Your turn', { body: 'The table waits' });
    document.title = told.concat(answers).join(' ');
})();
</script></head><body></body></html>)";

} // namespace

void TestPagePermissions::initTestCase()
{
    m_debug = std::make_unique<DebugCapture>();
    // A microphone for the engine to ask about.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--use-fake-device-for-media-stream");
    QVERIFY(m_server.listen());
    QVERIFY(PolicySettings::program().addTrustedOrigin(QStringLiteral("sub.localhost")));
    // A run that failed halfway leaves it on.
    QVERIFY(PolicySettings::program().setVoiceChat(false));
    m_server.setPage(QStringLiteral("/ask.html"), askingPage);
    int argc = 0;
    QCOMPARE(m_engine.initialize(argc, nullptr), -1);
}

QString TestPagePermissions::askedInPage(const QString &host)
{
    if (m_client)
        m_client->getBrowser()->closeBrowser();
    m_client = m_engine.app()->createBrowser(
        QStringLiteral("asking"), false, m_server.url(host, QStringLiteral("/ask.html")), 400, 300);
    if (!m_client || !QTest::qWaitFor([this] { return !m_client->getBrowser().isNull(); }, 20000))
        return QString();
    const QWebEngineView *view = viewOf(*m_client->getBrowser());
    const auto answered = [view] { return view->title().count(QLatin1Char(' ')) == 4; };
    return view && QTest::qWaitFor(answered, 20000) ? view->title() : QString();
}

// The clipboard is written to only just after the player's click or key (tst_thirdpartyframes):
// before it, the page is told it would not be.
void TestPagePermissions::trustedPageGetsNotificationsAndClipboard()
{
    QSignalSpy notifications(m_engine.engine().profile(), &EngineProfile::sgNotification);
    QCOMPARE(askedInPage(QStringLiteral("sub.localhost")),
        QStringLiteral("granted denied granted granted NotAllowedError"));
    QTRY_COMPARE(notifications.count(), 1);
    QCOMPARE(notifications.first(),
        (QVariantList { QStringLiteral("Your turn"), QStringLiteral("The table waits") }));
}

void TestPagePermissions::trustedPageHearsTheMicrophoneWithVoiceChat()
{
    QVERIFY(PolicySettings::program().setVoiceChat(true));
    QCOMPARE(askedInPage(QStringLiteral("sub.localhost")),
        QStringLiteral("granted denied granted granted heard"));
    QVERIFY(PolicySettings::program().setVoiceChat(false));
}

void TestPagePermissions::untrustedPageIsRefusedAtOnceAndLoggedOnce()
{
    QCOMPARE(askedInPage(QStringLiteral("foreign.localhost")),
        QStringLiteral("denied denied denied denied NotAllowedError"));
    const QString refusal = QStringLiteral("permission Notifications refused to %1")
                                .arg(m_server.url(QStringLiteral("foreign.localhost"), QString()));
    QCOMPARE(m_debug->lines().filter(refusal).count(), 1);
}

QTEST_MAIN(TestPagePermissions)
#include "tst_pagepermissions.moc"
