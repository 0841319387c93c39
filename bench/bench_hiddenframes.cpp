// Animation frames per second of a game page in a shell window while it shows, while it is
// minimised, while the whole shell is hidden (F8) and once it shows again. A page out of sight
// should get none, as a browser's tab in the background; shown, it gets the display's rate. The
// page counts its frames and reports each whole second; the first second after a change is left
// out, and the mean of the rest is printed.
//
// Run under X (xvfb-run) from the build tree: bench_hiddenframes [seconds per phase]

#include "benchshell.h"
#include "window/qcefview.h"
#include "window/windowrecord.h"

#include <QTest>

#include <cstdio>
#include <functional>

namespace {

const char page[] = R"html(<!doctype html><html><body style="margin:0;background:#246"><script>
let frames = 0;
requestAnimationFrame(function count() { ++frames; requestAnimationFrame(count); });
setInterval(function () { fetch('/frames/' + frames, { cache: 'no-store' }); frames = 0; }, 1000);
</script></body></html>)html";

// The mean of the page's reports over seconds whole seconds, the first one after the change left
// out; -1 when the page stopped reporting.
double framesPerSecond(const TestHttpServer &server, int seconds)
{
    QList<int> counts;
    const QMetaObject::Connection connection
        = QObject::connect(&server, &TestHttpServer::sgRequested, [&](const QString &path) {
              if (path.startsWith(QLatin1String("/frames/")))
                  counts.append(path.mid(8).toInt());
          });
    const bool reported
        = QTest::qWaitFor([&] { return counts.size() > seconds; }, (seconds + 5) * 1000);
    QObject::disconnect(connection);
    if (!reported)
        return -1;
    double sum = 0;
    for (int second = 1; second <= seconds; ++second)
        sum += counts.at(second);
    return sum / seconds;
}

} // namespace

int main(int argc, char *argv[])
{
    BenchShell bench(argc, argv, page);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 5;
    if (!bench.start())
        return 1;
    QCefView *windows = bench.windows();
    windows->openWindow(
        "game", "", "", bench.pageUrl(), "0,0,800,600", "Center", "VCenter", "", "", "");
    if (!QTest::qWaitFor([&] { return windows->findWindow("game")->window; }, 30000)
        || framesPerSecond(bench.server(), 1) < 0) {
        std::fprintf(stderr, "the game window did not show its page\n");
        return 1;
    }
    QWindow *window = windows->findWindow("game")->window;
    const std::pair<const char *, std::function<void()>> phases[] = {
        { "shown", [] {} },
        { "minimised", [window] { window->setWindowState(Qt::WindowMinimized); } },
        { "shown again", [window] { window->setWindowState(Qt::WindowNoState); } },
        { "hidden with the shell (F8)", [windows] { windows->setWindowHidden(true); } },
        { "shown again", [windows] { windows->setWindowHidden(false); } },
    };
    for (const auto &[label, change] : phases) {
        change();
        const double rate = framesPerSecond(bench.server(), seconds);
        if (rate < 0) {
            std::fprintf(stderr, "%s: the page stopped reporting\n", label);
            return 1;
        }
        std::printf("%s: %.1f animation frames/s over %d s\n", label, rate, seconds);
        std::fflush(stdout);
    }
    bench.scene().closeWindows({ "game" });
    return 0;
}
