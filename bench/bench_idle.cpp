// CPU the shell's main process spends while it idles with three windows
// open and attached: the engine needs no pumping, so the shell should cost
// next to nothing. Prints CPU seconds over the idle span and the share of one
// core, first with the engine started and no window (what the engine costs
// by itself), then with the three windows.
//
// Run under X (xvfb-run) from the build tree: bench_idle [seconds]

#include "benchshell.h"
#include "window/qcefview.h"

#include <QTest>

#include <cstdio>
#include <ctime>

namespace {

const char page[] = R"(<!doctype html><html><body style="background:#246">idle</body></html>)";

bool allAttached(const QStringList &names)
{
    for (const QString &name : names) {
        const WindowRecord *record = QCefView::instance()->findWindow(name);
        if (!record || !record->window)
            return false;
    }
    return true;
}

double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

void measureIdle(const char *label, int seconds)
{
    const double before = cpuSeconds();
    QTest::qWait(seconds * 1000);
    const double used = cpuSeconds() - before;
    std::printf("%s: %.3f CPU s over %d s = %.3f %% of one core\n", label, used, seconds,
        100.0 * used / seconds);
}

} // namespace

int main(int argc, char *argv[])
{
    BenchShell bench(argc, argv, page);
    const int idleSeconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 30;
    if (!bench.start())
        return 1;
    QCefView *windows = bench.windows();

    QTest::qWait(3000);
    measureIdle("engine, no window", idleSeconds);

    const QString url = bench.pageUrl();
    windows->openWindow("lobby", "", "", url, "0,0,800,600", "Center", "VCenter", "", "", "");
    windows->openWindow("game", "lobby", "", url, "20,60,780,580", "", "", "", "", "");
    windows->openWindow("chat", "lobby", "", url, "500,60,780,300", "", "", "", "", "1");
    const QStringList names { "lobby", "game", "chat" };
    for (int waited = 0; !allAttached(names) && waited < 30000; waited += 100)
        QTest::qWait(100);
    if (!allAttached(names)) {
        std::fprintf(stderr, "the windows were not attached\n");
        return 1;
    }
    QTest::qWait(3000); // pages load and settle

    measureIdle("engine, 3 windows attached", idleSeconds);
    return 0;
}
