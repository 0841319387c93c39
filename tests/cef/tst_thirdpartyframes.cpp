#include "cef/cefbrowser.h"
#include "cef/pagerequests.h"
#include "cef/qcefapp.h"
#include "cef/qcefclient.h"
#include "debugcapture.h"
#include "enginetest.h"
#include "testhttpserver.h"
#include "xtestinput.h"

#include <QClipboard>
#include <QLabel>

#include <X11/keysym.h>

namespace {

// What every document of the test does on the player's click, as its frame was told (mode), and
// what it was told by the engine: reported into the portal's title.
const char documentScript[] = R"(<script>
var name = location.hash ? location.hash.slice(1) : 'portal';
var mode = '';
function report(text) { window.top.postMessage({ report: name + ' ' + text }, '*'); }
function copyByCommand() {
    var area = document.getElementById('area');
    area.value = name + '-exec';
    area.select();
    document.execCommand('copy');
}
function act() {
    if (mode === 'copy')
        copyByCommand();
    if (mode === 'write')
        navigator.clipboard.writeText(name + '-written').then(
            function () { report('written'); }, function (e) { report('write ' + e.name); });
    if (mode === 'lock')
        document.body.requestPointerLock();
    if (mode === 'fullscreen')
        document.body.requestFullscreen();
    if (mode === 'popup')
        window.open('/target.html');
}
window.addEventListener('message', function (event) {
    if (event.data.mode !== undefined)
        mode = event.data.mode;
    if (event.data.act)
        act();
});
document.addEventListener('click', act);
document.addEventListener('pointerlockchange', function () {
    report('locked ' + (document.pointerLockElement !== null));
});
document.addEventListener('pointerlockerror', function () { report('lock refused'); });
document.addEventListener('fullscreenchange', function () {
    report('full ' + (document.fullscreenElement !== null));
});
navigator.permissions.query({ name: 'clipboard-write' }).then(function (s) { report(s.state); });
</script><textarea id="area"></textarea>)";

// The portal: its own area on the left, an ad's frame without grants in the middle, an ad's frame
// allowed to write to the clipboard and to fill the screen on the right. It tells every frame
// what to do (setMode, actEverywhere) and collects their reports.
const char portalPage[] = R"(<!doctype html><html><body style="margin:0">
<iframe src="AD#ad" style="position:fixed;left:200px;top:0;width:200px;height:300px;border:0">
</iframe>
<iframe src="AD#granted" allow="clipboard-write; fullscreen"
    style="position:fixed;left:400px;top:0;width:200px;height:300px;border:0"></iframe>
<script>
var reports = [];
window.addEventListener('message', function (event) {
    if (event.data.report !== undefined) {
        reports.push(event.data.report);
        document.title = reports.join('|');
    } else if (typeof event.data.__lumenGesture === 'string') {
        reports.push('portal saw the gesture secret');
        document.title = reports.join('|');
    }
});
function setMode(mode) {
    window.postMessage({ mode: mode }, '*');
    for (var i = 0; i < frames.length; ++i)
        frames[i].postMessage({ mode: mode }, '*');
}
function actEverywhere() {
    window.postMessage({ act: true }, '*');
    for (var i = 0; i < frames.length; ++i)
        frames[i].postMessage({ act: true }, '*');
}
</script>SCRIPT</body></html>)";

// An ad's document; it claims the player's gestures in every way a page could.
const char adPage[] = R"(<!doctype html><html><body style="margin:0">SCRIPT<script>
setInterval(function () {
    parent.postMessage({ __lumenGesture: 1 }, '*');
    window.top.postMessage({ __lumenGesture: true }, '*');
}, 100);
</script></body></html>)";

const QString playerText = QStringLiteral("the player's own text");

} // namespace

// Other sites' frames in a trusted page, through a real engine and the player's real input: the
// clipboard, the pointer, the player's gestures and the screen go to them no further than a
// browser would let them.
class TestThirdPartyFrames : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void clipboardNeedsTheGestureAndTheFrameGrant();
    void pointerLockGoesToTheDocumentThePlayerActedIn();
    void forgedGesturesChangeNoPopup();
    void anotherSitesFullScreenIsNamed();

private:
    QWindow *window() const;
    QWebEngineView *view() const;
    // Every frame of the portal is told to do mode when clicked.
    void setMode(const QString &mode);
    void actEverywhere();
    // The player's click at point of the window, repeated until answered() holds.
    bool clickUntil(const QPoint &point, const std::function<bool()> &answered);
    bool told(const QString &report) const;
    QString notice() const;

    QCefEngine m_engine { realEngine() };
    TestHttpServer m_server;
    CefRefPtr<QCefClient> m_client;
    XTestInput m_input;
};

namespace {

const QPoint portalArea(100, 150);
const QPoint adArea(300, 150);
const QPoint grantedArea(500, 150);

} // namespace

void TestThirdPartyFrames::initTestCase()
{
    QVERIFY(m_input.isOpen());
    QVERIFY(m_server.listen());
    const QByteArray ad
        = m_server.url(QStringLiteral("ad.localhost"), QStringLiteral("/ad.html")).toUtf8();
    m_server.setPage(QStringLiteral("/portal.html"),
        QByteArray(portalPage).replace("AD", ad).replace("SCRIPT", documentScript));
    m_server.setPage(
        QStringLiteral("/ad.html"), QByteArray(adPage).replace("SCRIPT", documentScript));
    m_server.setPage(QStringLiteral("/target.html"), "<html><body>target</body></html>");
    int argc = 0;
    QCOMPARE(m_engine.initialize(argc, nullptr), -1);
}

// The portal shown, all three documents loaded and asked what the clipboard would give them.
void TestThirdPartyFrames::init()
{
    QGuiApplication::clipboard()->setText(playerText);
    m_client = m_engine.app()->createBrowser(
        QStringLiteral("app"), false, m_server.url(QStringLiteral("/portal.html")), 600, 300);
    QVERIFY(QTest::qWaitFor([this] { return m_client->getBrowser() && view(); }, 20000));
    window()->setPosition(40, 40);
    window()->show();
    window()->requestActivate();
    QVERIFY(QTest::qWaitForWindowExposed(window()));
    QTRY_VERIFY_WITH_TIMEOUT(view()->title().count(QLatin1Char('|')) == 2, 20000);
}

void TestThirdPartyFrames::cleanup()
{
    if (m_client && m_client->getBrowser())
        m_client->getBrowser()->closeBrowser();
    m_client.reset();
    // Whatever a case left held.
    m_input.tapKey(XK_Escape);
}

QWindow *TestThirdPartyFrames::window() const
{
    return view()->windowHandle();
}

QWebEngineView *TestThirdPartyFrames::view() const
{
    return viewOf(*m_client->getBrowser());
}

void TestThirdPartyFrames::setMode(const QString &mode)
{
    m_client->getBrowser()->executeJavaScript(QStringLiteral("setMode('%1')").arg(mode));
}

void TestThirdPartyFrames::actEverywhere()
{
    m_client->getBrowser()->executeJavaScript(QStringLiteral("actEverywhere()"));
}

bool TestThirdPartyFrames::clickUntil(const QPoint &point, const std::function<bool()> &answered)
{
    m_input.movePointer(window()->mapToGlobal(point));
    return QTest::qWaitFor(
        [&] {
            m_input.clickButton(1);
            QTest::qWait(300);
            return answered();
        },
        10000);
}

bool TestThirdPartyFrames::told(const QString &report) const
{
    return view()->title().split(QLatin1Char('|')).contains(report);
}

// The notice over the page, empty while none is shown.
QString TestThirdPartyFrames::notice() const
{
    const QList<QLabel *> labels = view()->findChildren<QLabel *>();
    for (const QLabel *label : labels) {
        if (label->isVisible())
            return label->text();
    }
    return QString();
}

// Nothing writes without the player's click in it: not the portal, not an ad, nor an ad after the
// player's click elsewhere. An ad writes after its own click only when its frame allows it, and
// is told beforehand what it would get; the portal's copy button works.
void TestThirdPartyFrames::clipboardNeedsTheGestureAndTheFrameGrant()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    QVERIFY(told(QStringLiteral("ad denied")));
    setMode(QStringLiteral("copy"));
    actEverywhere();
    QTest::qWait(1000);
    QCOMPARE(clipboard->text(), playerText);

    // Just after the player's click on the portal, the ads copy.
    setMode(QString());
    QVERIFY(clickUntil(portalArea, [] { return true; }));
    m_client->getBrowser()->executeJavaScript(
        QStringLiteral("for (var i = 0; i < frames.length; ++i)"
                       " frames[i].postMessage({ mode: 'copy', act: true }, '*')"));
    QTest::qWait(1000);
    QCOMPARE(clipboard->text(), playerText);

    setMode(QStringLiteral("write"));
    QVERIFY(
        clickUntil(adArea, [this] { return told(QStringLiteral("ad write NotAllowedError")); }));
    QCOMPARE(clipboard->text(), playerText);
    QVERIFY(clickUntil(grantedArea, [this] { return told(QStringLiteral("granted written")); }));
    QCOMPARE(clipboard->text(), QStringLiteral("granted-written"));
    QVERIFY(clickUntil(portalArea, [this] { return told(QStringLiteral("portal written")); }));
    QCOMPARE(clipboard->text(), QStringLiteral("portal-written"));
    setMode(QStringLiteral("copy"));
    QVERIFY(
        clickUntil(portalArea, [&] { return clipboard->text() == QStringLiteral("portal-exec"); }));
}

// The engine asks about a lock naming the page, whichever frame wants it. An ad is refused after
// the player's click on the portal, and the portal after the player's click on the ad; each gets
// it after its own click, named to the player.
void TestThirdPartyFrames::pointerLockGoesToTheDocumentThePlayerActedIn()
{
    const QString lockedPortal = QStringLiteral("portal locked true");
    const QString lockedAd = QStringLiteral("ad locked true");
    QVERIFY(clickUntil(portalArea, [this] { return window()->isActive(); }));
    m_client->getBrowser()->executeJavaScript(QStringLiteral(
        "document.addEventListener('click', function () {"
        " frames[0].postMessage({ mode: 'lock', act: true }, '*'); }, { once: true })"));
    QVERIFY(clickUntil(portalArea, [] { return true; }));
    QTest::qWait(1500);
    QVERIFY2(!told(lockedAd), qPrintable(view()->title()));
    setMode(QString());
    QVERIFY(clickUntil(adArea, [] { return true; }));
    m_client->getBrowser()->executeJavaScript(QStringLiteral("document.body.requestPointerLock()"));
    QTest::qWait(1500);
    QVERIFY2(!told(lockedPortal), qPrintable(view()->title()));

    setMode(QStringLiteral("lock"));
    QVERIFY(clickUntil(adArea, [&] { return told(lockedAd); }));
    QCOMPARE(notice(),
        QStringLiteral("%1 holds the mouse. Press Escape to release it")
            .arg(m_server.url(QStringLiteral("ad.localhost"), QString())));
    m_input.tapKey(XK_Escape);
    QTRY_VERIFY(told(QStringLiteral("ad locked false")));
    QVERIFY(clickUntil(portalArea, [&] { return told(lockedPortal); }));
    QCOMPARE(notice(),
        QStringLiteral("%1 holds the mouse. Press Escape to release it")
            .arg(m_server.url(QString())));
}

// An ad claiming gestures all the time neither blocks the portal's popup after the player's click
// on the portal, nor sees how the bridge's own copies tell each other; the player's click on the
// ad a moment before does not block it either.
void TestThirdPartyFrames::forgedGesturesChangeNoPopup()
{
    DebugCapture debug;
    QSignalSpy pushes(m_client.data(), &QCefClient::sgHookPopup);
    QTest::qWait(1000);
    QVERIFY(clickUntil(adArea, [] { return true; }));
    m_client->getBrowser()->executeJavaScript(QStringLiteral("mode = 'popup'"));
    QVERIFY(clickUntil(portalArea, [&] { return !pushes.isEmpty(); }));
    QTest::qWait(500);
    QCOMPARE(pushes.count(), 1);
    const QStringList refusals = debug.lines().filter(QStringLiteral("popup to"));
    QVERIFY2(refusals.isEmpty(), qPrintable(refusals.join(QLatin1Char('\n'))));
    QVERIFY2(!told(QStringLiteral("portal saw the gesture secret")), qPrintable(view()->title()));
}

// A frame of another site fills the screen only where its frame allows it; the player is told
// who it is and how to leave. The portal's own full screen is told nothing, as before.
void TestThirdPartyFrames::anotherSitesFullScreenIsNamed()
{
    connect(m_client.data(), &QCefClient::sgFullScreenModeChange, this,
        [](CefRefPtr<CefBrowser>, FullScreenRequest &request) { request.accept(); });
    setMode(QStringLiteral("fullscreen"));
    QVERIFY(clickUntil(portalArea, [this] { return told(QStringLiteral("portal full true")); }));
    QTest::qWait(500);
    QCOMPARE(notice(), QString());
    m_client->getBrowser()->executeJavaScript(QStringLiteral("document.exitFullscreen()"));
    QTRY_VERIFY_WITH_TIMEOUT(told(QStringLiteral("portal full false")), 5000);

    QVERIFY(clickUntil(grantedArea, [this] { return !notice().isEmpty(); }));
    QCOMPARE(notice(),
        QStringLiteral("%1 is now full screen. Press Escape to exit")
            .arg(m_server.url(QStringLiteral("ad.localhost"), QString())));
}

LUMEN_ENGINE_TEST_MAIN(TestThirdPartyFrames)
#include "tst_thirdpartyframes.moc"
