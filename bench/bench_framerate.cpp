// A 2D canvas game page's and a WebGL game page's frame rate in a shell window, on the engine
// LUMEN_TEST_ENGINE chooses (unset: Qt WebEngine; "chromium": the system's Chromium);
// bench/both-engines.sh runs it on both. On Qt WebEngine also against a bare engine view of the
// same size, in the same process and engine; the system's Chromium has no such view, so there the
// bare side is not run. Each page draws every animation frame (the canvas page a few hundred
// filled shapes, the WebGL page a full-window shader) and reports its frames per second over a
// span after a warm-up; rounds alternate between the windows, one at a time, and the medians are
// printed, with the shell's share of the bare rate where there is one. The pages draw on
// requestAnimationFrame, so no rate goes above the display's refresh rate: a page at that rate
// keeps up with the screen, and may have time to spare.
//
// Run under X (xvfb-run) from the build tree: bench_framerate [rounds] [seconds per round]

#include "benchfigure.h"
#include "benchshell.h"
#include "window/qcefview.h"

#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

const QSize windowSize(800, 600);

// The frame loop both pages share: draw(now) draws one frame. The span to
// measure comes after the "#" of the address, in milliseconds.
const char measuringScript[] = R"(
const canvas = document.getElementById('scene');
canvas.width = innerWidth;
canvas.height = innerHeight;
function report(value) { fetch('/fps/' + value, { cache: 'no-store' }); }
function measure(draw) {
    const warmUp = 2000;
    const span = Number(location.hash.slice(1)) || 5000;
    let first = 0, start = 0, frames = 0;
    function frame(now) {
        draw(now);
        first = first || now;
        if (!start && now - first >= warmUp)
            start = now;
        else if (start && ++frames && now - start >= span)
            return report((frames * 1000 / (now - start)).toFixed(2));
        requestAnimationFrame(frame);
    }
    requestAnimationFrame(frame);
}
)";

const char webglPage[] = R"html(<!doctype html><html>
<body style="margin:0;overflow:hidden"><canvas id="scene"></canvas><script>
MEASURE
const gl = canvas.getContext('webgl');
function shader(type, source) {
    const made = gl.createShader(type);
    gl.shaderSource(made, source);
    gl.compileShader(made);
    return made;
}
if (!gl) {
    report('none');
} else {
    const program = gl.createProgram();
    gl.attachShader(program, shader(gl.VERTEX_SHADER,
        'attribute vec2 p; void main() { gl_Position = vec4(p, 0.0, 1.0); }'));
    gl.attachShader(program, shader(gl.FRAGMENT_SHADER, `precision mediump float;
        uniform float t; uniform vec2 size;
        void main() {
            vec2 uv = gl_FragCoord.xy / size;
            float v = 0.0;
            for (int i = 0; i < 12; ++i)
                v += sin(uv.x * float(i) * 7.0 + t) * cos(uv.y * float(i) * 5.0 - t);
            gl_FragColor = vec4(0.5 + 0.5 * sin(v), uv, 1.0);
        }`));
    gl.linkProgram(program);
    gl.useProgram(program);
    gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
    gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([-1, -1, 1, -1, -1, 1, -1, 1, 1, -1, 1, 1]),
        gl.STATIC_DRAW);
    gl.enableVertexAttribArray(0);
    gl.vertexAttribPointer(0, 2, gl.FLOAT, false, 0, 0);
    gl.uniform2f(gl.getUniformLocation(program, 'size'), canvas.width, canvas.height);
    const time = gl.getUniformLocation(program, 't');
    measure(function (now) {
        gl.uniform1f(time, now / 1000);
        gl.drawArrays(gl.TRIANGLES, 0, 6);
    });
}
</script></body></html>)html";

const char canvasPage[] = R"html(<!doctype html><html>
<body style="margin:0;overflow:hidden"><canvas id="scene"></canvas><script>
MEASURE
const context = canvas.getContext('2d');
if (!context) {
    report('none');
} else {
    measure(function (now) {
        const t = now / 1000;
        context.fillStyle = '#123';
        context.fillRect(0, 0, canvas.width, canvas.height);
        for (let i = 0; i < 300; ++i) {
            const x = (Math.sin(t + i * 0.37) * 0.5 + 0.5) * canvas.width;
            const y = (Math.cos(t * 1.3 + i * 0.21) * 0.5 + 0.5) * canvas.height;
            context.fillStyle = 'hsl(' + ((i * 7 + t * 60) % 360) + ', 70%, 55%)';
            context.beginPath();
            context.arc(x, y, 6 + i % 20, 0, 2 * Math.PI);
            context.fill();
        }
        context.fillStyle = '#fff';
        context.font = '24px sans-serif';
        context.fillText('score ' + Math.floor(now), 20, 40);
    });
}
</script></body></html>)html";

QByteArray page(const char *html)
{
    return QByteArray(html).replace("MEASURE", measuringScript);
}

// A window shows the page until it reports its rate: the frames per second, or -1.
using Round = std::function<double(const QString &url)>;

double awaitRate(const TestHttpServer &server)
{
    double rate = -1;
    bool reported = false;
    const QMetaObject::Connection connection
        = QObject::connect(&server, &TestHttpServer::sgRequested, [&](const QString &path) {
              if (path.startsWith(QLatin1String("/fps/"))) {
                  reported = true;
                  bool isNumber = false;
                  const double value = path.mid(5).toDouble(&isNumber);
                  rate = isNumber ? value : -1;
              }
          });
    for (int waited = 0; !reported && waited < 60000; waited += 20)
        QTest::qWait(20);
    QObject::disconnect(connection);
    return rate;
}

double bareRound(QWebEngineProfile &profile, const TestHttpServer &server, const QString &url)
{
    auto view = std::make_unique<QWebEngineView>();
    view->setPage(new QWebEnginePage(&profile, view.get()));
    view->resize(windowSize);
    view->show();
    view->load(QUrl(url));
    return awaitRate(server);
}

double shellRound(ShellScene &shell, const TestHttpServer &server, const QString &url)
{
    const QString rect
        = QStringLiteral("0,0,%1,%2").arg(windowSize.width()).arg(windowSize.height());
    shell.windows()->openWindow("game", "", "", url, rect, "Center", "VCenter", "", "", "");
    const double rate = awaitRate(server);
    shell.closeWindows({ "game" });
    return rate;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// A kind of window the pages run in, and the rates it got.
struct Side
{
    const char *label;
    Round run;
    std::vector<double> rates;
};

// Each round runs the page on each side in turn; false, said on standard error, when the page
// did not report.
bool measurePage(const char *name, const QString &url, std::vector<Side> &sides, int rounds)
{
    for (int round = 0; round < rounds; ++round) {
        for (Side &side : sides) {
            const double rate = side.run(url);
            if (rate < 0) {
                std::fprintf(stderr, "%s, %s: the page had no %s context or did not report\n", name,
                    side.label, name);
                return false;
            }
            side.rates.push_back(rate);
            std::printf("%s, round %d, %s: %.2f frames/s\n", name, round + 1, side.label, rate);
            std::fflush(stdout);
        }
    }
    return true;
}

// The shell's median as a figure, and beside it the bare view's where it ran.
void printMedians(const char *name, const std::vector<Side> &sides, int rounds, int seconds)
{
    std::printf("%s, median over %d rounds of %d s, %dx%d:", name, rounds, seconds,
        windowSize.width(), windowSize.height());
    for (const Side &side : sides)
        std::printf("  %s %.2f frames/s", side.label, median(side.rates));
    std::printf("\n");
    const double shellMedian = median(sides.back().rates);
    if (sides.size() > 1)
        std::printf("%s: shell window at %.1f %% of the bare view's rate\n", name,
            100.0 * shellMedian / median(sides.front().rates));
    printFigure(QByteArray(name).append(" frame rate, shell window (median)").constData(),
        shellMedian, "frames/s");
}

} // namespace

int main(int argc, char *argv[])
{
    BenchShell bench(argc, argv, page(webglPage));
    const int rounds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 5;
    const int seconds = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 5;
    const QString span = "#" + QString::number(seconds * 1000);
    const QString canvasUrl = bench.addPage("/canvas", page(canvasPage)) + span;
    const QString webglUrl = bench.pageUrl() + span;
    if (!bench.start())
        return 1;
    QTest::qWait(2000);

    const bool withBare = !TestEngine::isSystemChromium();
    if (!withBare)
        std::printf("bare engine view: not run, a Qt WebEngine view is no yardstick for the "
                    "system's Chromium\n");
    // Made after the engine started, which set Chromium's switches (WebGL under software GL).
    const std::unique_ptr<QWebEngineProfile> bareProfile
        = withBare ? std::make_unique<QWebEngineProfile>(QStringLiteral("bare")) : nullptr;
    const Round bare
        = [&](const QString &address) { return bareRound(*bareProfile, bench.server(), address); };
    const Round shell = [&](const QString &address) {
        return shellRound(bench.scene(), bench.server(), address);
    };
    for (const auto &[name, url] :
        { std::pair { "canvas 2D", canvasUrl }, std::pair { "WebGL", webglUrl } }) {
        std::vector<Side> sides;
        if (withBare)
            sides.push_back({ "bare engine view", bare, {} });
        sides.push_back({ "shell window", shell, {} });
        if (!measurePage(name, url, sides, rounds))
            return 1;
        printMedians(name, sides, rounds, seconds);
    }
    return 0;
}
