#include "app/policysettings.h"
#include "cef/cefbrowser.h"
#include "cef/qcefclient.h"
#include "debugcapture.h"
#include "fakeengine.h"

#include <QtTest>

#include <memory>

// What the shell decides of a page's permission, pointer-lock and dialog requests, asked as an
// engine asks them: on the fake engine, with no Chromium and no display.
class TestPageDecisions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void permissionsFollowTheOriginAndVoiceChat();
    void pointerLockNeedsARecentGesture();
    void otherOriginsDialogIsRefusedAndLoggedOnce();
    void dialogsInARowOfferTheWayOutUntilTheNextLoad();

private:
    FakeEngine m_engine;
    CefRefPtr<QCefClient> m_client;
    FakePage *m_page = nullptr;
    std::unique_ptr<DebugCapture> m_debug;
};

namespace {

using Feature = PermissionRequest::Feature;

const QUrl kLobby(QStringLiteral("https://www.portal.example/lobby"));
const QUrl kAd(QStringLiteral("https://ads.example"));

} // namespace

void TestPageDecisions::initTestCase()
{
    QVERIFY(PolicySettings::program().addTrustedOrigin(QStringLiteral("portal.example")));
    QVERIFY(m_engine.start(EngineSettings()));
    // After the test's own message handler, which would take the place of its own.
    m_debug = std::make_unique<DebugCapture>();
}

// The page as the shell makes it for a window: through the browser that takes its requests.
void TestPageDecisions::init()
{
    m_client = CefRefPtr<QCefClient>(new QCefClient);
    CefBrowser::createBrowser(m_engine.profile(), PageOptions(), m_client, kLobby.toString());
    QTRY_VERIFY(m_client->getBrowser());
    m_page = m_engine.fakeProfile()->pages().constLast();
    m_debug->clear();
}

void TestPageDecisions::cleanup()
{
    m_client->getBrowser()->closeBrowser();
    m_client.reset();
    QTRY_VERIFY(m_engine.fakeProfile()->pages().isEmpty());
}

void TestPageDecisions::permissionsFollowTheOriginAndVoiceChat()
{
    const QUrl portal(QStringLiteral("https://www.portal.example"));
    const auto granted = [this](const QUrl &origin, const QVector<Feature> &features) {
        return m_page->requestPermission(origin, features, QStringLiteral("Asked")).isGranted();
    };
    QVERIFY(granted(portal, { Feature::Notifications }));
    QVERIFY(!granted(portal, { Feature::Geolocation }));
    QVERIFY(!granted(portal, { Feature::Microphone, Feature::Camera }));
    QVERIFY(PolicySettings::program().setVoiceChat(true));
    QVERIFY(granted(portal, { Feature::Microphone, Feature::Camera }));
    QVERIFY(!granted(kAd, { Feature::Microphone }));
    QVERIFY(PolicySettings::program().setVoiceChat(false));
    QVERIFY(!granted(kAd, { Feature::Notifications }));
    // Once per origin and feature as the engine names it: a page asking in a loop fills no log.
    QCOMPARE(m_debug->lines().filter(QStringLiteral("permission Asked refused to ")),
        QStringList({ QStringLiteral("[OtherType]  [Other_Type] permission Asked refused to "
                                     "https://www.portal.example"),
            QStringLiteral(
                "[OtherType]  [Other_Type] permission Asked refused to https://ads.example") }));

    // Told to the engine before the document exists, for it to answer the page's questions.
    const PermissionsAhead trusted = m_page->askPermissionsAhead(kLobby);
    QVERIFY(trusted.grants(Feature::Notifications));
    QVERIFY(trusted.grants(Feature::ClipboardWrite));
    QVERIFY(!trusted.grants(Feature::Geolocation));
    const PermissionsAhead foreign = m_page->askPermissionsAhead(QUrl(kAd.toString() + "/x"));
    QVERIFY(!foreign.grants(Feature::Notifications));
    QVERIFY(!foreign.grants(Feature::ClipboardWrite));
}

// Whose gesture it was is the bridge's world's to settle in the frames; without one, no lock.
void TestPageDecisions::pointerLockNeedsARecentGesture()
{
    const QString page = QStringLiteral("https://www.portal.example");
    QVERIFY(m_page->requestPointerLock(kLobby, { page, page }).isAccepted());
    QVERIFY(m_page->requestPointerLock(kLobby, { kAd.toString(), page }).isAccepted());
    QVERIFY(!m_page->requestPointerLock(kLobby, { QString(), page }).isAccepted());
}

void TestPageDecisions::otherOriginsDialogIsRefusedAndLoggedOnce()
{
    QVERIFY(!m_page->askScriptDialog(kAd).isShown());
    QVERIFY(!m_page->askScriptDialog(kAd).isShown());
    QVERIFY(m_page->askScriptDialog(kLobby).isShown());
    // One that would hold every window until answered.
    QVERIFY(!m_page->askScriptDialog(kLobby, false).isShown());
    QCOMPARE(m_debug->lines().filter(QStringLiteral("script dialog of")),
        QStringList({ QStringLiteral(
                          "[OtherType]  [Other_Type] script dialog of https://ads.example "
                          "in https://www.portal.example not shown"),
            QStringLiteral("[OtherType]  [Other_Type] script dialog of https://www.portal.example "
                           "in https://www.portal.example not shown") }));
}

void TestPageDecisions::dialogsInARowOfferTheWayOutUntilTheNextLoad()
{
    for (const bool offered : { false, false, true }) {
        const ScriptDialogRequest dialog = m_page->askScriptDialog(kLobby);
        QVERIFY(dialog.isShown());
        QCOMPARE(dialog.offersStop(), offered);
        m_page->answerScriptDialog(offered);
    }
    QVERIFY(!m_page->askScriptDialog(kLobby).isShown());
    m_page->load(kLobby);
    const ScriptDialogRequest afresh = m_page->askScriptDialog(kLobby);
    QVERIFY(afresh.isShown());
    QVERIFY(!afresh.offersStop());
}

QTEST_MAIN(TestPageDecisions)
#include "tst_pagedecisions.moc"
