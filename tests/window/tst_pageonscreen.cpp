#include "cef/qcefclient.h"
#include "enginetest.h"
#include "screencolour.h"
#include "shellscene.h"
#include "testhttpserver.h"
#include "window/qcefview.h"

namespace {

// Browsers appear and draw on the engine's own time.
constexpr int kEngineTimeout = 20000;

const QColor kRed(200, 30, 40);

} // namespace

// What only the real engine on the X server shows: a window's page drawn
// edge to edge in its scene window, once that window shows. The window
// manager's own rules are tested on the fake engine (tst_qcefview).
class TestPageOnScreen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void browserFillsItsSceneWindowOnScreen();
    void pageOfAHiddenWindowPaintsOnceItShows();

private:
    ShellScene m_shell;
    TestHttpServer m_server;
};

void TestPageOnScreen::initTestCase()
{
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QVERIFY(m_server.listen());
    m_server.setPage(QStringLiteral("/red.html"),
        QByteArrayLiteral("<!doctype html><html><body style=\"margin:0;background:")
            + kRed.name().toLatin1() + QByteArrayLiteral("\"></body></html>"));
    QVERIFY(m_shell.start());
}

void TestPageOnScreen::cleanupTestCase()
{
    QVERIFY(m_shell.closeWindows({ QStringLiteral("onscreen"), QStringLiteral("hidden") }));
}

void TestPageOnScreen::browserFillsItsSceneWindowOnScreen()
{
    QCefView *windows = m_shell.windows();
    windows->openWindow(QStringLiteral("onscreen"), QString(), QString(),
        m_server.url(QStringLiteral("/red.html")), QStringLiteral("100,100,400,300"), QString(),
        QString(), QString(), QString(), QString());
    QTRY_VERIFY_WITH_TIMEOUT(
        windows->findWindow(QStringLiteral("onscreen"))->window, kEngineTimeout);
    WindowRecord *record = windows->findWindow(QStringLiteral("onscreen"));

    const QRect frame = record->window->geometry();
    QCOMPARE(frame, QRect(100, 100, 300, 200));
    QTRY_VERIFY_WITH_TIMEOUT(sameColour(screenColourAt(frame.center()), kRed), kEngineTimeout);
    QVERIFY(sameColour(screenColourAt(frame.topLeft() + QPoint(2, 2)), kRed));
    QVERIFY(sameColour(screenColourAt(frame.bottomRight() - QPoint(2, 2)), kRed));
    QVERIFY(!sameColour(screenColourAt(frame.bottomRight() + QPoint(3, 3)), kRed));

    // The page keeps filling the window as it grows.
    record->window->setWidth(400);
    QTRY_VERIFY_WITH_TIMEOUT(
        sameColour(screenColourAt(frame.topLeft() + QPoint(397, 100)), kRed), kEngineTimeout);
}

// As the start-up window waits hidden for its page: the page's window paints nothing meanwhile
// (Qt WebEngine's widgets paint only a window they take as mapped), and draws its page once
// shown.
void TestPageOnScreen::pageOfAHiddenWindowPaintsOnceItShows()
{
    QCefView *windows = m_shell.windows();
    windows->openWindow(QStringLiteral("hidden"), QString(), QString(),
        m_server.url(QStringLiteral("/red.html")), QStringLiteral("600,100,300,200"), QString(),
        QString(), QString(), QString(), QString(), false);
    WindowRecord *record = windows->findWindow(QStringLiteral("hidden"));
    QSignalSpy loadEnds(record->client.data(), &QCefClient::sgLoadEnd);
    QTRY_VERIFY_WITH_TIMEOUT(record->browserWindow && loadEnds.count() == 1, kEngineTimeout);
    if (!TestEngine::isSystemChromium()) {
        const QWidget *view = QWidget::find(record->browserWindow->winId());
        QVERIFY(view && !view->testAttribute(Qt::WA_Mapped));
    }

    record->window->setVisible(true);
    QTRY_VERIFY_WITH_TIMEOUT(
        sameColour(screenColourAt(record->window->geometry().center()), kRed), kEngineTimeout);
}

LUMEN_ENGINE_TEST_MAIN(TestPageOnScreen)
#include "tst_pageonscreen.moc"
