#include "cef/qcefapp.h"
#include "cef/qcefclient.h"
#include "debugcapture.h"
#include "engine/pagerequests.h"
#include "enginetest.h"
#include "testhttpserver.h"
#include "xtestinput.h"

#include <QClipboard>
#include <QLabel>
#include <QRegularExpression>

#include <X11/keysym.h>

#include <algorithm>
#include <array>

namespace {

// Every document does on the player's click what mode says (set by a message, with act: at once),
// and reports into the portal's title what the engine told it.
const char documentScript[] = R"(<textarea id="area"></textarea><script>
var name = location.hash.slice(1) || 'portal', mode = '';
function report(text) { top.postMessage({ report: name + ' ' + text }, '*'); }
function act() {
    if (mode === 'copy') { area.value = name + '-exec'; area.select(); document.execCommand('copy'); }
    if (mode === 'write') navigator.clipboard.writeText(name + '-written').then(
        function () { report('written'); }, function (e) { report('write ' + e.name); });
    if (mode === 'select') { area.value = name + '-selected'; area.select(); }
    if (mode === 'lock') document.body.requestPointerLock();
    if (mode === 'fullscreen') document.body.requestFullscreen();
    if (mode === 'popup') open('/target.html');
}
addEventListener('message', function (e) { if ('mode' in e.data) mode = e.data.mode; if (e.data.act) act(); });
document.onclick = act;
document.onpointerlockchange = function () { report('locked ' + !!document.pointerLockElement); };
document.onfullscreenchange = function () { report('full ' + !!document.fullscreenElement); };
navigator.permissions.query({ name: 'clipboard-write' }).then(function (s) { report(s.state); });
</script>)";

// The portal on the left; an ad's frame without grants in the middle; one allowed the clipboard
// and the screen on the right. The ad claims the player's gestures in every way a page could.
const char portalPage[] = R"(<body style="margin:0">
<iframe src="AD#ad" style="position:fixed;left:200px;top:0;width:200px;height:300px;border:0">
</iframe><iframe src="AD#granted" allow="clipboard-write; fullscreen"
    style="position:fixed;left:400px;top:0;width:200px;height:300px;border:0"></iframe>
<script>
var reports = [];
addEventListener('message', function (e) {
    var before = reports.length;
    if (typeof e.data.__lumenGesture === 'string') reports.push('portal saw the gesture secret');
    if ('report' in e.data) reports.push(e.data.report);
    if (reports.length > before) show();
});
function show() {
    document.title = reports.join('|');
    fetch('/told/' + encodeURIComponent(reports[reports.length - 1]));
}
function tell(message) { [window].concat([].slice.call(frames)).forEach(function (w) { w.postMessage(message, '*'); }); }
</script>SCRIPT</body>)";

const char adPage[] = R"(<body style="margin:0">SCRIPT<script>
setInterval(function () { parent.postMessage({ __lumenGesture: 1 }, '*'); }, 100);
</script></body>)";

constexpr std::array<const char *, 3> kDocuments { "portal", "ad", "granted" };
const QString playerText = QStringLiteral("the player's own text");
const QPoint portalArea(100, 150);
const QPoint adArea(300, 150);
const QPoint grantedArea(500, 150);

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
    // Once the portal has run script.
    void run(const QString &script);
    // The player's click at point of the window, repeated until answered() holds.
    bool clickUntil(
        const QPoint &point, const std::function<bool()> &answered = [] { return true; });
    bool told(const QString &report) const { return m_told.contains(report); }
    QString notice() const;
    // Each of the three documents has told what the engine says of its clipboard.
    bool hasLoaded() const;

    QCefEngine m_engine { realEngine() };
    TestHttpServer m_server;
    CefRefPtr<QCefClient> m_client;
    QWindow *m_window = nullptr;
    // The shell's notices are in the view on Qt WebEngine; Chromium draws its own.
    QWebEngineView *m_view = nullptr;
    // What the portal reported, in order.
    QStringList m_told;
    XTestInput m_input;
};

void TestThirdPartyFrames::initTestCase()
{
    QVERIFY(m_server.listen());
    connect(&m_server, &TestHttpServer::sgRequested, this, [this](const QString &path) {
        if (path.startsWith(QLatin1String("/told/")))
            m_told << QUrl::fromPercentEncoding(path.mid(6).toUtf8());
    });
    const QByteArray ad = m_server.url("ad.localhost", QStringLiteral("/ad.html")).toUtf8();
    m_server.setPage(QStringLiteral("/portal.html"),
        QByteArray(portalPage).replace("AD", ad).replace("SCRIPT", documentScript));
    m_server.setPage(
        QStringLiteral("/ad.html"), QByteArray(adPage).replace("SCRIPT", documentScript));
    int argc = 0;
    QCOMPARE(m_engine.initialize(argc, nullptr), -1);
}

// The portal shown, all three documents loaded and told what the clipboard would give them.
void TestThirdPartyFrames::init()
{
    m_told.clear();
    QGuiApplication::clipboard()->setText(playerText);
    m_client = m_engine.app()->createBrowser(
        QStringLiteral("app"), false, m_server.url(QStringLiteral("/portal.html")), 600, 300);
    QVERIFY(QTest::qWaitFor([this] { return !m_client->getBrowser().isNull(); }, 20000));
    m_window = m_client->getBrowser()->window();
    m_view = viewOf(*m_client->getBrowser());
    m_window->show();
    m_window->requestActivate();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QTRY_VERIFY2_WITH_TIMEOUT(hasLoaded(), qPrintable(m_told.join(QLatin1Char('|'))), 20000);
}

void TestThirdPartyFrames::cleanup()
{
    m_client->getBrowser()->closeBrowser();
    m_client.reset();
    m_input.tapKey(XK_Escape);
}

bool TestThirdPartyFrames::clickUntil(const QPoint &point, const std::function<bool()> &answered)
{
    m_input.movePointer(m_input.placeOf(m_window->winId()).topLeft() + point);
    return QTest::qWaitFor(
        [&] {
            m_input.clickButton(1);
            QTest::qWait(300);
            return answered();
        },
        10000);
}

void TestThirdPartyFrames::run(const QString &script)
{
    static int runs = 0;
    const QString ran = QStringLiteral("ran %1").arg(++runs);
    m_client->getBrowser()->executeJavaScript(
        script + QStringLiteral(";reports.push('%1');show()").arg(ran));
    QTRY_VERIFY(told(ran));
}

bool TestThirdPartyFrames::hasLoaded() const
{
    return std::all_of(kDocuments.begin(), kDocuments.end(), [this](const char *document) {
        return !m_told
                    .filter(QRegularExpression(QStringLiteral("^%1 (granted|denied|prompt)$")
                            .arg(QLatin1String(document))))
                    .isEmpty();
    });
}

QString TestThirdPartyFrames::notice() const
{
    if (!m_view)
        return QString();
    const QLabel *label = m_view->findChild<QLabel *>();
    return label && label->isVisible() ? label->text() : QString();
}

// Nothing writes without the player's click in it: not the portal, nor an ad just after the
// player's click on the portal. An ad writes after its own click only when its frame allows it,
// and is told beforehand it would not; the portal's copy buttons work.
void TestThirdPartyFrames::clipboardNeedsTheGestureAndTheFrameGrant()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    // Chromium tells every frame the clipboard is granted where the portal has it, whatever it
    // then refuses.
    if (!TestEngine::isSystemChromium())
        QVERIFY2(told(QStringLiteral("ad denied")), qPrintable(m_told.join(QLatin1Char('|'))));
    run(QStringLiteral("tell({ mode: 'copy', act: true })"));
    QTest::qWait(1000);
    QCOMPARE(clipboard->text(), playerText);
    run(QStringLiteral("tell({ mode: '' })"));
    QVERIFY(clickUntil(portalArea));
    run(QStringLiteral(
        "for (var i = 0; i < 2; ++i) frames[i].postMessage({ mode: 'copy', act: 1 }, '*')"));
    QTest::qWait(1000);
    QCOMPARE(clipboard->text(), playerText);

    run(QStringLiteral("tell({ mode: 'write' })"));
    QVERIFY(
        clickUntil(adArea, [this] { return told(QStringLiteral("ad write NotAllowedError")); }));
    QCOMPARE(clipboard->text(), playerText);
    QVERIFY(clickUntil(grantedArea, [this] { return told(QStringLiteral("granted written")); }));
    QCOMPARE(clipboard->text(), QStringLiteral("granted-written"));
    QVERIFY(clickUntil(portalArea, [this] { return told(QStringLiteral("portal written")); }));
    QCOMPARE(clipboard->text(), QStringLiteral("portal-written"));
    run(QStringLiteral("tell({ mode: 'copy' })"));
    QVERIFY(
        clickUntil(portalArea, [&] { return clipboard->text() == QStringLiteral("portal-exec"); }));
    QVERIFY(clickUntil(adArea));
    QTest::qWait(500);
    QCOMPARE(clipboard->text(), QStringLiteral("portal-exec"));
    QVERIFY(clickUntil(
        grantedArea, [&] { return clipboard->text() == QStringLiteral("granted-exec"); }));
    // The player's own copy from the keyboard, anywhere.
    run(QStringLiteral("tell({ mode: 'select' })"));
    QVERIFY(clickUntil(adArea));
    m_input.pressKey(XK_Control_L);
    m_input.tapKey(XK_c);
    m_input.releaseKey(XK_Control_L);
    QTRY_COMPARE(clipboard->text(), QStringLiteral("ad-selected"));
}

// The engine asks about a lock naming the page, whichever frame wants it. An ad is refused after
// the player's click on the portal, the portal after the player's click on the ad; each gets it
// after its own click, named to the player.
void TestThirdPartyFrames::pointerLockGoesToTheDocumentThePlayerActedIn()
{
    const QString held = QStringLiteral("%1 holds the mouse. Press Escape to release it");
    QVERIFY(clickUntil(portalArea, [this] { return m_window->isActive(); }));
    run(QStringLiteral("document.onclick = function () { frames[0].postMessage({ mode: 'lock', "
                       "act: 1 }, '*'); }"));
    QVERIFY(clickUntil(portalArea));
    QTest::qWait(1500);
    QVERIFY2(!told(QStringLiteral("ad locked true")), qPrintable(m_told.join('|')));
    run(QStringLiteral("document.onclick = act; tell({ mode: '' })"));
    QVERIFY(clickUntil(adArea));
    run(QStringLiteral("document.body.requestPointerLock()"));
    QTest::qWait(1500);
    QVERIFY2(!told(QStringLiteral("portal locked true")), qPrintable(m_told.join('|')));
    QCOMPARE(notice(), QString());

    run(QStringLiteral("tell({ mode: 'lock' })"));
    QVERIFY(clickUntil(adArea, [this] { return told(QStringLiteral("ad locked true")); }));
    if (m_view)
        QTRY_COMPARE(notice(), held.arg(m_server.url("ad.localhost", QString())));
    m_input.tapKey(XK_Escape);
    QTRY_VERIFY(told(QStringLiteral("ad locked false")));
    QVERIFY(clickUntil(portalArea, [this] { return told(QStringLiteral("portal locked true")); }));
    if (m_view)
        QTRY_COMPARE(notice(), held.arg(m_server.url(QString())));
}

// An ad claiming gestures all the time neither blocks the portal's popup after the player's click
// on it nor sees how the shell's own frames tell each other; nor does a click on the ad just
// before.
void TestThirdPartyFrames::forgedGesturesChangeNoPopup()
{
    DebugCapture debug;
    QSignalSpy pushes(m_client.data(), &QCefClient::sgHookPopup);
    QVERIFY(clickUntil(adArea));
    run(QStringLiteral("mode = 'popup'"));
    QVERIFY(clickUntil(portalArea, [&] { return !pushes.isEmpty(); }));
    QTest::qWait(500);
    QCOMPARE(pushes.count(), 1);
    QCOMPARE(debug.lines().filter(QStringLiteral("popup to")), QStringList());
    QVERIFY2(!told(QStringLiteral("portal saw the gesture secret")), qPrintable(m_told.join('|')));
}

// A frame of another site fills the screen where its frame allows it, named to the player with
// the way out; the portal's own full screen is named to nobody, as before.
void TestThirdPartyFrames::anotherSitesFullScreenIsNamed()
{
    connect(m_client.data(), &QCefClient::sgFullScreenModeChange, this,
        [](CefRefPtr<CefBrowser>, FullScreenRequest &request) { request.accept(); });
    run(QStringLiteral("tell({ mode: 'fullscreen' })"));
    QVERIFY(clickUntil(portalArea, [this] { return told(QStringLiteral("portal full true")); }));
    QTest::qWait(500);
    QCOMPARE(notice(), QString());
    run(QStringLiteral("document.exitFullscreen()"));
    QTRY_VERIFY(told(QStringLiteral("portal full false")));

    QVERIFY(clickUntil(grantedArea, [this] { return told(QStringLiteral("granted full true")); }));
    if (m_view)
        QTRY_COMPARE(notice(),
            QStringLiteral("%1 is now full screen. Press Escape to exit")
                .arg(m_server.url("ad.localhost", QString())));
}

LUMEN_ENGINE_TEST_MAIN(TestThirdPartyFrames)
#include "tst_thirdpartyframes.moc"
