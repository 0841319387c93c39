#include "tools/screensaverinhibitor.h"

#include <QGuiApplication>
#include <QtTest>

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

// Without a session bus, the X screen-saver extension holds the screen saver off: the X server's
// own saver, set to start after a second, stays off while inhibited and starts once let go.
class TestScreenSaverInhibitor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void extensionHoldsTheSaverOffWithoutABus();

private:
    bool saverIsOn() const;

    Display *m_display = nullptr;
};

void TestScreenSaverInhibitor::initTestCase()
{
    m_display = XOpenDisplay(nullptr);
    QVERIFY(m_display);
    int event = 0;
    int error = 0;
    if (!XScreenSaverQueryExtension(m_display, &event, &error))
        QSKIP("the X server has no screen-saver extension");
    XSetScreenSaver(m_display, 1, 0, PreferBlanking, AllowExposures);
    XSync(m_display, False);
}

// Other tests share the X server and read its pixels.
void TestScreenSaverInhibitor::cleanupTestCase()
{
    if (!m_display)
        return;
    XSetScreenSaver(m_display, 0, 0, PreferBlanking, AllowExposures);
    XResetScreenSaver(m_display);
    XCloseDisplay(m_display);
}

bool TestScreenSaverInhibitor::saverIsOn() const
{
    XScreenSaverInfo *info = XScreenSaverAllocInfo();
    XScreenSaverQueryInfo(m_display, DefaultRootWindow(m_display), info);
    const bool on = info->state == ScreenSaverOn;
    XFree(info);
    return on;
}

void TestScreenSaverInhibitor::extensionHoldsTheSaverOffWithoutABus()
{
    ScreenSaverInhibitor inhibitor;
    inhibitor.setInhibited(true);
    XResetScreenSaver(m_display);
    XSync(m_display, False);
    QTest::qWait(2500);
    QVERIFY(!saverIsOn());

    inhibitor.setInhibited(false);
    QTRY_VERIFY_WITH_TIMEOUT(saverIsOn(), 5000);
}

int main(int argc, char *argv[])
{
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/lumen-test-bus");
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    TestScreenSaverInhibitor test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screensaverinhibitor.moc"
