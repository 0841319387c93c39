#include "screencolour.h"
#include "shellscene.h"
#include "testhttpserver.h"
#include "window/qcefview.h"
#include "window/windowrecord.h"

#include <QGuiApplication>
#include <QtTest>

// A window a page asks for, on whatever scale the desktop runs at (the suite
// runs this at 96 and at 192 dpi): its page lays out in the units it asked
// in, rendered at the screen's own pixel ratio.
class TestHiDpiWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void pageLaysOutInTheRequestedSizeAtTheScreensRatio();

private:
    ShellScene m_shell;
    TestHttpServer m_server;
};

void TestHiDpiWindows::initTestCase()
{
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QVERIFY(m_server.listen());
    // A blue block of a quarter of the window's units over a red page.
    m_server.setPage(QStringLiteral("/"),
        "<!doctype html><html><body style='margin:0;background:rgb(200,30,40)'>"
        "<div style='position:fixed;left:0;top:0;width:200px;height:150px;"
        "background:rgb(30,40,200)'></div></body></html>");
    QVERIFY(m_shell.start());
}

// Seen on the screen, whichever engine draws it: the page's units are the window's, so the
// block ends where the window's 200 and 150 units do.
void TestHiDpiWindows::pageLaysOutInTheRequestedSizeAtTheScreensRatio()
{
    const QColor red(200, 30, 40);
    const QColor blue(30, 40, 200);
    QCefView *windows = m_shell.windows();
    windows->openWindow(QStringLiteral("scaled"), QString(), QString(),
        m_server.url(QStringLiteral("/")), QStringLiteral("0,0,400,300"), QString(), QString(),
        QString(), QString(), QString(), true);
    QTRY_VERIFY_WITH_TIMEOUT(windows->findWindow(QStringLiteral("scaled"))->window, 20000);

    QTRY_VERIFY_WITH_TIMEOUT(sameColour(screenColourAt(QPoint(196, 146)), blue), 20000);
    QVERIFY(sameColour(screenColourAt(QPoint(204, 146)), red));
    QVERIFY(sameColour(screenColourAt(QPoint(196, 154)), red));
    QVERIFY(sameColour(screenColourAt(QPoint(396, 296)), red));
    QVERIFY(m_shell.closeWindows({ QStringLiteral("scaled") }));
}

QTEST_MAIN(TestHiDpiWindows)
#include "tst_hidpiwindows.moc"
