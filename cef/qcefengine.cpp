#include "cef/qcefengine.h"

#include "app/mvtconfig.h"
#include "app/platform.h"
#include "app/statelocations.h"
#include "cef/cefcommandline.h"
#include "cef/cefcontext.h"
#include "cef/cefsettings.h"
#include "cef/qcefapp.h"

#include <QCoreApplication>
#include <QDir>

namespace {

const int debuggingPort = 10001;

} // namespace

QCefEngine::QCefEngine() = default;

QCefEngine::~QCefEngine()
{
    release();
}

void QCefEngine::prepare()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

int QCefEngine::initialize(int &argc, char **argv)
{
    Q_UNUSED(argc)
    Q_UNUSED(argv)
    // The engine reads the program's own arguments itself; the switches it gets
    // beside them travel through the environment.
    m_commandLine = CefRefPtr<CefCommandLine>::create();
    m_commandLine->initFromString(qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS"));
    m_app = CefRefPtr<QCefApp>::create();

    const QString appDir = QCoreApplication::applicationDirPath();
    CefSettings settings;
    if (MVTConfig::instance()->getOpenLog())
        settings.remoteDebuggingPort = debuggingPort;
    settings.browserSubprocessPath
        = appDir + QStringLiteral("/lumen_render") + Platform::executableSuffix;
    const StateLocations &locations = StateLocations::instance();
    QDir().mkpath(locations.engineStoragePath());
    settings.storagePath = locations.engineStoragePath();
    settings.cachePath = locations.engineCachePath();
    settings.productVersion = QStringLiteral("corvelum");

    m_context = CefContext::initialize(settings, *m_app, *m_commandLine);
    return m_context ? -1 : 0;
}

void QCefEngine::release()
{
    m_commandLine.reset();
    m_app.reset();
}
