// Memory the whole program takes for its first window and for each further
// one, the engine's processes counted: the shell's process and every process
// below it (Qt WebEngine's sub-processes; on the system's Chromium the browser
// and its sub-processes). Memory is the proportional set size summed over the
// processes, so that pages shared between them count once. Measures the
// program with the engine started and no window, then after each window opens
// and its page settles; prints the growth for the first window and the
// median growth for the windows after it. Not the same as bench_windowmemory,
// which measures what closed windows leave behind.
//
// Runs on the engine LUMEN_TEST_ENGINE chooses (unset: Qt WebEngine;
// "chromium": the system's Chromium); bench/both-engines.sh runs it on both.
// Run under X (xvfb-run) from the build tree: bench_enginememory [windows]

#include "benchfigure.h"
#include "benchshell.h"
#include "processusage.h"
#include "window/qcefview.h"

#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const int settleMs = 3000;

const char page[] = R"(<!doctype html><html><body style="background:#246">window</body></html>)";

double programMegabytes()
{
    return ProcessUsage::proportionalMegabytes(QCoreApplication::applicationPid());
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    BenchShell bench(argc, argv, page);
    const int windows = argc > 1 ? std::max(2, QString::fromLocal8Bit(argv[1]).toInt()) : 6;
    if (!bench.start())
        return 1;
    QTest::qWait(settleMs);

    double before = programMegabytes();
    std::printf("engine started, no window: %.1f MB\n", before);
    std::vector<double> growths;
    for (int i = 1; i <= windows; ++i) {
        const QString name = QStringLiteral("w%1").arg(i);
        const QString rect = QStringLiteral("%1,%1,400,300").arg(20 * i);
        bench.windows()->openWindow(name, "", "", bench.pageUrl(), rect, "", "", "", "", "");
        if (!bench.waitAttached({ name }))
            return 1;
        QTest::qWait(settleMs);
        const double after = programMegabytes();
        std::printf("window %d: %.1f MB, %+.1f MB\n", i, after, after - before);
        std::fflush(stdout);
        growths.push_back(after - before);
        before = after;
    }
    printFigure("memory, first window", growths.front(), "MB");
    printFigure("memory, each further window (median)",
        median(std::vector<double>(growths.begin() + 1, growths.end())), "MB");
    return 0;
}
