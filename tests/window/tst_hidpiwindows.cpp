#include "cef/cefbrowser.h"
#include "cef/qcefclient.h"
#include "enginetest.h"
#include "shellscene.h"
#include "testhttpserver.h"
#include "window/qcefview.h"
#include "window/windowrecord.h"

#include <QScreen>
#include <QWebEnginePage>

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
    m_server.setPage(QStringLiteral("/"), "<!doctype html><html><body></body></html>");
    QVERIFY(m_shell.start());
}

void TestHiDpiWindows::pageLaysOutInTheRequestedSizeAtTheScreensRatio()
{
    QCefView *windows = m_shell.windows();
    windows->openWindow(QStringLiteral("scaled"), QString(), QString(),
        m_server.url(QStringLiteral("/")), QStringLiteral("0,0,400,300"), QString(), QString(),
        QString(), QString(), QString(), true);
    QSignalSpy loadEnds(
        windows->findWindow(QStringLiteral("scaled"))->client.data(), &QCefClient::sgLoadEnd);
    QVERIFY(loadEnds.wait(20000));
    const WindowRecord *record = windows->findWindow(QStringLiteral("scaled"));
    QTRY_VERIFY_WITH_TIMEOUT(record->window, 20000);
    QWebEngineView *view = viewOf(*record->client->getBrowser());
    QVERIFY(view);

    QString layout;
    view->page()->runJavaScript(
        QStringLiteral("innerWidth + 'x' + innerHeight + ' at ' + devicePixelRatio"),
        [&layout](const QVariant &result) { layout = result.toString(); });
    QTRY_VERIFY_WITH_TIMEOUT(!layout.isEmpty(), 20000);
    const qreal ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
    QCOMPARE(layout, QStringLiteral("400x300 at %1").arg(ratio));
    QVERIFY(m_shell.closeWindows({ QStringLiteral("scaled") }));
}

QTEST_MAIN(TestHiDpiWindows)
#include "tst_hidpiwindows.moc"
