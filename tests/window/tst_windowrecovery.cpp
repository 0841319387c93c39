#include "cef/cefbrowser.h"
#include "cef/qcefclient.h"
#include "cef/rendererwatchdog.h"
#include "engine/hangquestionview.h"
#include "enginetest.h"
#include "processtree.h"
#include "shellscene.h"
#include "testhttpserver.h"
#include "window/loadfailurerecovery.h"
#include "window/qcefview.h"

#include <QBuffer>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QTcpServer>

#include <signal.h>

namespace {

// Browsers appear, load and close on the engine's own time.
constexpr int kEngineTimeout = 20000;

const char reportingPage[]
    = "<!doctype html><html><body><script>callQML('loaded', '', '');</script></body></html>";
// Reports, then keeps its renderer busy for good.
const char hangingPage[] = "<!doctype html><html><body><script>callQML('loaded', '', '');"
                           "setTimeout(function () { for (;;) {} }, 500);</script></body></html>";

// Reports its state before and after its script holds its renderer for the given milliseconds.
const char blockingPage[] = "<!doctype html><html><body><script>var state = String(Math.random());"
                            "callQML('page', 'before', state);"
                            "for (var until = Date.now() + %1; Date.now() < until;) {}"
                            "callQML('page', 'after', state);</script>up</body></html>";

bool showsErrorPage(const WindowRecord &record)
{
    return record.client->getBrowser()->url().startsWith(QLatin1String("data:"));
}

// Whether the window is the page's, or one put into it: the engine may draw the shell's question
// over its page in a window of the shell's own, inside the page's or inside a window the page
// holds. Windows not made yet are left alone: asking their ids would make them.
bool isInPage(const QWindow *window, const QWindow *page)
{
    QList<WId> pageWindows { page->winId() };
    const QList<QWindow *> inside = page->findChildren<QWindow *>();
    for (const QWindow *child : inside) {
        if (child->handle())
            pageWindows.append(child->winId());
    }
    for (; window; window = window->parent()) {
        if (pageWindows.contains(window->winId()))
            return true;
    }
    return false;
}

HangQuestionView *hangQuestionOf(const WindowRecord &record)
{
    const QWindow *page = record.client->getBrowser()->window();
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        const QList<HangQuestionView *> questions = window->findChildren<HangQuestionView *>();
        for (HangQuestionView *question : questions) {
            if (page && question->isVisible() && isInPage(question->window()->windowHandle(), page))
                return question;
        }
    }
    return nullptr;
}

// The ids and requests of the bridge calls a window's pages made, in order.
QStringList callsOf(const QSignalSpy &reports)
{
    QStringList calls;
    for (const QList<QVariant> &report : reports) {
        const QJsonObject call = QJsonDocument::fromJson(report.value(0).toByteArray()).object();
        calls << call.value(QStringLiteral("id")).toString() + QLatin1Char(' ')
                + call.value(QStringLiteral("request")).toString();
    }
    return calls;
}

// A bitmap of 3 MB: the page's load ends only once it has come whole.
QByteArray largeImage()
{
    QImage image(1024, 1024, QImage::Format_RGB888);
    image.fill(Qt::darkCyan);
    QBuffer bitmap;
    bitmap.open(QIODevice::WriteOnly);
    image.save(&bitmap, "BMP");
    return bitmap.data();
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
// reached) come back by themselves, or show the shell's own error page: what
// Chromium reports of real dead renderers, failed and slow lines and blocked
// pages. The recovery rules themselves are tested on the fake engine
// (tst_enginelesswindows).
class TestWindowRecovery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void deadRendererReloadsUntilItDiesTooOften();
    void failedPageShowsTheErrorPage_data();
    void failedPageShowsTheErrorPage();
    void hungPageIsEndedAndReloaded();
    void serverThatNeverAnswersGetsTheErrorPage();
    void slowLinesLoadTheirPages_data();
    void slowLinesLoadTheirPages();
    void pageBlockingAtStartComesUp();
    void longBlockedPagesAreAskedAboutAndKept();

private:
    WindowRecord *openWindow(
        const QString &url, const QString &name = QStringLiteral("page"), bool visible = false);

    ShellScene m_shell;
    TestHttpServer m_server;
    QCefView *m_windows = nullptr;
    std::unique_ptr<QSignalSpy> m_reports;
    // Of every window opened by the test, by name.
    QHash<QString, std::shared_ptr<QSignalSpy>> m_windowReports;
};

void TestWindowRecovery::initTestCase()
{
    QGuiApplication::setQuitOnLastWindowClosed(false);
    // A second trusted site, in a render process of its own.
    PolicySettings::program().addTrustedOrigin(QStringLiteral("game.localhost"));
    QVERIFY(m_server.listen());
    m_server.setPage(QStringLiteral("/report.html"), reportingPage);
    QVERIFY(m_shell.start());
    m_windows = m_shell.windows();
}

void TestWindowRecovery::cleanup()
{
    QVERIFY(m_shell.closeWindows(m_windowReports.keys()));
    m_reports.reset();
    m_windowReports.clear();
}

// Attached; every bridge call of its pages is counted in m_reports.
// Hidden unless asked, as the shell opens its start-up window.
WindowRecord *TestWindowRecovery::openWindow(const QString &url, const QString &name, bool visible)
{
    m_windows->openWindow(name, QString(), QString(), url, QStringLiteral("0,0,300,200"), QString(),
        QString(), QString(), QString(), QString(), visible);
    m_reports = std::make_unique<QSignalSpy>(
        m_windows->findWindow(name)->client.data(), &QCefClient::sgWebMsgReceived);
    m_windowReports.insert(name,
        std::make_shared<QSignalSpy>(
            m_windows->findWindow(name)->client.data(), &QCefClient::sgWebMsgReceived));
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
    // Every renderer dies at once, Chromium's spare one too: the error page may be given that
    // one and die as well, which the shell answers with the failed page again. What the shell
    // chose is taken right after it heard of the third death.
    const auto *failures = record->client->findChild<LoadFailureRecovery *>();
    QVERIFY(failures);
    QList<bool> errorPageChosen;
    const QObject watching;
    connect(record->client.data(), &QCefClient::sgRenderProcessTerminated, &watching,
        [&errorPageChosen, failures] { errorPageChosen << failures->isShowingErrorPage(); });
    QVERIFY(killRenderers() > 0);
    QTRY_VERIFY_WITH_TIMEOUT(!errorPageChosen.isEmpty(), kEngineTimeout);
    QVERIFY(errorPageChosen.constFirst());
    QTRY_VERIFY_WITH_TIMEOUT(showsErrorPage(*record) || errorPageChosen.size() > 1, kEngineTimeout);
    if (errorPageChosen.size() == 1)
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

// Only a page on screen is watched; the player is asked, and Reload ends and reloads it.
void TestWindowRecovery::hungPageIsEndedAndReloaded()
{
    m_server.setPage(QStringLiteral("/hang.html"), hangingPage);
    WindowRecord *record
        = openWindow(m_server.url(QStringLiteral("/hang.html")), QStringLiteral("page"), true);
    QVERIFY(record);
    QTRY_COMPARE_WITH_TIMEOUT(m_reports->count(), 1, kEngineTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(hangQuestionOf(*record), 2 * RendererWatchdog::kUnansweredLimitMs);
    QCOMPARE(m_reports->count(), 1);
    auto *reload = hangQuestionOf(*record)->findChild<QPushButton *>(QStringLiteral("reload"));
    QVERIFY(reload);
    QTest::mouseClick(reload, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_reports->count(), 2, kEngineTimeout);
    QVERIFY(!showsErrorPage(*record));
    QVERIFY(!hangQuestionOf(*record));
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

void TestWindowRecovery::slowLinesLoadTheirPages_data()
{
    QTest::addColumn<int>("spreadMs");
    QTest::newRow("over 30 s") << 30000;
    QTest::newRow("over 60 s") << 60000;
}

// Three windows at once: the start-up window, hidden behind the splash, whose HTML trickles;
// a hidden window whose page waits for a script of 3 MB; a window on screen whose page waits
// for an image of 3 MB. Each loads in the end, and none ever shows the error page.
void TestWindowRecovery::slowLinesLoadTheirPages()
{
    QFETCH(int, spreadMs);
    const QString tag = QString::number(spreadMs);
    TestHttpServer::Response html;
    html.body = "<!doctype html><html><body>";
    for (int line = 0; line < 300; ++line)
        html.body += "<p>" + QByteArray(80, 'x') + "</p>\n";
    html.body += "<script>callQML('login', 'loaded', '')</script></body></html>";
    html.chunkSize = 4096;
    html.spreadMs = spreadMs;
    m_server.setResponse("/slow-" + tag + ".html", html);
    TestHttpServer::Response script;
    script.body = "var filler = '" + QByteArray(3 << 20, 'a') + "';";
    script.contentType = "application/javascript";
    script.spreadMs = spreadMs;
    m_server.setResponse("/slow-" + tag + ".js", script);
    TestHttpServer::Response image;
    image.body = largeImage();
    image.contentType = "image/bmp";
    image.chunkSize = 65536;
    image.spreadMs = spreadMs;
    m_server.setResponse("/slow-" + tag + ".bmp", image);
    m_server.setPage("/script-" + tag + ".html",
        "<!doctype html><html><body>top<script src='slow-" + tag.toLatin1()
            + ".js'></script><script>callQML('page', 'loaded', '')</script></body></html>");
    m_server.setPage("/image-" + tag + ".html",
        "<!doctype html><html><body><img src='slow-" + tag.toLatin1()
            + ".bmp'><script>addEventListener('load', function () {"
              "callQML('image', 'loaded', '') })</script></body></html>");

    const QStringList names { QStringLiteral("login"), QStringLiteral("page"),
        QStringLiteral("image") };
    QVERIFY(openWindow(m_server.url("/slow-" + tag + ".html"), names[0]));
    QVERIFY(openWindow(m_server.url("/script-" + tag + ".html"), names[1]));
    QVERIFY(openWindow(m_server.url("/image-" + tag + ".html"), names[2], true));
    QStringList errorPages;
    bool startupShownLoading = false;
    const auto loaded = [&] {
        for (const QString &name : names) {
            if (showsErrorPage(*m_windows->findWindow(name)) && !errorPages.contains(name))
                errorPages << name;
        }
        if (m_windowReports.value(names[0])->isEmpty())
            startupShownLoading = m_windows->findWindow(names[0])->window->isVisible();
        return std::all_of(names.cbegin(), names.cend(),
            [this](const QString &name) { return !m_windowReports.value(name)->isEmpty(); });
    };
    QVERIFY(QTest::qWaitFor(loaded, spreadMs + kEngineTimeout));
    QVERIFY2(errorPages.isEmpty(), qPrintable(errorPages.join(QLatin1Char(' '))));
    QVERIFY(startupShownLoading);
    for (const char *path : { "/slow-%1.html", "/slow-%1.js", "/slow-%1.bmp" })
        QCOMPARE(m_server.requestCount(QString::fromLatin1(path).arg(tag)), 1);
}

// In the start-up window, hidden behind the splash, as a game building its level would.
void TestWindowRecovery::pageBlockingAtStartComesUp()
{
    m_server.setPage(
        QStringLiteral("/block25.html"), QByteArray(blockingPage).replace("%1", "25000"));
    WindowRecord *record
        = openWindow(m_server.url(QStringLiteral("/block25.html")), QStringLiteral("login"));
    QVERIFY(record);
    bool errorPage = false;
    const auto cameUp = [&] {
        errorPage = errorPage || showsErrorPage(*record);
        return m_reports->count() == 2;
    };
    QVERIFY(QTest::qWaitFor(cameUp, 25000 + kEngineTimeout));
    QVERIFY(!errorPage);
    QCOMPARE(m_server.requestCount(QStringLiteral("/block25.html")), 1);
    QTRY_VERIFY_WITH_TIMEOUT(record->window->isVisible(), kEngineTimeout);
    QVERIFY(!hangQuestionOf(*record));
}

// Two windows on screen, of two sites and so of two render processes, block for a minute:
// both are asked about; the player waits for one, and leaves the other's question up, which
// goes by itself when its page answers. Neither is reloaded.
void TestWindowRecovery::longBlockedPagesAreAskedAboutAndKept()
{
    const QByteArray page = QByteArray(blockingPage).replace("%1", "60000");
    m_server.setPage(QStringLiteral("/block60.html"), page);
    WindowRecord *waited
        = openWindow(m_server.url(QStringLiteral("/block60.html")), QStringLiteral("page"), true);
    WindowRecord *left = openWindow(
        m_server.url(QStringLiteral("game.localhost"), QStringLiteral("/block60.html")),
        QStringLiteral("image"), true);
    QVERIFY(waited && left);
    QSignalSpy &waitedReports = *m_windowReports.value(QStringLiteral("page"));
    QSignalSpy &leftReports = *m_windowReports.value(QStringLiteral("image"));

    QTRY_VERIFY_WITH_TIMEOUT(hangQuestionOf(*waited) && hangQuestionOf(*left), 55000);
    auto *wait = hangQuestionOf(*waited)->findChild<QPushButton *>(QStringLiteral("wait"));
    QVERIFY(wait);
    QTest::mouseClick(wait, Qt::LeftButton);
    // The question and the page's own word come back on two ways: a little apart.
    QElapsedTimer clock;
    clock.start();
    bool askedAgain = false;
    qint64 leftGoneAtMs = -1;
    qint64 leftAnsweredAtMs = -1;
    const auto answered = [&] {
        askedAgain = askedAgain || hangQuestionOf(*waited);
        if (leftGoneAtMs < 0 && !hangQuestionOf(*left))
            leftGoneAtMs = clock.elapsed();
        if (leftAnsweredAtMs < 0 && leftReports.count() == 2)
            leftAnsweredAtMs = clock.elapsed();
        return waitedReports.count() == 2 && leftAnsweredAtMs >= 0 && leftGoneAtMs >= 0;
    };
    QVERIFY(QTest::qWaitFor(answered, 30000));
    QVERIFY(!askedAgain);
    QVERIFY2(qAbs(leftGoneAtMs - leftAnsweredAtMs) < 2000,
        qPrintable(QStringLiteral("%1 %2").arg(leftGoneAtMs).arg(leftAnsweredAtMs)));
    for (const QSignalSpy *reports : { &waitedReports, &leftReports }) {
        const QStringList calls = callsOf(*reports);
        QCOMPARE(calls.value(0).section(QLatin1Char(' '), 1),
            calls.value(1).section(QLatin1Char(' '), 1));
        QVERIFY(calls.value(1).startsWith(QLatin1String("after ")));
    }
    QCOMPARE(m_server.requestCount(QStringLiteral("/block60.html")), 2);
}

LUMEN_ENGINE_TEST_MAIN(TestWindowRecovery)

#include "tst_windowrecovery.moc"
