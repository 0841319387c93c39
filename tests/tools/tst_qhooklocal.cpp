#include "recordinghook.h"
#include "tools/inputhook.h"
#include "xtestinput.h"

#include <QGuiApplication>
#include <QRasterWindow>
#include <QtTest>

#include <X11/keysym.h>

#include <memory>
#include <vector>

namespace {

// In the test's window.
const QPoint kInside(250, 200);
const QString kNoHookLine = QStringLiteral("No global input hook could be installed");

int noHookLines = 0;
QtMessageHandler passOn = nullptr;

void countNoHookLines(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(kNoHookLine))
        ++noHookLines;
    passOn(type, context, message);
}

} // namespace

// Where no global hook can be installed there are no global keys, and the pointer is followed
// over the program's own windows, held buttons included.
class TestQHookLocal : public QObject
{
    Q_OBJECT

public:
    explicit TestQHookLocal(const QByteArray &display)
        : m_input(display)
    {
    }

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void pointerOverOwnWindowIsFollowed_data();
    void pointerOverOwnWindowIsFollowed();
    void heldButtonIsFollowedOutsideTheWindow();
    void keysAreNotSeen();
    // Runs last: every case before it installed hooks too.
    void theMissingHookIsLoggedOnce();

private:
    void moveSentinel();

    XTestInput m_input;
    QRasterWindow m_window;
    std::unique_ptr<RecordingHook> m_hook;
    QPoint m_sentinel;
};

void TestQHookLocal::initTestCase()
{
    QVERIFY(m_input.isOpen());
    QVERIFY(!InputHook::install(InputHook::Device::Keyboard));
    QVERIFY(!InputHook::install(InputHook::Device::Mouse));
    // Not before: the test library has a message handler of its own meanwhile.
    passOn = qInstallMessageHandler(countNoHookLines);
    m_window.setFlags(Qt::Window | Qt::FramelessWindowHint);
    m_window.setGeometry(100, 100, 300, 200);
    m_window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_window));
    QTRY_COMPARE(m_window.position(), QPoint(100, 100));
}

// Qt hands events on in its own time: the pointer's arrival in the window is awaited, and only
// what follows counts.
void TestQHookLocal::init()
{
    m_hook = std::make_unique<RecordingHook>();
    m_hook->hookKeyboard();
    m_hook->hookMouse();
    m_input.movePointer(kInside);
    QTRY_VERIFY(!m_hook->points.isEmpty() && m_hook->points.last() == kInside);
    m_hook->mice.clear();
    m_hook->points.clear();
}

void TestQHookLocal::cleanup()
{
    m_hook.reset();
}

void TestQHookLocal::moveSentinel()
{
    m_sentinel = m_sentinel == QPoint(200, 160) ? QPoint(210, 170) : QPoint(200, 160);
    m_input.movePointer(m_sentinel);
}

void TestQHookLocal::pointerOverOwnWindowIsFollowed_data()
{
    RecordingHook::addButtonRows();
}

void TestQHookLocal::pointerOverOwnWindowIsFollowed()
{
    QFETCH(unsigned int, button);
    QFETCH(QStringList, expected);

    m_input.clickButton(button);
    moveSentinel();
    expected.append(mouseLine("move", 1, 4, 0));
    QTRY_COMPARE(m_hook->mice, expected);
    QVector<QPoint> points(expected.count() - 1, kInside);
    points.append(m_sentinel);
    QCOMPARE(m_hook->points, points);
}

// The held button keeps the pointer with the window; once released, the pointer outside is out
// of sight again.
void TestQHookLocal::heldButtonIsFollowedOutsideTheWindow()
{
    const QPoint outside(700, 600);
    m_input.pressButton(1);
    m_input.movePointer(outside);
    m_input.releaseButton(1);
    m_input.movePointer(QPoint(800, 700));
    moveSentinel();

    const QStringList expected { mouseLine("press", 0, 1, 0), mouseLine("move", 1, 4, 0),
        mouseLine("release", 0, 1, 0), mouseLine("move", 1, 4, 0) };
    QTRY_COMPARE(m_hook->mice, expected);
    QCOMPARE(m_hook->points, QVector<QPoint>({ kInside, outside, outside, m_sentinel }));
}

// Not even in the program's own focused window.
void TestQHookLocal::keysAreNotSeen()
{
    m_window.requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(&m_window));
    m_input.tapKey(XK_F8);
    moveSentinel();
    QTRY_COMPARE(m_hook->mice.count(), 1);
    QCOMPARE(m_hook->keys.count(), 0);
}

void TestQHookLocal::theMissingHookIsLoggedOnce()
{
    QTRY_COMPARE(noHookLines, 1);
    RecordingHook another;
    another.hookKeyboard();
    another.hookMouse();
    QCoreApplication::processEvents();
    QCOMPARE(noHookLines, 1);
}

// The hooks open the display the environment names. Qt is given the test's display on its command
// line instead, so only the hooks find none.
int main(int argc, char *argv[])
{
    QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        qFatal("The test needs an X server");
    qunsetenv("DISPLAY");
    QByteArray option("-display");
    std::vector<char *> arguments(argv, argv + argc);
    arguments.insert(arguments.begin() + 1, { option.data(), display.data() });
    int count = int(arguments.size());
    QGuiApplication app(count, arguments.data());
    TestQHookLocal test(display);
    return QTest::qExec(&test, count, arguments.data());
}

#include "tst_qhooklocal.moc"
