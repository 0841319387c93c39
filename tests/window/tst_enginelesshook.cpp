#include "enginetest.h"
#include "fakeengine.h"
#include "fakeshell.h"
#include "tools/hookevents.h"
#include "window/qcefview.h"
#include "window/windowhook.h"

#include <QCursor>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScreen>

#include <memory>

namespace {

const QString kSite = QStringLiteral("http://127.0.0.1:8");

// Virtual-key code and scan code of the left Alt key.
constexpr int kAlt = 18;
constexpr int kAltScanCode = 0x38;

} // namespace

// The shell's global keys and the drags its pages start, on the fake engine: the input as the
// system hooks hand it to the program's hook, the drags asked for through the bridge as the
// portal's pages ask. What real input does under X is tested on the real engine
// (tst_windowhook).
class TestEnginelessHook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void f8HidesAndRestoresTheShell();
    void altF8TogglesOnce();
    void f8RestoresAShellHiddenTwiceByThePage();
    void escapeAndF11LeaveFullScreenOnly_data();
    void escapeAndF11LeaveFullScreenOnly();
    void escapeWithALockedPointerLeavesFullScreenAlone();
    void dragMovesTheWindowAndItsDirectChildren_data();
    void dragMovesTheWindowAndItsDirectChildren();
    void resizeFollowsThePointer_data();
    void resizeFollowsThePointer();
    void windowClosingMidDragEndsTheDrag();

private:
    WindowRecord *open(const QString &name, const QString &rect, const QString &father = QString(),
        bool visible = true);
    // The page under the pointer at point asks, on the left button's press, for request.
    void pressOnPage(const QString &name, const QPoint &point, const QJsonObject &request);
    static void tap(int key, int flags = 0);
    static void move(const QPoint &point);
    static void release(QHook::MouseButton button);

    FakeShell m_shell;
    QCefView *m_windows = nullptr;
    std::unique_ptr<WindowHook> m_hook;
    QStringList m_opened;
};

void TestEnginelessHook::initTestCase()
{
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QVERIFY(m_shell.start());
    m_windows = m_shell.windows();
    m_shell.profile()->setServing(true);
}

// A hook of its own per case: the F8 toggle starts from a visible shell.
void TestEnginelessHook::init()
{
    m_opened.clear();
    m_hook = std::make_unique<WindowHook>();
    m_hook->setWindowManager(m_windows);
    m_windows->setDragHook(m_hook.get());
}

void TestEnginelessHook::cleanup()
{
    m_windows->setDragHook(nullptr);
    m_hook.reset();
    m_windows->setWindowHidden(false);
    m_windows->setDragging(false);
    QVERIFY(m_shell.scene().closeWindows(m_opened));
}

WindowRecord *TestEnginelessHook::open(
    const QString &name, const QString &rect, const QString &father, bool visible)
{
    m_opened.append(name);
    m_windows->openWindow(name, father, QString(), kSite + QStringLiteral("/%1.html").arg(name),
        rect, QString(), QString(), QString(), QString(), QString(), visible);
    return m_shell.waitForPage(name) ? m_windows->findWindow(name) : nullptr;
}

void TestEnginelessHook::pressOnPage(
    const QString &name, const QPoint &point, const QJsonObject &request)
{
    QCursor::setPos(point);
    QSignalSpy requests(m_windows, &QCefView::sgWebMsgReceived);
    m_shell.pageOf(name)->callBridge(name, QStringLiteral("1"),
        QString::fromUtf8(QJsonDocument(request).toJson(QJsonDocument::Compact)));
    QVERIFY(requests.wait());
}

void TestEnginelessHook::tap(int key, int flags)
{
    const bool withAlt = flags & KeyEvent::AltDown;
    QHook::dispatchKey(withAlt ? KeyEvent::SysKeyDown : KeyEvent::KeyDown, key, 0, flags);
    QHook::dispatchKey(withAlt ? KeyEvent::SysKeyUp : KeyEvent::KeyUp, key, 0, flags);
}

// The hook hands on the point it is given: the cursor stays where the drag started.
void TestEnginelessHook::move(const QPoint &point)
{
    QHook::dispatchMove(point, 0);
}

void TestEnginelessHook::release(QHook::MouseButton button)
{
    QHook::dispatchButton(false, button, QPoint(), 0);
}

void TestEnginelessHook::f8HidesAndRestoresTheShell()
{
    QQuickView &view = m_shell.scene().view();
    WindowRecord *shown = open(QStringLiteral("shown"), QStringLiteral("100,100,400,300"));
    QVERIFY(shown);
    WindowRecord *concealed
        = open(QStringLiteral("concealed"), QStringLiteral("500,100,800,300"), QString(), false);
    QVERIFY(concealed);
    QVERIFY(view.isVisible());

    tap(KeyEvent::F8);
    QVERIFY(!view.isVisible());
    QVERIFY(!shown->window->isVisible());
    QVERIFY(!concealed->window->isVisible());

    tap(KeyEvent::F8);
    QVERIFY(view.isVisible());
    QCOMPARE(view.visibility(), QWindow::Windowed);
    QVERIFY(shown->window->isVisible());
    QVERIFY(!concealed->window->isVisible());
}

// A key pressed with Alt held acts once, on its release.
void TestEnginelessHook::altF8TogglesOnce()
{
    QQuickView &view = m_shell.scene().view();
    QSignalSpy viewShown(&view, &QWindow::visibleChanged);
    QHook::dispatchKey(KeyEvent::SysKeyDown, kAlt, kAltScanCode, KeyEvent::AltDown);
    tap(KeyEvent::F8, KeyEvent::AltDown);
    QHook::dispatchKey(KeyEvent::KeyUp, kAlt, kAltScanCode, 0);
    QVERIFY(!view.isVisible());
    QCOMPARE(viewShown.count(), 1);
    tap(KeyEvent::F8);
    QVERIFY(view.isVisible());
    QCOMPARE(viewShown.count(), 2);
}

// Hides the page asks for count as well: the first F8 gives the shell back.
void TestEnginelessHook::f8RestoresAShellHiddenTwiceByThePage()
{
    WindowRecord *shown = open(QStringLiteral("shown"), QStringLiteral("100,100,400,300"));
    QVERIFY(shown);
    m_windows->setWindowHidden(true);
    m_windows->setWindowHidden(true);

    for (bool visible : { true, false, true }) {
        tap(KeyEvent::F8);
        QCOMPARE(m_shell.scene().view().isVisible(), visible);
        QCOMPARE(shown->window->isVisible(), visible);
    }
}

void TestEnginelessHook::escapeAndF11LeaveFullScreenOnly_data()
{
    const QRect normal(100, 100, 300, 200);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QRect>("before");
    QTest::addColumn<QRect>("after");

    QTest::newRow("Escape, windowed") << int(KeyEvent::Escape) << QString() << normal << normal;
    QTest::newRow("Escape, maximized")
        << int(KeyEvent::Escape) << QStringLiteral("Maximized") << available << available;
    QTest::newRow("Escape, full screen")
        << int(KeyEvent::Escape) << QStringLiteral("FullScreen") << screen << normal;
    QTest::newRow("F11, windowed") << int(KeyEvent::F11) << QString() << normal << normal;
    QTest::newRow("F11, full screen")
        << int(KeyEvent::F11) << QStringLiteral("FullScreen") << screen << normal;
}

void TestEnginelessHook::escapeAndF11LeaveFullScreenOnly()
{
    QFETCH(int, key);
    QFETCH(QString, status);
    QFETCH(QRect, before);
    QFETCH(QRect, after);
    WindowRecord *record = open(QStringLiteral("screenful"), QStringLiteral("100,100,400,300"));
    QVERIFY(record);
    m_windows->setWindowStatus(QStringLiteral("screenful"), status);
    QTRY_COMPARE(record->size, before.size());
    QTRY_COMPARE(record->window->geometry(), before);
    const bool maximized = record->maximized;

    tap(key);
    QTRY_COMPARE(record->window->geometry(), after);
    QVERIFY(!record->fullScreen);
    QCOMPARE(record->maximized, maximized);
    QCOMPARE(record->window->visibility(), QWindow::Windowed);
}

// The engine lets a locked pointer go on Escape: that Escape is the page's, and the next one
// the shell's.
void TestEnginelessHook::escapeWithALockedPointerLeavesFullScreenAlone()
{
    WindowRecord *record = open(QStringLiteral("game"), QStringLiteral("100,100,400,300"));
    QVERIFY(record);
    FakePage *page = m_shell.pageOf(QStringLiteral("game"));
    QVERIFY(page->requestFullScreen(true).isAccepted());
    QTRY_VERIFY(record->fullScreen);
    page->holdPointerLock(true);

    QHook::dispatchKey(KeyEvent::KeyDown, KeyEvent::Escape, 0, 0);
    page->holdPointerLock(false);
    QHook::dispatchKey(KeyEvent::KeyUp, KeyEvent::Escape, 0, 0);
    QTest::qWait(50);
    QVERIFY(record->fullScreen);
    QCOMPARE(record->window->geometry(), QGuiApplication::primaryScreen()->geometry());

    tap(KeyEvent::Escape);
    QTRY_COMPARE(record->window->geometry(), QRect(100, 100, 300, 200));
    QVERIFY(!record->fullScreen);
    QTRY_COMPARE(page->fullScreenLeaves(), 1);
}

void TestEnginelessHook::dragMovesTheWindowAndItsDirectChildren_data()
{
    QTest::addColumn<QHook::MouseButton>("endingButton");
    QTest::newRow("left button released") << QHook::MouseButton::Left;
    QTest::newRow("right button released") << QHook::MouseButton::Right;
}

void TestEnginelessHook::dragMovesTheWindowAndItsDirectChildren()
{
    QFETCH(QHook::MouseButton, endingButton);
    WindowRecord *carrier = open(QStringLiteral("carrier"), QStringLiteral("200,150,600,450"));
    QVERIFY(carrier);
    WindowRecord *rider
        = open(QStringLiteral("rider"), QStringLiteral("20,30,220,130"), QStringLiteral("carrier"));
    QVERIFY(rider);
    WindowRecord *passenger
        = open(QStringLiteral("passenger"), QStringLiteral("10,10,60,40"), QStringLiteral("rider"));
    QVERIFY(passenger);
    QTRY_COMPARE(passenger->window->position(), QPoint(230, 190));

    pressOnPage(QStringLiteral("carrier"), QPoint(500, 400), { { "MouseDown", "carrier" } });
    move(QPoint(530, 410));
    move(QPoint(560, 430));
    QCOMPARE(carrier->window->position(), QPoint(260, 180));
    QCOMPARE(rider->window->position(), QPoint(280, 210));
    QCOMPARE(passenger->window->position(), QPoint(230, 190));

    // The first release ends the drag, whichever the button.
    release(endingButton);
    move(QPoint(620, 470));
    QCOMPARE(carrier->window->position(), QPoint(260, 180));
    QCOMPARE(rider->window->position(), QPoint(280, 210));

    // The window manager's own following is back.
    carrier->window->setX(300);
    QTRY_COMPARE(rider->window->x(), 320);
}

void TestEnginelessHook::resizeFollowsThePointer_data()
{
    QTest::addColumn<QString>("width");
    QTest::addColumn<QSize>("grown");
    QTest::addColumn<QSize>("regrown");
    QTest::newRow("height only") << QStringLiteral("0") << QSize(300, 270) << QSize(300, 280);
    QTest::newRow("width and height") << QStringLiteral("1") << QSize(350, 270) << QSize(370, 280);
}

// Never below the opening size, whichever way the pointer goes.
void TestEnginelessHook::resizeFollowsThePointer()
{
    QFETCH(QString, width);
    QFETCH(QSize, grown);
    QFETCH(QSize, regrown);
    WindowRecord *stretch = open(QStringLiteral("stretch"), QStringLiteral("300,200,600,400"));
    QVERIFY(stretch);

    pressOnPage(QStringLiteral("stretch"), QPoint(550, 380),
        { { "Resize", "stretch" }, { "Width", width }, { "Height", "1" } });
    move(QPoint(600, 450));
    QTRY_COMPARE(stretch->window->size(), grown);
    move(QPoint(350, 220));
    QTRY_COMPARE(stretch->window->size(), QSize(300, 200));
    move(QPoint(620, 460));
    QTRY_COMPARE(stretch->window->size(), regrown);
    QCOMPARE(stretch->window->position(), QPoint(300, 200));
    // The window manager has the last size, and the page's window follows its window.
    QTRY_COMPARE(stretch->size, regrown);
    QTRY_COMPARE(stretch->browserWindow->size(), regrown);

    release(QHook::MouseButton::Left);
    move(QPoint(700, 500));
    QCOMPARE(stretch->window->size(), regrown);
}

// The drag holds the window it started with: neither the closed window nor a new one under the
// same name follows the pointer.
void TestEnginelessHook::windowClosingMidDragEndsTheDrag()
{
    WindowRecord *doomed = open(QStringLiteral("doomed"), QStringLiteral("200,150,500,350"));
    QVERIFY(doomed);
    pressOnPage(QStringLiteral("doomed"), QPoint(300, 250), { { "MouseDown", "doomed" } });
    move(QPoint(320, 260));
    QCOMPARE(doomed->window->position(), QPoint(220, 160));

    m_windows->closeWindow(QStringLiteral("doomed"));
    QTRY_VERIFY(!m_windows->findWindow(QStringLiteral("doomed")));
    WindowRecord *successor = open(QStringLiteral("doomed"), QStringLiteral("450,150,750,350"));
    QVERIFY(successor);
    move(QPoint(360, 280));
    QCOMPARE(successor->window->position(), QPoint(450, 150));
    release(QHook::MouseButton::Left);
}

LUMEN_ENGINE_TEST_MAIN(TestEnginelessHook)
#include "tst_enginelesshook.moc"
