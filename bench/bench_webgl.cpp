// A WebGL game page's frame rate in a shell window against a bare engine view of the same size,
// in the same process and engine. The page draws a full-window shader every animation frame and
// reports its frames per second over a span after a warm-up; rounds alternate between the two
// windows, one at a time, and the medians are printed with the shell's share of the bare rate.
//
// Run under X (xvfb-run) from the build tree: bench_webgl [rounds] [seconds per round]

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

// The span to measure comes after the "#" of the address, in milliseconds.
const char page[] = R"html(<!doctype html><html>
<body style="margin:0;overflow:hidden"><canvas id="scene"></canvas><script>
const canvas = document.getElementById('scene');
canvas.width = innerWidth;
canvas.height = innerHeight;
const gl = canvas.getContext('webgl');
function report(value) { fetch('/fps/' + value, { cache: 'no-store' }); }
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
    const warmUp = 2000;
    const span = Number(location.hash.slice(1)) || 5000;
    let first = 0, start = 0, frames = 0;
    function frame(now) {
        gl.uniform1f(time, now / 1000);
        gl.drawArrays(gl.TRIANGLES, 0, 6);
        first = first || now;
        if (!start && now - first >= warmUp)
            start = now;
        else if (start && ++frames && now - start >= span)
            return report((frames * 1000 / (now - start)).toFixed(2));
        requestAnimationFrame(frame);
    }
    requestAnimationFrame(frame);
}
</script></body></html>)html";

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

} // namespace

int main(int argc, char *argv[])
{
    BenchShell bench(argc, argv, page);
    const int rounds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 5;
    const int seconds = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 5;
    if (!bench.start())
        return 1;
    const QString url = bench.pageUrl() + "#" + QString::number(seconds * 1000);
    QTest::qWait(2000);

    // Made after the engine started, which set Chromium's switches (WebGL under software GL).
    QWebEngineProfile bareProfile(QStringLiteral("bare"));
    const Round bare
        = [&](const QString &address) { return bareRound(bareProfile, bench.server(), address); };
    const Round shell = [&](const QString &address) {
        return shellRound(bench.scene(), bench.server(), address);
    };
    std::vector<double> bareRates;
    std::vector<double> shellRates;
    for (int round = 0; round < rounds; ++round) {
        for (auto [label, run, rates] : { std::tuple { "bare engine view", &bare, &bareRates },
                 std::tuple { "shell window", &shell, &shellRates } }) {
            const double rate = (*run)(url);
            if (rate < 0) {
                std::fprintf(stderr, "%s: the page had no WebGL or did not report\n", label);
                return 1;
            }
            rates->push_back(rate);
            std::printf("round %d, %s: %.2f frames/s\n", round + 1, label, rate);
            std::fflush(stdout);
        }
    }
    const double bareMedian = median(bareRates);
    const double shellMedian = median(shellRates);
    std::printf(
        "median over %d rounds of %d s, %dx%d: bare engine view %.2f frames/s, shell window "
        "%.2f frames/s (%.1f %% of bare)\n",
        rounds, seconds, windowSize.width(), windowSize.height(), bareMedian, shellMedian,
        100.0 * shellMedian / bareMedian);
    return 0;
}
