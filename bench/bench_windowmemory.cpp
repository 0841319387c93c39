// Resident memory the shell's main process keeps for windows it has closed:
// after a warm-up round, opens and closes windows one after the other and
// prints the growth per 100 windows, first for bare engine views (a top-level
// view and its page, the parts the engine adapter builds each window from,
// made and destroyed), then for the shell's own windows (client, browser,
// scene window, registry entry). The difference is what the shell leaks per
// window. Runs on the engine LUMEN_TEST_ENGINE chooses (unset: Qt WebEngine;
// "chromium": the system's Chromium); a bare Qt WebEngine view is no yardstick
// for the system's Chromium, so there only the shell's windows are measured.
//
// Run under X (xvfb-run) from the build tree: bench_windowmemory [windows] [warm-up]

#include "benchshell.h"
#include "cef/cefbrowser.h"
#include "cef/qcefclient.h"
#include "window/qcefview.h"

#include <QFile>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

namespace {

const char page[] = R"(<!doctype html><html><body style="background:#246">window</body></html>)";

bool waitFor(const std::function<bool()> &done)
{
    for (int waited = 0; waited < 30000; waited += 10) {
        if (done())
            return true;
        QTest::qWait(10);
    }
    return false;
}

double residentMegabytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    statm.open(QIODevice::ReadOnly);
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// One window opened, loaded and closed; false when it did not load.
using Round = std::function<bool()>;

// Growth per 100 windows over the measured windows, after the warm-up.
double measure(const char *label, const Round &round, int windows, int warmUp)
{
    for (int i = 0; i < warmUp; ++i)
        round();
    QTest::qWait(2000);
    const double before = residentMegabytes();
    for (int i = 0; i < windows; ++i) {
        if (!round())
            std::fprintf(stderr, "%s: window %d did not load\n", label, i);
    }
    QTest::qWait(2000);
    const double growth = (residentMegabytes() - before) * 100.0 / windows;
    std::printf("%s: %.0f MB after warm-up, %.1f MB per 100 windows\n", label, before, growth);
    std::fflush(stdout);
    return growth;
}

bool bareRound(QWebEngineProfile &profile, const QString &url)
{
    auto view = std::make_unique<QWebEngineView>();
    auto *page = new QWebEnginePage(&profile, view.get());
    view->setPage(page);
    view->resize(300, 200);
    view->show();
    bool finished = false;
    bool loaded = false;
    QObject::connect(page, &QWebEnginePage::loadFinished, page, [&](bool ok) {
        finished = true;
        loaded = ok;
    });
    page->load(QUrl(url));
    waitFor([&finished] { return finished; });
    view.reset();
    QTest::qWait(50);
    return loaded;
}

bool shellRound(ShellScene &shell, const QString &url)
{
    QCefView *windows = shell.windows();
    windows->openWindow("w", "", "", url, "0,0,300,200", "", "", "", "", "");
    const CefRefPtr<QCefClient> client = windows->findWindow("w")->client;
    bool loaded = false;
    QObject::connect(client.data(), &QCefClient::sgLoadEnd, client.data(),
        [&loaded](CefRefPtr<CefBrowser>) { loaded = true; });
    waitFor([windows, &loaded] {
        const WindowRecord *record = windows->findWindow("w");
        return loaded && record && record->window;
    });
    return shell.closeWindows({ "w" }) && loaded;
}

} // namespace

int main(int argc, char *argv[])
{
    BenchShell bench(argc, argv, page);
    const int windows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 500;
    const int warmUp = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 25;

    const QString url = bench.pageUrl();
    if (!bench.start())
        return 1;
    ShellScene &shell = bench.scene();
    QTest::qWait(3000);

    const bool withBare = !TestEngine::isSystemChromium();
    // Persistent, as the shell's profile is: both keep the same kind of storage.
    // Made after the engine started, which set Chromium's switches.
    const std::unique_ptr<QWebEngineProfile> bareProfile
        = withBare ? std::make_unique<QWebEngineProfile>(QStringLiteral("bare")) : nullptr;
    const double bare = withBare
        ? measure(
              "bare engine view", [&bareProfile, &url] { return bareRound(*bareProfile, url); },
              windows, warmUp)
        : 0;
    const double own = measure(
        "shell window", [&shell, &url] { return shellRound(shell, url); }, windows, warmUp);
    if (!withBare) {
        std::printf("bare engine view: not run, a Qt WebEngine view is no yardstick for the "
                    "system's Chromium\n");
        return 0;
    }
    std::printf("shell above bare engine: %.1f MB per 100 windows\n", own - bare);
    return 0;
}
