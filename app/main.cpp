#include "app/commandlineinfo.h"
#include "app/directorytree.h"
#include "app/dirhelper.h"
#include "app/mvtconfig.h"
#include "app/platform.h"
#include "app/programicon.h"
#include "app/startup.h"
#include "app/statelocations.h"
#include "app/tspdlog.h"
#include "cef/qcefapp.h"
#include "cef/qcefengine.h"
#include "tools/tools.h"
#include "window/qcefview.h"
#include "window/windowhook.h"

#include "buildid.h"

#include <QApplication>
#include <QDebug>
#include <QQmlContext>
#include <QQuickView>
#include <QSettings>

namespace {

// Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::FramelessWindowHint
// | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint; the scene copies
// them onto its splash through cppWindow.flags.
constexpr int kMainViewFlags = 134236419;

void setApplicationIdentity()
{
    // Decides where QStandardPaths and QSettings keep per-user data.
    QCoreApplication::setOrganizationName(QStringLiteral("lumen"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("https://corvela.example"));
    QCoreApplication::setApplicationName(QStringLiteral("playcrate"));
}

void logStartupLine()
{
    TSpdlog::instance()->otherInfo(QStringLiteral("APP启动,version:")
        + MVTConfig::instance()->getVersion() + QStringLiteral(" id:")
        + QStringLiteral(LUMEN_BUILD_ID));
}

void prepareMainView(QQuickView &view)
{
    // Emitted on the render thread: the view as context brings the log call
    // back to the GUI thread, where every log call belongs.
    QObject::connect(&view, &QQuickWindow::sceneGraphInitialized, &view,
        [] { TSpdlog::instance()->otherInfo(QStringLiteral("启动：qml对象启动成功")); });
    view.setFlags(Qt::WindowFlags(kMainViewFlags));
    view.setPosition(0, 0);
    view.setTitle(QStringLiteral("Corvela"));
}

// A shell window that takes the focus closes the open popup; focus leaving
// for another program (no window) closes nothing.
void hidePopupOnFocusChange(QWindow *window)
{
    if (window)
        QCefView::instance()->hideWindow(window->objectName());
}

// Tools knows neither windows nor browsers: quitting closes every window
// before the event loop ends, and muting reaches every browser there is.
void connectToolsToShell(QCefView &windows, QCefEngine &engine)
{
    Tools *tools = Tools::instance();
    QObject::connect(tools, &Tools::sgCloseAllWindows, &windows, &QCefView::closeAllBrowser);
    QObject::connect(tools, &Tools::sgMuteBrowsers, &windows,
        [&engine](bool muted) { engine.app()->setAudioMuted(muted); });
}

void publishShellObjects(QQuickView &view)
{
    QQmlContext *context = view.rootContext();
    context->setContextProperty(QStringLiteral("cppWindow"), &view);
    context->setContextProperty(QStringLiteral("cppTool"), Tools::instance());
    context->setContextProperty(QStringLiteral("cppLog"), TSpdlog::instance());
    context->setContextProperty(QStringLiteral("cppConfig"), MVTConfig::instance());
    context->setContextProperty(QStringLiteral("cppDir"), DirHelper::instance());
}

// The page that clears the cache sets the flag and quits; the engine's disk
// cache goes now, before the engine opens it again.
void purgeEngineCacheWhenAsked()
{
    MVTConfig *config = MVTConfig::instance();
    if (!config->getIsCache())
        return;
    removeDirectoryTree(StateLocations::instance().engineCachePath() + QStringLiteral("/Cache"));
    config->setIsCache(false);
}

} // namespace

int main(int argc, char *argv[])
{
    if (CommandLineInfo::printIfAsked(argc, argv))
        return 0;
    Platform::declareDpiAware();
    setApplicationIdentity();
    std::unique_ptr<QSettings> startupSettings = Platform::openStartupSettings();
    applyCompatibleMode(*startupSettings);
    QCefEngine::prepare();

    QApplication app(argc, argv);
    QApplication::setWindowIcon(ProgramIcon::icon());
    MVTConfig::instance();
    // Installs the global keyboard and mouse hooks; it acts once it knows the window manager.
    static WindowHook hook;
    initDailyLog();
    logStartupLine();

    TSpdlog *log = TSpdlog::instance();
    log->otherInfo(QStringLiteral("启动：初始化qml对象"));
    QQuickView view;
    prepareMainView(view);
    if (!openGLProbePasses(view.requestedFormat())) {
        log->otherError(QStringLiteral("启动：检测到opengl失败，切换软件模拟"));
        startupSettings->setValue(QStringLiteral("Compatible"), true);
        return 0;
    }

    publishShellObjects(view);
    purgeEngineCacheWhenAsked();
    view.rootContext()->setContextProperty(QStringLiteral("cppCef"), QCefView::instance());
    log->otherInfo(QStringLiteral("启动：加载qml"));
    view.setSource(QUrl(QStringLiteral("qrc:/main.qml")));

    log->otherInfo(QStringLiteral("启动：初始化cef"));
    QCefEngine engine;
    if (engine.initialize(argc, argv) >= 0) {
        log->otherError(QStringLiteral("启动：初始化cef失败"));
        engine.release();
        return 0;
    }

    log->otherInfo(QStringLiteral("启动：初始化cefview"));
    QCefView *windows = QCefView::instance();
    windows->init(&view, &engine);
    hook.setWindowManager(windows);
    windows->setDragHook(&hook);
    connectToolsToShell(*windows, engine);

    log->otherInfo(QStringLiteral("启动：打开默认网页"));
    qDebug() << MVTConfig::instance()->getMainUrl();
    // Hidden until its page has loaded; the splash stands in meanwhile.
    windows->openWindow(QStringLiteral("login"), QString(), QString(),
        MVTConfig::instance()->getMainUrl(), QStringLiteral("0,0,300,500"),
        QStringLiteral("Center"), QStringLiteral("VCenter"), QString(), QString(), QString(),
        false);
    log->otherInfo(QStringLiteral("启动：打开默认网页成功"));
    view.show();

    QObject::connect(&app, &QGuiApplication::focusWindowChanged, windows, &hidePopupOnFocusChange);
    windows->startEngineTimer();
    log->otherInfo(QStringLiteral("启动：启动完成"));
    const int exitCode = app.exec();

    Tools::instance()->startLocalProcess(QStringLiteral("lumen_quit") + Platform::executableSuffix);
    engine.release();
    return exitCode;
}
