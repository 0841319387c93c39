#include "cef/qcefclient.h"
#include "cef/rendererwatchdog.h"
#include "debugcapture.h"
#include "engine/qtwebengine/scriptdialog.h"
#include "enginetest.h"
#include "focusedxclient.h"
#include "screencolour.h"
#include "shellscene.h"
#include "testhttpserver.h"
#include "window/qcefview.h"
#include "window/windowhook.h"
#include "xtestinput.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>

#include <X11/keysym.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// Browsers appear, load and close on the engine's own time.
constexpr int kEngineTimeout = 20000;

// The program's hook, counting what it has handled: a test waits for that before it looks at
// the effect, or at the absence of one.
class ObservedWindowHook : public WindowHook
{
public:
    int keyPresses = 0;
    int keyReleases = 0;

protected:
    bool keyPressEvent(KeyEvent *event) override
    {
        const bool passedOn = WindowHook::keyPressEvent(event);
        ++keyPresses;
        return passedOn;
    }
    bool keyReleaseEvent(KeyEvent *event) override
    {
        const bool passedOn = WindowHook::keyReleaseEvent(event);
        ++keyReleases;
        return passedOn;
    }
};

// A game: the player's click puts its canvas into full screen, and a middle click locks the
// pointer. It tells the window manager what it sees, in a request of no operation ("Told").
QByteArray gamePage(const QString &name)
{
    return "<!doctype html><html><body style=\"margin:0\">"
           "<canvas id=\"game\" style=\"display:block;width:100vw;height:100vh\"></canvas>"
           "<script>function tell(text) { callQML('"
        + name.toUtf8()
        + "', '1', JSON.stringify({ Told: text })); }"
          "game.addEventListener('click', function () {"
          " game.requestFullscreen().then(function () { tell('entered'); }); });"
          "game.addEventListener('mousedown', function (event) {"
          " if (event.button === 1) game.requestPointerLock(); });"
          "document.addEventListener('fullscreenchange', function () {"
          " tell('full screen ' + (document.fullscreenElement === game) + ' at ' + innerWidth"
          " + 'x' + innerHeight); });"
          "document.addEventListener('pointerlockchange', function () {"
          " tell('pointer ' + (document.pointerLockElement === game)); });"
          "document.addEventListener('pointerlockerror', function () { tell('pointer refused'); });"
          "document.addEventListener('mousemove', function (event) {"
          " if (document.pointerLockElement && event.movementX > 0) tell('moved'); });"
          "</script></body></html>";
}

const QByteArray kPlainPage
    = "<!doctype html><html><body style=\"background:#20b040\"></body></html>";

// The portal's main window: it asks the window manager through the bridge as the portal does,
// and tells each reply by its id and each of the player's clicks.
const char kPortalPage[] = R"(<!doctype html><html>
<body style="margin:0;height:100vh;background:#3366cc"><script>
function tell(text) { callQML('portal', 'told', JSON.stringify({ Told: text })); }
function ask(id, request) { callQML('portal', id, JSON.stringify(request)); }
function qtSlots() {}
function qtQueryCallback(reply) { tell('answered ' + reply.id); }
document.addEventListener('click', function () { tell('clicked'); });
</script></body></html>)";

// A window of the portal's: the portal's push takes it to a level, which it announces with an
// alert before it goes on.
const char kQuestPage[] = R"(<!doctype html><html>
<body style="margin:0;height:100vh;background:#20b040"><script>
var level = 0;
function tell(text) { callQML('quest', 'told', JSON.stringify({ Told: text })); }
function qtSlots(push) {
    level = push.Level;
    alert('Level ' + level + ' cleared!');
    tell('answered at level ' + level);
}
window.addEventListener('load', function () { tell('quest ready'); });
</script></body></html>)";

// Past the limit after which the watchdog takes a page on screen for hung.
constexpr int kPastWatchdogMs = RendererWatchdog::kUnansweredLimitMs + 5000;

// Seen on the system's Chromium when the game leaves full screen itself: the page was told it
// left at 1920x1080.
const char kToldLeavingAtScreenSize[]
    = "Chromium tells a game that leaves full screen itself while the page still has the "
      "screen's size: the shell hears of it only afterwards";

// Seen on the system's Chromium: the page was told it left at 300x1080, and had 300x200 after.
const char kKeptScreenHeightAfterPointerLock[]
    = "Chromium keeps the screen's height for a document that locked the pointer in full "
      "screen until it has left full screen";

} // namespace

// The shell's global input with the real window manager, scene, engine and X server, the input
// given through XTEST: F8 while another program has the focus, a game's full screen and locked
// pointer given up by keys, focus taken by clicks, and input while a question waits. The hook's
// rules (keys, drags) are tested on the fake engine (tst_enginelesshook).
class TestWindowHook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void f8ActsWhileAnotherProgramHasTheFocus();
    void gameFullScreenEndsWithTheWindowState_data();
    void gameFullScreenEndsWithTheWindowState();
    void escapeGivesBackALockedPointerFirst();
    void popupStaysOpenWhileClickedInside();
    void alertInAHiddenWindowLocksNobodyOut();

private:
    // The pointer in the scene's coordinates, given in the X server's pixels.
    void movePointer(const QPoint &point);
    WindowRecord *open(const QString &name, const QString &rect, const QByteArray &page,
        const QString &father = QString(), bool visible = true);
    // Each returns once the hook has handled the input.
    bool tapHandled(unsigned long keySym);
    // Held down until the hook has seen it go down.
    bool slowTapHandled(unsigned long keySym);
    // The player's clicks there until the game has told that.
    bool clickGameUntil(const QPoint &point, const QString &told, unsigned int button = 1);
    WindowRecord *openGameInFullScreen();
    // The portal's page sends the request (a script object's text) with that id.
    void portalAsks(const QString &id, const QString &request);
    bool told(const QString &text, int timeout = kEngineTimeout);

    QStringList m_told;

    ShellScene m_shell;
    QQuickView &m_view = m_shell.view();
    TestHttpServer m_server;
    QCefView *m_windows = nullptr;
    XTestInput m_input;
    std::unique_ptr<ObservedWindowHook> m_hook;
    QStringList m_opened;
};

void TestWindowHook::initTestCase()
{
    QVERIFY(m_input.isOpen());
    QVERIFY2(m_input.hasExtension("RECORD"), "the test X server records input");
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QVERIFY(m_server.listen());
    QVERIFY(m_shell.start());
    m_windows = m_shell.windows();
    connect(m_windows, &QCefView::sgWebMsgReceived, this, [this](const QString &message) {
        const QJsonObject call = QJsonDocument::fromJson(message.toUtf8()).object();
        const QJsonObject request
            = QJsonDocument::fromJson(call.value("request").toString().toUtf8()).object();
        m_told.append(request.value("Told").toString());
    });
}

void TestWindowHook::cleanupTestCase()
{
    m_windows->closeAllBrowser();
}

// A hook of its own per case: the F8 toggle starts from a visible shell.
void TestWindowHook::init()
{
    m_opened.clear();
    movePointer(QPoint(1, 1));
    m_hook = std::make_unique<ObservedWindowHook>();
    m_hook->setWindowManager(m_windows);
    m_windows->setDragHook(m_hook.get());
}

void TestWindowHook::cleanup()
{
    m_windows->setDragHook(nullptr);
    m_hook.reset();
    // A case that failed halfway may have left a button down.
    for (unsigned int button : { 1u, 3u })
        m_input.releaseButton(button);
    m_windows->setWindowHidden(false);
    m_windows->setDragging(false);
    QVERIFY(m_shell.closeWindows(m_opened));
}

void TestWindowHook::movePointer(const QPoint &point)
{
    m_input.movePointer(point * QGuiApplication::primaryScreen()->devicePixelRatio());
}

// Attached, and its page loaded.
WindowRecord *TestWindowHook::open(const QString &name, const QString &rect, const QByteArray &page,
    const QString &father, bool visible)
{
    const QString path = QStringLiteral("/%1.html").arg(name);
    m_server.setPage(path, page);
    m_opened.append(name);
    m_windows->openWindow(name, father, QString(), m_server.url(path), rect, QString(), QString(),
        QString(), QString(), QString(), visible);
    QSignalSpy loadEnds(m_windows->findWindow(name)->client.data(), &QCefClient::sgLoadEnd);
    const bool attached = QTest::qWaitFor(
        [this, &name] { return m_windows->findWindow(name)->window; }, kEngineTimeout);
    if (!attached || (loadEnds.isEmpty() && !loadEnds.wait(kEngineTimeout)))
        return nullptr;
    return m_windows->findWindow(name);
}

bool TestWindowHook::tapHandled(unsigned long keySym)
{
    const int handled = m_hook->keyReleases + 1;
    m_input.tapKey(keySym);
    return QTest::qWaitFor([this, handled] { return m_hook->keyReleases == handled; });
}

bool TestWindowHook::slowTapHandled(unsigned long keySym)
{
    const int pressed = m_hook->keyPresses + 1;
    const int released = m_hook->keyReleases + 1;
    m_input.pressKey(keySym);
    const bool held = QTest::qWaitFor([this, pressed] { return m_hook->keyPresses == pressed; });
    m_input.releaseKey(keySym);
    return held && QTest::qWaitFor([this, released] { return m_hook->keyReleases == released; });
}

bool TestWindowHook::clickGameUntil(const QPoint &point, const QString &told, unsigned int button)
{
    movePointer(point);
    return QTest::qWaitFor(
        [&] {
            m_input.clickButton(button);
            return QTest::qWaitFor([&] { return m_told.contains(told); }, 500);
        },
        kEngineTimeout);
}

WindowRecord *TestWindowHook::openGameInFullScreen()
{
    m_told.clear();
    WindowRecord *record
        = open(QStringLiteral("game"), QStringLiteral("100,100,400,300"), gamePage("game"));
    if (!record || !clickGameUntil(QPoint(200, 200), QStringLiteral("entered")))
        return nullptr;
    return record;
}

void TestWindowHook::gameFullScreenEndsWithTheWindowState_data()
{
    QTest::addColumn<unsigned long>("keySym");
    QTest::newRow("left by the game") << 0ul;
    QTest::newRow("Escape") << (unsigned long)XK_Escape;
    QTest::newRow("F11") << (unsigned long)XK_F11;
}

// The game's element takes the window's screen as the window's full-screen state, and the game
// hears when that state ends, whoever ends it.
void TestWindowHook::gameFullScreenEndsWithTheWindowState()
{
    QFETCH(unsigned long, keySym);
    WindowRecord *record = openGameInFullScreen();
    QVERIFY(record);
    // As in a browser, the game reads its new size when it hears of the change.
    const QSize screen = QGuiApplication::primaryScreen()->size();
    QTRY_VERIFY_WITH_TIMEOUT(
        m_told.contains(
            QStringLiteral("full screen true at %1x%2").arg(screen.width()).arg(screen.height())),
        kEngineTimeout);
    QCOMPARE(record->window->geometry(), QGuiApplication::primaryScreen()->geometry());
    QVERIFY(record->fullScreen);

    if (keySym)
        QVERIFY(tapHandled(keySym));
    else
        m_windows->sendToWeb(QStringLiteral("game"), QStringLiteral("document.exitFullscreen()"));
    QTRY_COMPARE_WITH_TIMEOUT(
        record->window->geometry(), QRect(100, 100, 300, 200), kEngineTimeout);
    QVERIFY(!record->fullScreen);
    if (!keySym)
        LUMEN_SKIP_ON_SYSTEM_CHROMIUM(kToldLeavingAtScreenSize);
    QTRY_VERIFY_WITH_TIMEOUT(
        m_told.contains(QStringLiteral("full screen false at 300x200")), kEngineTimeout);
}

// Only the player's click locks the pointer; the lock reports the mouse's movements, and the
// first Escape gives the pointer back while the game stays in full screen.
void TestWindowHook::escapeGivesBackALockedPointerFirst()
{
    WindowRecord *record = openGameInFullScreen();
    QVERIFY(record);
    // Past the span in which the click that entered full screen counts.
    QTest::qWait(5500);
    m_windows->sendToWeb(QStringLiteral("game"), QStringLiteral("game.requestPointerLock()"));
    QTRY_VERIFY_WITH_TIMEOUT(m_told.contains(QStringLiteral("pointer refused")), kEngineTimeout);

    QVERIFY(clickGameUntil(QPoint(600, 500), QStringLiteral("pointer true"), 2));
    movePointer(QPoint(700, 500));
    QTRY_VERIFY_WITH_TIMEOUT(m_told.contains(QStringLiteral("moved")), kEngineTimeout);

    QVERIFY(slowTapHandled(XK_Escape));
    QTRY_VERIFY_WITH_TIMEOUT(m_told.contains(QStringLiteral("pointer false")), kEngineTimeout);
    QVERIFY(record->fullScreen);
    QCOMPARE(record->window->geometry(), QGuiApplication::primaryScreen()->geometry());

    QVERIFY(slowTapHandled(XK_Escape));
    QTRY_COMPARE(record->window->geometry(), QRect(100, 100, 300, 200));
    LUMEN_SKIP_ON_SYSTEM_CHROMIUM(kKeptScreenHeightAfterPointerLock);
    QTRY_VERIFY_WITH_TIMEOUT(
        m_told.contains(QStringLiteral("full screen false at 300x200")), kEngineTimeout);
}

// The other program keeps receiving the key as well.
void TestWindowHook::f8ActsWhileAnotherProgramHasTheFocus()
{
    WindowRecord *shown
        = open(QStringLiteral("shown"), QStringLiteral("100,100,400,300"), kPlainPage);
    QVERIFY(shown);
    FocusedXClient other;
    QVERIFY(other.start(QRect(1600, 850, 200, 150)));

    QVERIFY(tapHandled(XK_F8));
    QVERIFY(!m_view.isVisible());
    QVERIFY(!shown->window->isVisible());
    QVERIFY(other.waitForKeyPress("F8"));

    // Shown again, the shell's windows may have taken the focus.
    QVERIFY(other.focus());
    QVERIFY(tapHandled(XK_F8));
    QVERIFY(m_view.isVisible());
    QVERIFY(shown->window->isVisible());
}

// A click in a page focuses the browser's own window inside the popup: the popup is still the
// window in use. A click in another shell window closes it.
void TestWindowHook::popupStaysOpenWhileClickedInside()
{
    QObject wiring;
    connect(qApp, &QGuiApplication::focusWindowChanged, &wiring,
        [this](QWindow *window) { m_windows->onFocusWindowChanged(window); });
    QVERIFY(open(QStringLiteral("base"), QStringLiteral("100,100,700,500"), kPlainPage));
    m_server.setPage(QStringLiteral("/menu.html"), kPlainPage);
    m_opened.append(QStringLiteral("menu"));
    m_windows->openWindow(QStringLiteral("menu"), QStringLiteral("base"), QString(),
        m_server.url(QStringLiteral("/menu.html")), QStringLiteral("50,50,250,250"), QString(),
        QString(), QString(), QStringLiteral("1"), QString());
    QTRY_VERIFY_WITH_TIMEOUT(m_windows->findWindow(QStringLiteral("menu"))->window, kEngineTimeout);
    const WindowRecord *menu = m_windows->findWindow(QStringLiteral("menu"));

    movePointer(QPoint(250, 250));
    m_input.clickButton(1);
    LUMEN_SKIP_ON_SYSTEM_CHROMIUM("The page's window on Chromium is the browser's, which Qt does "
                                  "not report as its focus window when clicked");
    QTRY_COMPARE(QGuiApplication::focusWindow(), menu->browserWindow);
    QTest::qWait(500);
    QCOMPARE(m_windows->findWindow(QStringLiteral("menu")), menu);
    QVERIFY(menu->window->isVisible());

    movePointer(QPoint(600, 450));
    m_input.clickButton(1);
    QTRY_VERIFY_WITH_TIMEOUT(!m_windows->findWindow(QStringLiteral("menu")), kEngineTimeout);
}

void TestWindowHook::portalAsks(const QString &id, const QString &request)
{
    m_windows->sendToWeb(
        QStringLiteral("portal"), QStringLiteral("ask('%1', %2)").arg(id, request));
}

bool TestWindowHook::told(const QString &text, int timeout)
{
    return QTest::qWaitFor([&] { return m_told.contains(text); }, timeout);
}

// The portal hides a window whose page then calls alert(). While the question waits out of
// sight, past the watchdog's limit, the player's clicks reach the portal, its requests are
// answered and no renderer is taken for hung; then the portal shows the window, the question is
// on screen there, and the player's Enter reaches the page as it was.
void TestWindowHook::alertInAHiddenWindowLocksNobodyOut()
{
    LUMEN_SKIP_ON_SYSTEM_CHROMIUM("Chromium draws the page's alert itself, not the shell's dialog "
                                  "that this case waits for and rescues");
    m_told.clear();
    WindowRecord *portal
        = open(QStringLiteral("portal"), QStringLiteral("100,100,700,500"), kPortalPage);
    QVERIFY(portal);
    const QPoint onPortal(600, 450);
    QVERIFY(clickGameUntil(onPortal, QStringLiteral("clicked")));
    m_server.setPage(QStringLiteral("/quest.html"), kQuestPage);
    m_opened.append(QStringLiteral("quest"));
    portalAsks(QStringLiteral("open"),
        QStringLiteral("{ Open: 'quest', Father: 'portal', Url: '%1', RECT: '20,20,320,220' }")
            .arg(m_server.url(QStringLiteral("/quest.html"))));
    QVERIFY(told(QStringLiteral("quest ready")));
    QTRY_VERIFY_WITH_TIMEOUT(
        m_windows->findWindow(QStringLiteral("quest"))->window, kEngineTimeout);
    WindowRecord *quest = m_windows->findWindow(QStringLiteral("quest"));
    portalAsks(QStringLiteral("hide"), QStringLiteral("{ SwitchWindow: 'portal', NeedHide: '1' }"));
    QVERIFY(told(QStringLiteral("answered hide")));
    QVERIFY(!quest->window->isVisible());

    DebugCapture log;
    std::vector<std::unique_ptr<QSignalSpy>> ends;
    for (const WindowRecord *record : { portal, quest }) {
        ends.push_back(std::make_unique<QSignalSpy>(
            record->client.data(), &QCefClient::sgRenderProcessUnresponsive));
        ends.push_back(std::make_unique<QSignalSpy>(
            record->client.data(), &QCefClient::sgRenderProcessTerminated));
    }
    QWidget *view = viewOf(*quest->client->getBrowser());
    QVERIFY(view);
    // A question that waits inside the engine's call holds this test with the whole program: it
    // is cancelled then, late, so that the case fails instead of hanging.
    QTimer rescue;
    connect(&rescue, &QTimer::timeout, view, [view] {
        if (auto *dialog = view->findChild<ScriptDialog *>())
            QTest::keyClick(dialog, Qt::Key_Escape);
    });
    rescue.start(2 * kPastWatchdogMs);
    portalAsks(QStringLiteral("bonus"), QStringLiteral("{ SendMsg: 'quest', Msg: { Level: 7 } }"));
    QTRY_VERIFY_WITH_TIMEOUT(view->findChild<ScriptDialog *>(), kEngineTimeout);

    QVector<qint64> latencies;
    QElapsedTimer waiting;
    waiting.start();
    for (int turn = 1; waiting.elapsed() < kPastWatchdogMs; ++turn) {
        const qsizetype clicks = m_told.count(QStringLiteral("clicked"));
        movePointer(onPortal);
        m_input.clickButton(1);
        QTRY_COMPARE_WITH_TIMEOUT(m_told.count(QStringLiteral("clicked")), clicks + 1, 2000);
        QElapsedTimer trip;
        trip.start();
        portalAsks(
            QStringLiteral("ping%1").arg(turn), QStringLiteral("{ GetCefClients: 'portal' }"));
        QVERIFY(told(QStringLiteral("answered ping%1").arg(turn), 2000));
        latencies.append(trip.elapsed());
        QTest::qWait(2000);
    }
    std::sort(latencies.begin(), latencies.end());
    qInfo("portal's bridge round trips while the alert waited: %lld, median %lld ms, worst %lld ms",
        qint64(latencies.size()), latencies.at(latencies.size() / 2), latencies.constLast());
    QCOMPARE(log.lines().filter(QStringLiteral("renderer")), QStringList());
    for (const std::unique_ptr<QSignalSpy> &spy : ends)
        QCOMPARE(spy->count(), 0);
    QVERIFY(!m_told.contains(QStringLiteral("answered at level 7")));

    portalAsks(QStringLiteral("show"), QStringLiteral("{ SwitchWindow: 'quest' }"));
    QVERIFY(told(QStringLiteral("answered show"), 2000));
    QVERIFY(quest->window->isVisible());
    auto *dialog = view->findChild<ScriptDialog *>();
    QVERIFY(dialog && dialog->isVisible());
    // The edge of the dialog's box, clear of its text and buttons, is on screen.
    const QWidget *box = dialog->findChild<QWidget *>(QStringLiteral("box"));
    QVERIFY(box);
    const QPoint edge = quest->window->position() + box->mapTo(view, QPoint(3, box->height() / 2));
    QTRY_VERIFY(sameColour(screenColourAt(edge), box->palette().color(QPalette::Window)));
    movePointer(edge);
    // The dialog has the keys once the window is on screen.
    QTRY_COMPARE(QGuiApplication::focusWindow(), view->windowHandle());
    m_input.tapKey(XK_Return);
    QVERIFY(told(QStringLiteral("answered at level 7"), 5000));
    QTRY_VERIFY(!view->findChild<ScriptDialog *>());
    QCOMPARE(m_server.requestCount(QStringLiteral("/quest.html")), 1);
}

LUMEN_ENGINE_TEST_MAIN(TestWindowHook)
#include "tst_windowhook.moc"
