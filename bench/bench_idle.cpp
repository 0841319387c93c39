// CPU the whole program spends while it idles with three windows open and
// attached: the shell's process and every process below it, which are the
// engine's (Qt WebEngine's sub-processes; on the system's Chromium the browser
// and its sub-processes, where the pages' work is). Prints CPU seconds over
// the idle span and the share of one core, first with the engine started and
// no window (what the engine costs by itself), then with the three windows.
//
// Runs on the engine LUMEN_TEST_ENGINE chooses (unset: Qt WebEngine;
// "chromium": the system's Chromium); bench/both-engines.sh runs it on both.
// Run under X (xvfb-run) from the build tree: bench_idle [seconds]

#include "benchfigure.h"
#include "benchshell.h"
#include "processusage.h"
#include "window/qcefview.h"

#include <QTest>

#include <cstdio>

namespace {

const char page[] = R"(<!doctype html><html><body style="background:#246">idle</body></html>)";

double cpuSeconds()
{
    return ProcessUsage::cpuSeconds(QCoreApplication::applicationPid());
}

void measureIdle(const char *label, const char *figure, int seconds)
{
    const double before = cpuSeconds();
    QTest::qWait(seconds * 1000);
    const double used = cpuSeconds() - before;
    std::printf("%s: %.3f CPU s over %d s = %.3f %% of one core\n", label, used, seconds,
        100.0 * used / seconds);
    printFigure(figure, 100.0 * used / seconds, "% of one core");
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
    measureIdle("engine, no window", "idle CPU, no window", idleSeconds);

    const QString url = bench.pageUrl();
    windows->openWindow("lobby", "", "", url, "0,0,800,600", "Center", "VCenter", "", "", "");
    windows->openWindow("game", "lobby", "", url, "20,60,780,580", "", "", "", "", "");
    windows->openWindow("chat", "lobby", "", url, "500,60,780,300", "", "", "", "", "1");
    if (!bench.waitAttached({ "lobby", "game", "chat" }))
        return 1;
    QTest::qWait(3000); // pages load and settle

    measureIdle("engine, 3 windows attached", "idle CPU, 3 windows", idleSeconds);
    return 0;
}
