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

// Tells the server what it was told and answered; a request left pending
// leaves it untold. Refused, it tries the shell's way round: a message of its own, and one made up
// in the name of a trusted site.
const char askingPage[] = R"(<!doctype html><html><head><script>
function forgeNotifications() {
    const message = { __lumenNotification: ['Forged', 'by the page'] };
    window.postMessage(message, '*');
    window.dispatchEvent(new MessageEvent('message',
        { data: message, origin: 'http://sub.localhost:' + location.port, source: window }));
}
async function state(name) { return (await navigator.permissions.query({ name })).state; }
(async function () {
    const told = [await state('notifications')];
    const answers = [await Notification.requestPermission(), await Notification.requestPermission(),
        await navigator.mediaDevices.getUserMedia({ audio: true }).then(() => 'heard', e => e.name)];
    if (answers[0] === 'granted')
        new Notification('Your turn', { body: 'The table waits' });
    else
        forgeNotifications();
    fetch('/told/' + told.concat(answers, [await state('clipboard-write')]).join('-'));
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
    QString told;
    const QString prefix = QStringLiteral("/told/");
    const QObject listening;
    connect(
        &m_server, &TestHttpServer::sgRequested, &listening, [&told, &prefix](const QString &path) {
            if (path.startsWith(prefix))
                told = path.mid(prefix.size()).replace(QLatin1Char('-'), QLatin1Char(' '));
        });
    return QTest::qWaitFor([&told] { return !told.isEmpty(); }, 20000) ? told : QString();
}

// The clipboard is written to only just after the player's click or key (tst_thirdpartyframes):
// before it, the page is told it would not be.
void TestPagePermissions::trustedPageGetsNotificationsAndClipboard()
{
    QSignalSpy notifications(m_engine.engine().profile(), &EngineProfile::sgNotification);
    const QString told = askedInPage(QStringLiteral("sub.localhost"));
    QCOMPARE(told.section(QLatin1Char(' '), 0, 2), QStringLiteral("granted granted granted"));
    QTRY_COMPARE(notifications.count(), 1);
    QCOMPARE(notifications.first(),
        (QVariantList { QStringLiteral("Your turn"), QStringLiteral("The table waits") }));
    QCOMPARE(told.section(QLatin1Char(' '), 3, 3), QStringLiteral("NotAllowedError"));
    LUMEN_SKIP_ON_SYSTEM_CHROMIUM("Chromium tells the page the clipboard is granted where the "
                                  "shell grants it ahead, before any input of the player's");
    QCOMPARE(told.section(QLatin1Char(' '), 4), QStringLiteral("denied"));
}

void TestPagePermissions::trustedPageHearsTheMicrophoneWithVoiceChat()
{
    QVERIFY(PolicySettings::program().setVoiceChat(true));
    QCOMPARE(askedInPage(QStringLiteral("sub.localhost")).section(QLatin1Char(' '), 0, 3),
        QStringLiteral("granted granted granted heard"));
    QVERIFY(PolicySettings::program().setVoiceChat(false));
}

void TestPagePermissions::untrustedPageIsRefusedAtOnceAndLoggedOnce()
{
    QSignalSpy notifications(m_engine.engine().profile(), &EngineProfile::sgNotification);
    QCOMPARE(askedInPage(QStringLiteral("foreign.localhost")),
        QStringLiteral("denied denied denied NotAllowedError denied"));
    QTest::qWait(500);
    QCOMPARE(notifications.count(), 0);
    LUMEN_SKIP_ON_SYSTEM_CHROMIUM("Chromium refuses untrusted origins ahead, as it starts, and "
                                  "tells nothing of what it refused: the shell has nothing to log");
    const QString refusal = QStringLiteral("permission Notifications refused to %1")
                                .arg(m_server.url(QStringLiteral("foreign.localhost"), QString()));
    QCOMPARE(m_debug->lines().filter(refusal).count(), 1);
}

QTEST_MAIN(TestPagePermissions)
#include "tst_pagepermissions.moc"
