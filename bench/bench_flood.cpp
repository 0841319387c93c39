// One window floods the shell with bridge requests while another keeps asking:
// how long the other window's request waits before the dispatcher runs it.
// Prints the probe's waits (median and worst) and the flood's own pace.
//
// Run under X (xvfb-run) from the build tree: bench_flood [requests [bytes per request]]

#include "benchshell.h"
#include "cef/cefbrowser.h"
#include "cef/qcefclient.h"
#include "window/qcefview.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const char page[] = R"(<!doctype html><html><body><script>
function qtQueryCallback(reply) {}
function flood(count, bytes) {
    var request = JSON.stringify({ GetVersion: 'flood', Pad: 'x'.repeat(bytes) });
    for (var i = 0; i < count; ++i)
        callQML('flood', String(i), request);
}
</script>page</body></html>)";

const int probeIntervalMs = 100;

bool loaded(const QString &name)
{
    const WindowRecord *record = QCefView::instance()->findWindow(name);
    return record && record->window && record->client->getBrowser()
        && !record->client->getBrowser()->url().isEmpty();
}

QString senderOf(const QString &message)
{
    return QJsonDocument::fromJson(message.toUtf8())
        .object()
        .value(QStringLiteral("name"))
        .toString();
}

} // namespace

int main(int argc, char *argv[])
{
    BenchShell bench(argc, argv, page);
    trustTestServer();
    // The probing page lives on a site of its own, as another game would: a
    // renderer shared with the flood would wait for the flood's script anyway.
    PolicySettings::program().addTrustedOrigin(QStringLiteral("probe.localhost"));
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 10000;
    const int bytes = argc > 2 ? std::max(0, atoi(argv[2])) : 4096;

    if (!bench.start())
        return 1;
    QCefView *windows = bench.windows();
    windows->openWindow("flood", "", "", bench.pageUrl(), "0,0,300,200", "", "", "", "", "");
    windows->openWindow("probe", "", "", bench.server().url(QStringLiteral("probe.localhost"), "/"),
        "400,0,300,200", "", "", "", "", "");
    for (int waited = 0; !(loaded("flood") && loaded("probe")) && waited < 30000; waited += 100)
        QTest::qWait(100);
    QTest::qWait(2000);

    int floodReceived = 0;
    bool probePending = false;
    QElapsedTimer clock;
    QElapsedTimer probeClock;
    std::vector<double> waits;
    qint64 floodEnd = 0;
    QObject::connect(windows, &QCefView::sgWebMsgReceived, windows, [&](const QString &message) {
        if (senderOf(message) == QLatin1String("probe")) {
            waits.push_back(probeClock.nsecsElapsed() / 1e6);
            probePending = false;
        } else if (++floodReceived == count) {
            floodEnd = clock.elapsed();
        }
    });
    QTimer probes;
    QObject::connect(&probes, &QTimer::timeout, windows, [&] {
        if (probePending)
            return;
        probePending = true;
        probeClock.start();
        windows->sendToWeb("probe", "callQML('probe', 'p', '{\"GetVersion\":\"probe\"}')");
    });

    clock.start();
    windows->sendToWeb("flood", QStringLiteral("flood(%1, %2)").arg(count).arg(bytes));
    probes.start(probeIntervalMs);
    while (floodReceived < count && clock.elapsed() < 600000)
        QTest::qWait(50);
    probes.stop();
    while (probePending && clock.elapsed() < 600000)
        QTest::qWait(50);

    if (waits.empty() || floodReceived < count) {
        std::fprintf(stderr, "the flood did not arrive: %d of %d\n", floodReceived, count);
        return 1;
    }
    std::sort(waits.begin(), waits.end());
    std::printf("%d flood requests of %d bytes from one window in %.2f s (%.0f requests/s)\n",
        count, bytes, floodEnd / 1000.0, count * 1000.0 / std::max<qint64>(1, floodEnd));
    std::printf("other window's request during the flood, %zu probes: median %.1f ms, "
                "worst %.1f ms\n",
        waits.size(), waits[waits.size() / 2], waits.back());
    return 0;
}
