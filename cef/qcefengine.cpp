#include "cef/qcefengine.h"

#include "app/mvtconfig.h"
#include "app/platform.h"
#include "app/statelocations.h"
#include "cef/cefcommandline.h"
#include "cef/cefcookiemanager.h"
#include "cef/qcefapp.h"
#include "cef/qcefrenderhandler.h"
#include "cef/sandbox.h"
#include "engine/browserengine.h"

#include <QCoreApplication>
#include <QDir>

namespace {

const int debuggingPort = 10001;

void addEngineSwitches(CefCommandLine &commandLine)
{
    // Chromium refuses to run as root with its sandbox on.
    if (Sandbox::mustBeDisabled())
        commandLine.appendSwitch(QStringLiteral("--no-sandbox"));
    // The engine keeps no log of its own.
    commandLine.appendSwitch(QStringLiteral("--disable-logging"));
    commandLine.appendSwitchWithValue(QStringLiteral("--log-level"), QStringLiteral("3"));
    // The blocklist refuses Mesa's software renderer and many older drivers,
    // which is what the compatible mode gives: WebGL games would not start.
    commandLine.appendSwitch(QStringLiteral("--ignore-gpu-blocklist"));
}

EngineSettings engineSettings(const CefCommandLine &commandLine)
{
    EngineSettings settings;
    if (MVTConfig::instance()->getOpenLog())
        settings.remoteDebuggingPort = debuggingPort;
    settings.subprocessPath = QCoreApplication::applicationDirPath()
        + QStringLiteral("/lumen_render") + Platform::executableSuffix;
    const StateLocations &locations = StateLocations::instance();
    QDir().mkpath(locations.engineStoragePath());
    settings.storagePath = locations.engineStoragePath();
    settings.cachePath = locations.engineCachePath();
    settings.productVersion = QStringLiteral("corvelum");
    settings.switches = commandLine.switches();
    settings.pageScript = QCefRenderHandler::pageScript();
    settings.bridgeScript = QCefRenderHandler::bridgeScript();
    return settings;
}

} // namespace

QCefEngine::QCefEngine(std::unique_ptr<BrowserEngine> engine)
    : m_engine(std::move(engine))
{
}

QCefEngine::~QCefEngine()
{
    release();
    m_cookieManager.reset();
}

int QCefEngine::initialize(int &argc, char **argv)
{
    Q_UNUSED(argc)
    Q_UNUSED(argv)
    if (m_app)
        return 0;
    // The engine reads the program's own arguments itself; the switches it gets
    // beside them travel through the environment.
    m_commandLine = CefRefPtr<CefCommandLine>::create();
    m_commandLine->initFromString(qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS"));
    m_app = CefRefPtr<QCefApp>::create();
    m_app->OnBeforeCommandLineProcessing(*m_commandLine);
    addEngineSwitches(*m_commandLine);

    if (!m_engine->start(engineSettings(*m_commandLine)))
        return 0;
    // Before the first page loads: the profile tells the cookies of earlier
    // runs only once.
    m_cookieManager = std::make_unique<CefCookieManager>(m_engine->profile());
    m_app->OnContextInitialized(m_engine->profile());
    return -1;
}

void QCefEngine::release()
{
    m_commandLine.reset();
    m_app.reset();
}
