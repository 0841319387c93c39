// Round trips of the script bridge, page -> native -> page, on the engine
// LUMEN_TEST_ENGINE chooses (unset: Qt WebEngine; "chromium": the system's
// Chromium); bench/both-engines.sh runs it on both. On Qt WebEngine also
// against the bare Qt WebChannel + runJavaScript path on the same engine: a
// plain view, page and channel, the parts that engine's adapter builds each
// window from, with none of the shell around them; the system's Chromium has
// no such path, so there the bare side is not run. Prints p50, p99, mean,
// round trips per second and, with the bare side, the ratio of the two.
//
// Run under X (xvfb-run) from the build tree: bench_bridge [requests]

#include "benchfigure.h"
#include "cef/cefbrowser.h"
#include "cef/qcefapp.h"
#include "cef/qcefclient.h"
#include "cef/qcefengine.h"
#include "enginetest.h"
#include "testhttpserver.h"

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>

namespace {

const int warmUp = 200;

// The page measures: each request starts when the previous answer arrived.
// send(i) issues request i; the answer calls answered().
const char measuringScript[] = R"(
var total = WARMUP + COUNT, done = 0, started = 0, latencies = [];
function answered() {
    if (done++ >= WARMUP)
        latencies.push(performance.now() - started);
    if (done < total) next(); else finish(JSON.stringify(latencies));
}
function next() { started = performance.now(); send(done); }
)";

const char bridgePage[] = R"(<html><body><script>
SCRIPT
function send(i) { callQML('bench', String(i), '{"GetVersion":"bench"}'); }
function finish(text) { callQML('bench', 'done', text); }
window.qtQueryCallback = function (reply) { answered(); };
window.addEventListener('load', function () { callQML('bench', 'ready', ''); });
</script></body></html>)";

const char barePage[] = R"(<html><head><script src="/qwebchannel.js"></script></head><body><script>
SCRIPT
var echo;
function send(i) { echo.echo(String(i)); }
function finish(text) { echo.done(text); }
window.cb = function () { answered(); };
new QWebChannel(qt.webChannelTransport, function (channel) {
    echo = channel.objects.echo;
    next();
});
</script></body></html>)";

struct Figures
{
    double p50 = 0;
    double p99 = 0;
    double mean = 0;
};

Figures figuresOf(const QString &latencies)
{
    std::vector<double> values;
    const QJsonArray array = QJsonDocument::fromJson(latencies.toUtf8()).array();
    for (const QJsonValue &value : array)
        values.push_back(value.toDouble());
    std::sort(values.begin(), values.end());
    Figures figures;
    if (values.empty())
        return figures;
    figures.p50 = values[values.size() / 2];
    figures.p99 = values[std::min(values.size() - 1, values.size() * 99 / 100)];
    for (double value : values)
        figures.mean += value;
    figures.mean /= values.size();
    return figures;
}

QByteArray page(const char *html, int count)
{
    QByteArray script(measuringScript);
    script.replace("WARMUP", QByteArray::number(warmUp))
        .replace("COUNT", QByteArray::number(count));
    return QByteArray(html).replace("SCRIPT", script);
}

// The bare path's native end: answers each call with runJavaScript.
class Echo : public QObject
{
    Q_OBJECT

public:
    explicit Echo(QWebEnginePage *page)
        : m_page(page)
    {
    }

    QString latencies;

public slots:
    void echo(const QString &id) { m_page->runJavaScript(QStringLiteral("cb(\"%1\")").arg(id)); }
    void done(const QString &text)
    {
        latencies = text;
        QCoreApplication::quit();
    }

private:
    QWebEnginePage *m_page;
};

// Our path: the request goes out as sgWebMsgReceived and the answer comes back
// the way the window manager sends a reply, as a script run in the page.
QString measureBridge(QCefApp &app, const TestHttpServer &server)
{
    const CefRefPtr<QCefClient> client = app.createBrowser(
        QStringLiteral("app"), false, server.url(QStringLiteral("/bridge.html")), 0, 0);
    QString latencies;
    QObject::connect(client.data(), &QCefClient::sgWebMsgReceived, client.data(),
        [&client, &latencies](const QString &text) {
            const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
            const QString id = message.value(QStringLiteral("id")).toString();
            const CefRefPtr<CefBrowser> browser = client->getBrowser();
            if (id == QLatin1String("ready")) {
                browser->executeJavaScript(QStringLiteral("next()"));
                return;
            }
            if (id == QLatin1String("done")) {
                latencies = message.value(QStringLiteral("request")).toString();
                QCoreApplication::quit();
                return;
            }
            const QJsonObject reply {
                { QStringLiteral("request"), message.value(QStringLiteral("request")) },
                { QStringLiteral("status"), QStringLiteral("success") },
                { QStringLiteral("id"), id },
                { QStringLiteral("successMsg"), QStringLiteral("1.0.2") },
            };
            browser->executeJavaScript(QStringLiteral("qtQueryCallback(")
                + QString::fromUtf8(QJsonDocument(reply).toJson(QJsonDocument::Compact))
                + QLatin1Char(')'));
        });
    QCoreApplication::exec();
    client->getBrowser()->closeBrowser();
    return latencies;
}

// Hidden, with its native window made, as the bridge's page is. A persistent
// profile of its own, as the shell's is, without the shell's page scripts.
QString measureBare(const TestHttpServer &server)
{
    QWebEngineProfile profile(QStringLiteral("bare"));
    // Declared before the view: the page, the view's child, goes before its channel.
    QWebChannel channel;
    QWebEngineView view;
    auto *page = new QWebEnginePage(&profile, &view);
    Echo echo(page);
    channel.registerObject(QStringLiteral("echo"), &echo);
    page->setWebChannel(&channel);
    view.setPage(page);
    view.resize(800, 600);
    view.winId();
    page->load(QUrl(server.url(QStringLiteral("/bare.html"))));
    QCoreApplication::exec();
    return echo.latencies;
}

void print(const char *name, const Figures &figures)
{
    std::printf("%-28s p50 %.3f ms  p99 %.3f ms  mean %.3f ms  %.0f round trips/s\n", name,
        figures.p50, figures.p99, figures.mean, 1000.0 / figures.mean);
}

} // namespace

int main(int argc, char *argv[])
{
    EngineTestEnvironment environment;
    QApplication app(argc, argv);
    trustTestServer();
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 2000;

    TestHttpServer server;
    if (!server.listen())
        return 1;
    QFile channelClient(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    channelClient.open(QIODevice::ReadOnly);
    TestHttpServer::Response client;
    client.body = channelClient.readAll();
    client.contentType = "application/javascript";
    server.setResponse(QStringLiteral("/qwebchannel.js"), client);
    server.setPage(QStringLiteral("/bridge.html"), page(bridgePage, count));
    server.setPage(QStringLiteral("/bare.html"), page(barePage, count));

    QCefEngine engine(realEngine());
    // Before the bare view: the engine sets Chromium's switches, and both paths run with them.
    if (engine.initialize(argc, argv) >= 0) {
        std::fprintf(stderr, "the engine did not start\n");
        return 1;
    }
    const bool withBare = !TestEngine::isSystemChromium();
    const Figures bare = withBare ? figuresOf(measureBare(server)) : Figures();
    const QString latencies = measureBridge(*engine.app(), server);
    if (latencies.isEmpty()) {
        std::fprintf(stderr, "the bridge's page reported no round trips\n");
        return 1;
    }
    const Figures bridge = figuresOf(latencies);

    std::printf("%d sequential round trips each, after %d to warm up\n", count, warmUp);
    print("callQML -> sendToWeb path", bridge);
    printFigure("bridge round trip, median", bridge.p50, "ms");
    printFigure("bridge round trip, p99", bridge.p99, "ms");
    if (!withBare) {
        std::printf("WebChannel + runJavaScript: not run, a Qt WebEngine path is no yardstick "
                    "for the system's Chromium\n");
        return 0;
    }
    print("WebChannel + runJavaScript", bare);
    std::printf("ratio at p50: %.2f  ratio of means: %.2f\n", bridge.p50 / bare.p50,
        bridge.mean / bare.mean);
    return 0;
}

#include "bench_bridge.moc"
