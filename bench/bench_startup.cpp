// Start-up time of the real program, on the engine its config.ini names, and
// beside it on Qt WebEngine the least a Qt WebEngine program does to show a
// page: wall time from starting the built lumen until its first window's page
// has loaded and the bridge has answered that page's first request (the page
// then tells this program's loopback server), and from starting
// startup_bareview (one QML view of the engine's own, beside this program)
// until the same site's page has loaded (that page tells the server from its
// load event). Prints each run, then for each side the median, minimum and
// maximum over the runs, and the program's median over the bare one's.
//
// The program runs as tst_startup runs it: a copy of it and of the engine's
// sub-process program in a temporary program folder, the user's folders
// redirected beside it, the portal's domain set with lumen_config to a name
// under .localhost, which the engine takes for the loopback address and the
// program trusts as the portal's own site, and the engine set as
// LUMEN_TEST_ENGINE chooses (unset: Qt WebEngine; "chromium": the system's
// Chromium); bench/both-engines.sh runs it on both. The bare view is a Qt
// WebEngine program and no yardstick for the system's Chromium, so it runs on
// Qt WebEngine only. The bare view gets the same user's folders and keeps its
// profile on disk there. The two take turns, so that both see the machine as
// loaded as it is. The first round, from empty folders, only warms up (disk
// cache, the engine's first set-up) and is not counted. The measured runs keep
// the same folders, as a user's starts keep theirs: each finds the engine's
// cache and storage of the run before. Each run ends with SIGTERM, as a logout
// ends it, and is waited for before the next starts, since a second start
// would hand over to the first.
//
// With BENCH_STARTUP_TIMELINE=1 both sides also print the last run's timeline:
// each line the programs write to standard error (lumen's start-up log with
// its lumen.* debug lines, the bare view's own), at the milliseconds since its
// launch. The lines cost time themselves: take the figures from a run without it.
//
// Finds the programs in LUMEN_BIN_DIR, else in the build's bin/ (two folders
// up from this one).
// Run under X (xvfb-run) from the build tree: bench_startup [runs]

#include "answeringportal.h"
#include "benchfigure.h"
#include "programcopy.h"
#include "testengine.h"
#include "testhttpserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const int startTimeoutMs = 60000;
const int exitTimeoutMs = 30000;

QString binDir()
{
    const QString configured = qEnvironmentVariable("LUMEN_BIN_DIR");
    if (!configured.isEmpty())
        return configured;
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../../bin"));
}

bool timelineAsked()
{
    return qEnvironmentVariableIntValue("BENCH_STARTUP_TIMELINE") == 1;
}

// The user's folders, redirected into root.
QProcessEnvironment userEnvironment(const QTemporaryDir &root)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), root.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), root.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), root.filePath(QStringLiteral("cache")));
    if (timelineAsked()) {
        // The boot time is the monotonic clock's, which QElapsedTimer reads too.
        environment.insert(QStringLiteral("QT_MESSAGE_PATTERN"),
            QStringLiteral("%{time boot} [%{category}] %{message}"));
        environment.insert(QStringLiteral("QT_LOGGING_RULES"),
            QStringLiteral("lumen.*.debug=true\nbench.bareview.debug=true"));
    }
    return environment;
}

void prepare(QProcess &lumen, const QTemporaryDir &root)
{
    lumen.setProgram(root.filePath(QStringLiteral("app/lumen")));
    lumen.setProcessEnvironment(userEnvironment(root));
    lumen.setStandardOutputFile(QProcess::nullDevice());
}

// The program turns the engine's sandbox off itself where Chromium refuses it.
void prepareBare(QProcess &bare, const QTemporaryDir &root, const QString &address)
{
    bare.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/startup_bareview"));
    bare.setArguments({ address });
    QProcessEnvironment environment = userEnvironment(root);
    if (::geteuid() == 0)
        environment.insert(
            QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"), QStringLiteral("--no-sandbox"));
    bare.setProcessEnvironment(environment);
    bare.setStandardOutputFile(QProcess::nullDevice());
}

// Milliseconds from the start to the beacon's arrival; -1 when it did not
// arrive. The time is taken as the server reads the request, not on a poll.
// launchedAt: the monotonic clock's milliseconds at the start.
qint64 timeStart(QProcess &lumen, TestHttpServer &server, qint64 &launchedAt)
{
    QEventLoop loop;
    QElapsedTimer clock;
    qint64 readyAt = -1;
    QObject::connect(&server, &TestHttpServer::sgRequested, &loop, [&](const QString &path) {
        if (path == QLatin1String("/ready") && readyAt < 0) {
            readyAt = clock.elapsed();
            loop.quit();
        }
    });
    QObject::connect(&lumen, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop,
        &QEventLoop::quit);
    QTimer::singleShot(startTimeoutMs, &loop, &QEventLoop::quit);
    clock.start();
    launchedAt = clock.msecsSinceReference();
    lumen.start();
    loop.exec();
    return readyAt;
}

// False when the program had ended already or had to be killed.
bool stop(QProcess &lumen)
{
    if (lumen.state() == QProcess::NotRunning)
        return false;
    lumen.terminate();
    if (lumen.waitForFinished(exitTimeoutMs))
        return true;
    lumen.kill();
    lumen.waitForFinished();
    return false;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Each line that begins with a boot time, at its milliseconds since launchedAt.
void printTimeline(const char *label, const QByteArray &output, qint64 launchedAt, qint64 readyMs)
{
    static const QRegularExpression stamped(QStringLiteral("^\\s*(\\d+\\.\\d+) (.*)$"));
    std::printf("%s, timeline of the last run (ms since launch):\n", label);
    const QStringList lines = QString::fromUtf8(output).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QRegularExpressionMatch match = stamped.match(line);
        if (!match.hasMatch())
            continue;
        const qint64 at = qint64(match.captured(1).toDouble() * 1000) - launchedAt;
        std::printf("%6lld  %s\n", static_cast<long long>(at), qPrintable(match.captured(2)));
    }
    std::printf("%6lld  the page's beacon reached the server\n", static_cast<long long>(readyMs));
}

// Milliseconds of one run, -1 when it failed (said on standard error).
qint64 measure(QProcess &process, TestHttpServer &server, const char *label, int run, int runs)
{
    qint64 launchedAt = 0;
    const qint64 elapsed = timeStart(process, server, launchedAt);
    const bool ended = stop(process);
    if (elapsed < 0) {
        std::fprintf(stderr, "%s, run %d: no answer within %d s; its output:\n%s\n", label, run,
            startTimeoutMs / 1000, process.readAllStandardError().constData());
        return -1;
    }
    if (!ended)
        std::fprintf(
            stderr, "%s, run %d: it had ended already, or SIGTERM did not end it\n", label, run);
    if (run == runs && timelineAsked())
        printTimeline(label, process.readAllStandardError(), launchedAt, elapsed);
    return elapsed;
}

void printFigures(const char *label, const std::vector<double> &times)
{
    std::printf("%s: median %.0f ms, min %.0f ms, max %.0f ms\n", label, median(times),
        *std::min_element(times.begin(), times.end()),
        *std::max_element(times.begin(), times.end()));
}

// The bare view's page says it has loaded as soon as its load event comes.
const char bareLoadedPage[] = R"(<!doctype html><html><body><script>
window.addEventListener('load', function () { fetch('/ready', { cache: 'no-store' }); });
</script>portal</body></html>)";

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    // Where the program copy takes its programs and lumen_config from.
    qputenv("LUMEN_BIN_DIR", binDir().toLocal8Bit());

    QTemporaryDir root;
    TestHttpServer server;
    if (!root.isValid() || !server.listen()) {
        std::fprintf(stderr, "no temporary folder or no loopback port\n");
        return 1;
    }
    server.setPage(QStringLiteral("/"), answeringPortalPage);
    server.setPage(QStringLiteral("/bare.html"), bareLoadedPage);
    server.setPage(QStringLiteral("/ready"), "ready");
    const quint16 port = QUrl(server.url(QStringLiteral("/"))).port();
    const QString failure = installProgramCopy(root.filePath(QStringLiteral("app")), port);
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(failure));
        return 1;
    }
    const QString bareAddress = QStringLiteral("http://lumen.localhost:%1/bare.html").arg(port);
    const bool withBare = !TestEngine::isSystemChromium();

    std::printf("lumen from %s on %s: process start to first page loaded and its bridge request "
                "answered; bare QML view: process start to the page's load event\n",
        qgetenv("LUMEN_BIN_DIR").constData(), withBare ? "Qt WebEngine" : "the system's Chromium");
    if (!withBare)
        std::printf("bare view: not run, a Qt WebEngine view is no yardstick for the system's "
                    "Chromium\n");
    std::vector<double> times;
    std::vector<double> bareTimes;
    for (int run = 0; run <= runs; ++run) {
        QProcess lumen;
        prepare(lumen, root);
        const qint64 elapsed = measure(lumen, server, "lumen", run, runs);
        QProcess bare;
        prepareBare(bare, root, bareAddress);
        const qint64 bareElapsed = withBare ? measure(bare, server, "bare view", run, runs) : 0;
        if (elapsed < 0 || bareElapsed < 0)
            return 1;
        std::printf("%s: lumen %lld ms",
            run == 0 ? "warm-up" : qPrintable(QStringLiteral("run %1").arg(run)),
            static_cast<long long>(elapsed));
        if (withBare)
            std::printf(", bare view %lld ms", static_cast<long long>(bareElapsed));
        std::printf("\n");
        std::fflush(stdout);
        if (run > 0) {
            times.push_back(double(elapsed));
            bareTimes.push_back(double(bareElapsed));
        }
    }
    std::printf("%d runs each after 1 to warm up\n", runs);
    printFigures("lumen", times);
    printFigure("start-up to first page answered (median)", median(times), "ms");
    if (!withBare)
        return 0;
    printFigures("bare view", bareTimes);
    std::printf("lumen / bare view, medians: %.2f\n", median(times) / median(bareTimes));
    return 0;
}
