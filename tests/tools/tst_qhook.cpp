#include "focusedxclient.h"
#include "recordinghook.h"
#include "tools/hookevents.h"
#include "xtestinput.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

#include <X11/keysym.h>

#include <memory>

namespace {

// Where Qt puts a point of the X server: the test server has one screen, at the origin.
QPoint logical(const QPoint &devicePoint)
{
    return devicePoint / QGuiApplication::primaryScreen()->devicePixelRatio();
}

} // namespace

// The global hooks on the X server, fed through XTEST: every key and pointer event of the
// display reaches the handlers of the newest hook object, whichever program has the focus.
class TestQHook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void keysReachTheirHandlers_data();
    void keysReachTheirHandlers();
    void altTurnsKeysIntoSystemKeys();
    void pointerReachesItsHandlers_data();
    void pointerReachesItsHandlers();
    void inputOfAnotherFocusedProgramIsSeenAndPassedOn();
    void installingTwiceDeliversEachEventOnce();
    void unhookingStopsTheEvents();
    void aHandlerMayRemoveTheHook();
    void theNewestHookObjectReceives();

private:
    // Moves the pointer where it was not: one motion event, which ends a sequence.
    void moveSentinel();

    XTestInput m_input;
    std::unique_ptr<RecordingHook> m_hook;
    QPoint m_sentinel;
};

void TestQHook::initTestCase()
{
    QVERIFY(m_input.isOpen());
    QVERIFY2(m_input.hasExtension("RECORD"), "the test X server records input");
    QVERIFY2(m_input.hasExtension("XTEST"), "the test X server takes input through XTEST");
}

void TestQHook::init()
{
    m_input.movePointer(QPoint(5, 5));
    m_hook = std::make_unique<RecordingHook>();
    m_hook->hookKeyboard();
    m_hook->hookMouse();
}

void TestQHook::cleanup()
{
    m_hook.reset();
}

void TestQHook::moveSentinel()
{
    m_sentinel = m_sentinel == QPoint(20, 30) ? QPoint(30, 20) : QPoint(20, 30);
    m_input.movePointer(m_sentinel);
}

void TestQHook::keysReachTheirHandlers_data()
{
    QTest::addColumn<unsigned long>("keySym");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("scanCode");
    QTest::addColumn<int>("flags");

    QTest::newRow("F8") << (unsigned long)XK_F8 << 119 << 0x42 << 0;
    QTest::newRow("Escape") << (unsigned long)XK_Escape << 27 << 0x01 << 0;
    QTest::newRow("F11") << (unsigned long)XK_F11 << 122 << 0x57 << 0;
    QTest::newRow("letter") << (unsigned long)XK_a << 0x41 << 0x1E << 0;
    QTest::newRow("digit") << (unsigned long)XK_5 << 0x35 << 0x06 << 0;
    QTest::newRow("Return") << (unsigned long)XK_Return << 0x0D << 0x1C << 0;
    QTest::newRow("keypad digit without Num Lock")
        << (unsigned long)XK_KP_Home << 0x24 << 0x47 << 0;
    QTest::newRow("arrow") << (unsigned long)XK_Left << 0x25 << 0x4B << int(KeyEvent::Extended);
    QTest::newRow("Delete") << (unsigned long)XK_Delete << 0x2E << 0x53 << int(KeyEvent::Extended);
    QTest::newRow("right Control")
        << (unsigned long)XK_Control_R << 0xA3 << 0x1D << int(KeyEvent::Extended);
    QTest::newRow("keypad Enter") << (unsigned long)XK_KP_Enter << 0x0D << 0x1C
                                  << int(KeyEvent::Extended);
    QTest::newRow("left Shift") << (unsigned long)XK_Shift_L << 0xA0 << 0x2A << 0;
}

void TestQHook::keysReachTheirHandlers()
{
    QFETCH(unsigned long, keySym);
    QFETCH(int, key);
    QFETCH(int, scanCode);
    QFETCH(int, flags);

    m_input.tapKey(keySym);
    QTRY_COMPARE(m_hook->keys.count(), 2);
    QCOMPARE(m_hook->keys,
        QStringList({ keyLine("press", KeyEvent::KeyDown | flags, key, scanCode),
            keyLine("release", KeyEvent::KeyUp | flags, key, scanCode) }));
}

// A key pressed with Alt held goes down and up as a system key, each to its own handler.
void TestQHook::altTurnsKeysIntoSystemKeys()
{
    m_input.pressKey(XK_Alt_L);
    m_input.tapKey(XK_F8);
    m_input.releaseKey(XK_Alt_L);
    QTRY_COMPARE(m_hook->keys.count(), 4);
    QCOMPARE(m_hook->keys.first(), keyLine("press", KeyEvent::KeyDown, 0xA4, 0x38));
    QCOMPARE(m_hook->keys.mid(1, 2),
        QStringList({ keyLine("press", KeyEvent::SysKeyDown | KeyEvent::AltDown, 119, 0x42),
            keyLine("release", KeyEvent::SysKeyUp | KeyEvent::AltDown, 119, 0x42) }));
}

void TestQHook::pointerReachesItsHandlers_data()
{
    RecordingHook::addButtonRows();
}

// Every event carries the pointer's place in the coordinates of QCursor::pos().
void TestQHook::pointerReachesItsHandlers()
{
    QFETCH(unsigned int, button);
    QFETCH(QStringList, expected);
    const QPoint device(700, 500);

    m_input.movePointer(device);
    QTRY_COMPARE(m_hook->mice.count(), 1);
    QCOMPARE(m_hook->mice.first(), mouseLine("move", 1, 4, 0));
    QCOMPARE(m_hook->points.first(), logical(device));
    QCOMPARE(m_hook->points.first(), QCursor::pos());

    m_input.clickButton(button);
    moveSentinel();
    expected.prepend(mouseLine("move", 1, 4, 0));
    expected.append(mouseLine("move", 1, 4, 0));
    QTRY_COMPARE(m_hook->mice, expected);
    QVector<QPoint> points(expected.count() - 1, logical(device));
    points.append(logical(m_sentinel));
    QCOMPARE(m_hook->points, points);
}

void TestQHook::inputOfAnotherFocusedProgramIsSeenAndPassedOn()
{
    FocusedXClient other;
    QVERIFY(other.start(QRect(1000, 600, 200, 150)));
    QVERIFY(!QGuiApplication::focusWindow());

    m_input.tapKey(XK_F8);
    QTRY_COMPARE(m_hook->keys.count(), 2);
    QCOMPARE(m_hook->keys.first(), keyLine("press", KeyEvent::KeyDown, 119, 0x42));
    QVERIFY(other.waitForKeyPress("F8"));
    QVERIFY(other.hasFocus());

    const QPoint inOther(1100, 650);
    m_input.movePointer(inOther);
    m_input.clickButton(1);
    QTRY_COMPARE(m_hook->mice.count(), 3);
    QCOMPARE(m_hook->mice.at(1), mouseLine("press", 0, 1, 0));
    QCOMPARE(m_hook->points.at(1), logical(inOther));
}

void TestQHook::installingTwiceDeliversEachEventOnce()
{
    m_hook->hookKeyboard();
    m_hook->hookMouse();

    m_input.tapKey(XK_F8);
    moveSentinel();
    QTRY_COMPARE(m_hook->mice.count(), 1);
    QTRY_COMPARE(m_hook->keys.count(), 2);
    // The sentinel of the keyboard: another key, after which a second hook's copies would show.
    m_input.tapKey(XK_Escape);
    QTRY_COMPARE(m_hook->keys.count(), 4);
    QCOMPARE(m_hook->keys.at(2), keyLine("press", KeyEvent::KeyDown, 27, 0x01));
    QCOMPARE(m_hook->mice.count(), 1);
}

void TestQHook::unhookingStopsTheEvents()
{
    m_hook->unhookKeyboard();
    m_input.tapKey(XK_F8);
    moveSentinel();
    QTRY_COMPARE(m_hook->mice.count(), 1);
    QCOMPARE(m_hook->keys.count(), 0);

    m_hook->hookKeyboard();
    m_hook->unhookMouse();
    m_input.movePointer(QPoint(400, 400));
    m_input.tapKey(XK_F11);
    QTRY_COMPARE(m_hook->keys.count(), 2);
    QCOMPARE(m_hook->keys.first(), keyLine("press", KeyEvent::KeyDown, 122, 0x57));
    QCOMPARE(m_hook->mice.count(), 1);

    m_hook->hookMouse();
    moveSentinel();
    QTRY_COMPARE(m_hook->mice.count(), 2);
    QCOMPARE(m_hook->points.last(), logical(m_sentinel));
}

// Both events arrive in one read: the release must not reach the hook that is gone.
void TestQHook::aHandlerMayRemoveTheHook()
{
    m_hook->unhookOnKey = true;
    m_input.tapKey(XK_F8);
    QTRY_COMPARE(m_hook->keys.count(), 1);
    moveSentinel();
    QTRY_COMPARE(m_hook->mice.count(), 1);
    QCOMPARE(m_hook->keys.count(), 1);

    m_hook->unhookOnKey = false;
    m_hook->hookKeyboard();
    m_input.tapKey(XK_F8);
    QTRY_COMPARE(m_hook->keys.count(), 3);
}

// The hooks of the older object deliver to the newer one; once that is gone, to the older again.
void TestQHook::theNewestHookObjectReceives()
{
    auto newer = std::make_unique<RecordingHook>();
    m_input.tapKey(XK_F8);
    QTRY_COMPARE(newer->keys.count(), 2);
    QCOMPARE(m_hook->keys.count(), 0);

    newer.reset();
    m_input.tapKey(XK_F8);
    QTRY_COMPARE(m_hook->keys.count(), 2);
}

QTEST_MAIN(TestQHook)
#include "tst_qhook.moc"
