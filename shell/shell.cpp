#include "shell/shell.h"

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
#include "engine/browserengine.h"
#include "tools/keyrepeat.h"
#include "tools/quitsignals.h"
#include "tools/tools.h"
#include "window/qcefview.h"
#include "window/windowhook.h"

#include "buildid.h"
#include "shell/singleinstance.h"

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

} // namespace

Shell::Shell(EngineFactory engineFactory)
    : m_engineFactory(std::move(engineFactory))
{
}

Shell::~Shell() = default;

void Shell::prepare()
{
    Platform::selectWindowSystem();
    Platform::declareDpiAware();
    setApplicationIdentity();
    m_startupSettings = Platform::openStartupSettings();
    applyCompatibleMode(*m_startupSettings);
}

int Shell::exec(int &argc, char **argv)
{
    startServices();
    if (!claimInstance())
        return 0;
    if (!buildScene() || !startEngine(argc, argv)) {
        release();
        return 0;
    }
    openFirstWindow();
    const int exitCode = run();
    shutDown();
    return exitCode;
}

void Shell::startServices()
{
    QApplication::setWindowIcon(ProgramIcon::icon());
    MVTConfig::instance();
    KeyRepeat::reportHeldKeysCleanly();
    // Installs the global keyboard and mouse hooks; it acts once it knows the
    // window manager.
    m_hook = std::make_unique<WindowHook>();
    initDailyLog();
    logStartupLine();
}

bool Shell::claimInstance()
{
    m_instance = std::make_unique<SingleInstance>(
        QCoreApplication::applicationDirPath(), StateLocations::instance().engineStoragePath());
    TSpdlog *log = TSpdlog::instance();
    switch (m_instance->claim()) {
    case SingleInstance::Claim::First:
        break;
    case SingleInstance::Claim::HandedOver:
        log->otherInfo(QStringLiteral("Already running from this folder: handed over to that run"));
        return false;
    case SingleInstance::Claim::HeldByAnother:
        // The log mirrors every line to standard error, where whoever started this one looks.
        log->otherError(QStringLiteral("Already running from this folder as %1, which does not "
                                       "answer: this start ends")
                .arg(m_instance->holder()));
        return false;
    }
    QObject::connect(m_instance.get(), &SingleInstance::sgShowRequested, windows(), [log] {
        log->otherInfo(QStringLiteral("Started again from this folder: showing the windows"));
        QCefView::instance()->bringBack();
    });
    return true;
}

bool Shell::buildScene()
{
    TSpdlog *log = TSpdlog::instance();
    log->otherInfo(QStringLiteral("启动：初始化qml对象"));
    prepareMainView(view());
    if (!openGLProbePasses(view().requestedFormat())) {
        log->otherError(QStringLiteral("启动：检测到opengl失败，切换软件模拟"));
        m_startupSettings->setValue(QStringLiteral("Compatible"), true);
        return false;
    }
    loadScene();
    return true;
}

void Shell::purgeEngineCacheWhenAsked()
{
    MVTConfig *config = MVTConfig::instance();
    if (!config->getIsCache())
        return;
    removeDirectoryTree(
        engine().engine().httpCacheFolder(StateLocations::instance().engineCachePath()));
    config->setIsCache(false);
}

bool Shell::loadScene()
{
    // The scene sits in a library's archive, where nothing else would pull
    // its resources in.
    Q_INIT_RESOURCE(qml);
    QQmlContext *context = view().rootContext();
    context->setContextProperty(QStringLiteral("cppWindow"), &view());
    context->setContextProperty(QStringLiteral("cppTool"), Tools::instance());
    context->setContextProperty(QStringLiteral("cppLog"), TSpdlog::instance());
    context->setContextProperty(QStringLiteral("cppConfig"), MVTConfig::instance());
    context->setContextProperty(QStringLiteral("cppDir"), DirHelper::instance());
    context->setContextProperty(QStringLiteral("cppCef"), windows());
    TSpdlog::instance()->otherInfo(QStringLiteral("启动：加载qml"));
    view().setSource(QUrl(QStringLiteral("qrc:/main.qml")));
    return view().status() == QQuickView::Ready;
}

bool Shell::startEngine(int &argc, char **argv)
{
    TSpdlog *log = TSpdlog::instance();
    log->otherInfo(QStringLiteral("启动：初始化cef"));
    purgeEngineCacheWhenAsked();
    if (engine().initialize(argc, argv) < 0) {
        qDebug().noquote() << "Chromium" << engine().engine().chromiumVersion();
        return true;
    }
    log->otherError(QStringLiteral("启动：初始化cef失败"));
    engine().release();
    return false;
}

void Shell::openFirstWindow()
{
    TSpdlog *log = TSpdlog::instance();
    log->otherInfo(QStringLiteral("启动：初始化cefview"));
    startWindowManager();

    log->otherInfo(QStringLiteral("启动：打开默认网页"));
    const QString login = QStringLiteral("login");
    const QString rect = QStringLiteral("0,0,300,500");
    const QString align = QStringLiteral("Center");
    const QString valign = QStringLiteral("VCenter");
    if (!MVTConfig::instance()->isSetUp()) {
        log->otherError(MVTConfig::notSetUpMessage());
        windows()->openNotSetUpWindow(login, rect, align, valign);
    } else {
        qDebug() << MVTConfig::instance()->getMainUrl();
        // Hidden until its page has loaded; the splash stands in meanwhile.
        windows()->openWindow(login, QString(), QString(), MVTConfig::instance()->getMainUrl(),
            rect, align, valign, QString(), QString(), QString(), false);
    }
    log->otherInfo(QStringLiteral("启动：打开默认网页成功"));
    view().show();
}

// Tools knows neither windows nor browsers: quitting closes every window
// before the event loop ends, and muting reaches every browser there is.
void Shell::startWindowManager()
{
    QCefView *windows = this->windows();
    windows->init(&view(), &engine());
    m_hook->setWindowManager(windows);
    windows->setDragHook(m_hook.get());

    Tools *tools = Tools::instance();
    QObject::connect(tools, &Tools::sgCloseAllWindows, windows, &QCefView::closeAllBrowser);
    QCefEngine *engine = &this->engine();
    QObject::connect(tools, &Tools::sgMuteBrowsers, windows,
        [engine](bool muted) { engine->app()->setAudioMuted(muted); });
    QObject::connect(
        qApp, &QGuiApplication::focusWindowChanged, windows, &QCefView::onFocusWindowChanged);
}

int Shell::run()
{
    quitOnSystemRequest();
    windows()->startEngineTimer();
    TSpdlog::instance()->otherInfo(QStringLiteral("启动：启动完成"));
    return QApplication::exec();
}

// A desktop session logging out sends SIGTERM: the windows close, the engine
// writes its storage and the companion program starts, as for a page's quit.
void Shell::quitOnSystemRequest()
{
    auto *requests = new QuitSignals(qApp);
    QObject::connect(
        requests, &QuitSignals::sgQuitAsked, Tools::instance(), [](const QString &name) {
            TSpdlog::instance()->otherInfo(
                QStringLiteral("Quitting on the system's request: ") + name);
            Tools::instance()->quitApp();
        });
}

void Shell::shutDown()
{
    Tools::instance()->startLocalProcess(QStringLiteral("lumen_quit") + Platform::executableSuffix);
    release();
}

// All need the application object, which goes before this object does.
void Shell::release()
{
    m_engine.reset();
    m_view.reset();
    // Only once the engine has let go of its storage may another run take it.
    m_instance.reset();
}

QQuickView &Shell::view()
{
    if (!m_view)
        m_view = std::make_unique<QQuickView>();
    return *m_view;
}

QCefEngine &Shell::engine()
{
    if (!m_engine)
        m_engine = std::make_unique<QCefEngine>(m_engineFactory());
    return *m_engine;
}

QCefView *Shell::windows() const
{
    return QCefView::instance();
}
