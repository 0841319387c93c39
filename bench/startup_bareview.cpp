// The yardstick of bench_startup: the least a Qt WebEngine program does to
// show a page, one QML view of the engine's own loading the address it is
// given, with a profile kept on disk as the program keeps its own.
// Run by bench_startup, not by hand: startup_bareview ADDRESS

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QUrl>
#include <QtWebEngineQuick/qtwebenginequickglobal.h>

#include <cstdio>

namespace {

const char viewScene[] = R"(import QtQuick
import QtQuick.Window
import QtWebEngine
Window {
    width: 300; height: 500
    visible: true
    WebEngineView {
        anchors.fill: parent
        profile: WebEngineProfile { storageName: "bare"; offTheRecord: false }
        url: address
        // Its timeline for bench_startup: when the view exists and how its load goes.
        LoggingCategory {
            id: timeline
            name: "bench.bareview"
            defaultLogLevel: LoggingCategory.Warning
        }
        Component.onCompleted: console.debug(timeline, "view made")
        onLoadingChanged: function (loading) { console.debug(timeline, "loading", loading.status) }
    }
}
)";

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_bareview ADDRESS\n");
        return 2;
    }
    QtWebEngineQuick::initialize();
    QGuiApplication app(argc, argv);
    QQmlApplicationEngine scene;
    scene.rootContext()->setContextProperty(
        QStringLiteral("address"), QUrl(QString::fromLocal8Bit(argv[1])));
    scene.loadData(viewScene);
    if (scene.rootObjects().isEmpty())
        return 1;
    return app.exec();
}
