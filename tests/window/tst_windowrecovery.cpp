#include "cef/cefbrowser.h"
#include "cef/qcefclient.h"
#include "cef/rendererwatchdog.h"
#include "enginetest.h"
#include "processtree.h"
#include "shellscene.h"
#include "testhttpserver.h"
#include "window/loadfailurerecovery.h"
#include "window/qcefview.h"

#include <QTcpServer>

#include <signal.h>

namespace {

// Browsers appear, load and close on the engine's own time.
constexpr int kEngineTimeout = 20000;
// Well before the first automatic retry, which comes after about 5 s.
constexpr int kBeforeAutomaticRetryMs = 3000;

const char reportingPage[]
    = "<!doctype html><html><body><script>callQML('loaded', '', '');</script></body></html>";
const QString followRetryLink
    = QStringLiteral("location.href = 'http://lumen-shell.invalid/retry'");
const char silentPage[] = "<!doctype html><html><body>down</body></html>";
// Reports, then keeps its renderer busy for good.
const char hangingPage[] = "<!doctype html><html><body><script>callQML('loaded', '', '');"
                           "setTimeout(function () { for (;;) {} }, 500);</script></body></html>";

bool showsErrorPage(const WindowRecord &record)
{
    return record.client->getBrowser()->url().startsWith(QLatin1String("data:"));
}

QByteArray commandLineOf(qint64 pid)
{
    QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(pid));
    return commandLine.open(QIODevice::ReadOnly) ? commandLine.readAll() : QByteArray();
}

// With one window open, the render processes of this test are its page's: the
// engine forks them from its sandboxed zygote, whose command line they keep.
int killRenderers()
{
    int killed = 0;
    const QList<qint64> processes = descendantProcesses(QCoreApplication::applicationPid());
    for (qint64 zygote : processes) {
        const QByteArray commandLine = commandLineOf(zygote);
        if (!commandLine.contains("--type=zygote") || commandLine.contains("--no-zygote-sandbox"))
            continue;
        const QList<qint64> renderers = descendantProcesses(zygote);
        for (qint64 pid : renderers)
            killed += ::kill(static_cast<pid_t>(pid), SIGKILL) == 0 ? 1 : 0;
    }
    return killed;
}

QString closedPortUrl()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort());
}

} // namespace

// Windows whose page is gone (its renderer died, the address cannot be
// reached) come back by themselves, or show the shell's own error page.
class TestWindowRecovery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void deadRendererReloadsUntilItDiesTooOften();
    void failedPageShowsTheErrorPage_data();
    void failedPageShowsTheErrorPage();
    void errorPageRetriesUntilThePageLoads();
    void startupErrorPageTakesOverFromTheSplash();
    void hungPageIsEndedAndReloaded();
    void serverThatNeverAnswersGetsTheErrorPage();

private:
    WindowRecord *openWindow(
        const QString &url, const QString &name = QStringLiteral("page"), bool visible = false);

    ShellScene m_shell;
    TestHttpServer m_server;
    QCefView *m_windows = nullptr;
    std::unique_ptr<QSignalSpy> m_reports;
};

void TestWindowRecovery::initTestCase()
{
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QVERIFY(m_server.listen());
    m_server.setPage(QStringLiteral("/report.html"), reportingPage);
    QVERIFY(m_shell.start());
    m_windows = m_shell.windows();
}

void TestWindowRecovery::cleanup()
{
    QVERIFY(m_shell.closeWindows({ QStringLiteral("page"), QStringLiteral("login") }));
    m_reports.reset();
}

// Attached; every bridge call of its pages is counted in m_reports.
// Hidden unless asked, as the shell opens its start-up window.
WindowRecord *TestWindowRecovery::openWindow(const QString &url, const QString &name, bool visible)
{
    m_windows->openWindow(name, QString(), QString(), url, QStringLiteral("0,0,300,200"), QString(),
        QString(), QString(), QString(), QString(), visible);
    m_reports = std::make_unique<QSignalSpy>(
        m_windows->findWindow(name)->client.data(), &QCefClient::sgWebMsgReceived);
    const bool attached = QTest::qWaitFor(
        [this, name] { return m_windows->findWindow(name)->window; }, kEngineTimeout);
    return attached ? m_windows->findWindow(name) : nullptr;
}

void TestWindowRecovery::deadRendererReloadsUntilItDiesTooOften()
{
    WindowRecord *record = openWindow(m_server.url(QStringLiteral("/report.html")));
    QVERIFY(record);
    QTRY_COMPARE_WITH_TIMEOUT(m_reports->count(), 1, kEngineTimeout);
    for (int reload = 1; reload <= 2; ++reload) {
        QVERIFY(killRenderers() > 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_reports->count(), 1 + reload, kEngineTimeout);
    }
    QVERIFY(killRenderers() > 0);
    QTRY_VERIFY_WITH_TIMEOUT(showsErrorPage(*record), kEngineTimeout);
    QCOMPARE(m_reports->count(), 3);
}

void TestWindowRecovery::failedPageShowsTheErrorPage_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("HTTP error status") << m_server.url(QStringLiteral("/absent.html"));
    QTest::newRow("refused connection") << closedPortUrl();
    QTest::newRow("name not resolved") << QStringLiteral("http://portal.invalid/");
}

void TestWindowRecovery::failedPageShowsTheErrorPage()
{
    QFETCH(QString, url);
    WindowRecord *record = openWindow(url);
    QVERIFY(record);
    QTRY_VERIFY2_WITH_TIMEOUT(
        showsErrorPage(*record), qPrintable(record->client->getBrowser()->url()), kEngineTimeout);
}

void TestWindowRecovery::errorPageRetriesUntilThePageLoads()
{
    const QString path = QStringLiteral("/flaky.html");
    m_server.setPage(path, silentPage, 503);
    WindowRecord *record = openWindow(m_server.url(path));
    QVERIFY(record);
    QTRY_VERIFY_WITH_TIMEOUT(showsErrorPage(*record), kEngineTimeout);
    m_server.setPage(path, reportingPage);
    QTRY_COMPARE_WITH_TIMEOUT(m_reports->count(), 1, kEngineTimeout);
    QVERIFY(!showsErrorPage(*record));

    // The shell's links do nothing from any other page.
    const int requests = m_server.requestCount(path);
    CefBrowser *browser = record->client->getBrowser().data();
    browser->executeJavaScript(followRetryLink);
    QTest::qWait(kBeforeAutomaticRetryMs);
    QCOMPARE(m_server.requestCount(path), requests);

    // Retry loads at once.
    m_server.setPage(path, silentPage, 503);
    m_windows->reload(QStringLiteral("page"));
    QTRY_VERIFY_WITH_TIMEOUT(showsErrorPage(*record), kEngineTimeout);
    m_server.setPage(path, reportingPage);
    browser->executeJavaScript(followRetryLink);
    QTRY_COMPARE_WITH_TIMEOUT(m_reports->count(), 2, kBeforeAutomaticRetryMs);
}

void TestWindowRecovery::startupErrorPageTakesOverFromTheSplash()
{
    QSignalSpy logoCloses(m_windows, &QCefView::sgCloseLogo);
    WindowRecord *record = openWindow(closedPortUrl(), QStringLiteral("login"));
    QVERIFY(record);
    QTRY_VERIFY_WITH_TIMEOUT(showsErrorPage(*record), kEngineTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(logoCloses.count(), 1, kEngineTimeout);
    QVERIFY(record->window->isVisible());
}

// Only a page on screen is watched.
void TestWindowRecovery::hungPageIsEndedAndReloaded()
{
    m_server.setPage(QStringLiteral("/hang.html"), hangingPage);
    WindowRecord *record
        = openWindow(m_server.url(QStringLiteral("/hang.html")), QStringLiteral("page"), true);
    QVERIFY(record);
    QTRY_COMPARE_WITH_TIMEOUT(m_reports->count(), 1, kEngineTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(
        m_reports->count(), 2, 2 * RendererWatchdog::kUnansweredLimitMs + kEngineTimeout);
    QVERIFY(!showsErrorPage(*record));
}

// The server takes the connection and keeps it, silent.
void TestWindowRecovery::serverThatNeverAnswersGetsTheErrorPage()
{
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    QSignalSpy logoCloses(m_windows, &QCefView::sgCloseLogo);
    WindowRecord *record = openWindow(
        QStringLiteral("http://127.0.0.1:%1/").arg(silent.serverPort()), QStringLiteral("login"));
    QVERIFY(record);
    QTRY_VERIFY_WITH_TIMEOUT(
        showsErrorPage(*record), LoadFailureRecovery::kAnswerLimitMs + kEngineTimeout);
    QVERIFY(silent.hasPendingConnections());
    QTRY_COMPARE_WITH_TIMEOUT(logoCloses.count(), 1, kEngineTimeout);
}

LUMEN_ENGINE_TEST_MAIN(TestWindowRecovery)

#include "tst_windowrecovery.moc"
