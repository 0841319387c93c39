#include "cef/cefcontext.h"

#include "cef/cefbrowser.h"
#include "cef/cefcommandline.h"
#include "cef/cefcookiemanager.h"
#include "cef/cefsettings.h"
#include "cef/enginelog.h"
#include "cef/qcefapp.h"
#include "cef/qcefrenderhandler.h"
#include "cef/sandbox.h"

#include <QFileInfo>
#include <QOpenGLContext>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QRegularExpression>
#include <QtWebEngine/QQuickWebEngineProfile>
#include <QtWebEngine/private/qquickwebenginedownloaditem_p.h>

// Resources of static libraries are not registered on their own.
static void registerResources()
{
    Q_INIT_RESOURCE(cef);
    Q_INIT_RESOURCE(render);
}

namespace {

CefContext *currentContext = nullptr;

// The engine reads these when it starts.
void exportEnvironment(const CefSettings &settings, const CefCommandLine &commandLine)
{
    qputenv("QTWEBENGINEPROCESS_PATH", settings.browserSubprocessPath.toLocal8Bit());
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", commandLine.commandLineString().toLocal8Bit());
    // Only the configuration decides about debugging, whatever the environment says.
    if (settings.remoteDebuggingPort > 0) {
        qputenv("QTWEBENGINE_REMOTE_DEBUGGING",
            QByteArrayLiteral("127.0.0.1:") + QByteArray::number(settings.remoteDebuggingPort));
    } else {
        qunsetenv("QTWEBENGINE_REMOTE_DEBUGGING");
    }
}

// The engine aborts the whole process when it cannot start its sub-process
// program; find out first.
bool helperIsUsable(const QString &path)
{
    const QFileInfo helper(path);
    if (helper.isFile() && helper.isExecutable())
        return true;
    qCWarning(lcEngine).noquote() << "engine sub-process program missing or not executable:"
                                  << path;
    return false;
}

QString productUserAgent(QString userAgent, const QString &productVersion)
{
    static const QRegularExpression qtToken(QStringLiteral("QtWebEngine/\\S+\\s*"));
    static const QRegularExpression chromeToken(QStringLiteral("Chrome/\\S+"));
    userAgent.remove(qtToken);
    userAgent.replace(chromeToken, productVersion);
    return userAgent;
}

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

} // namespace

std::unique_ptr<CefContext> CefContext::initialize(
    const CefSettings &settings, QCefApp &app, CefCommandLine &commandLine)
{
    if (currentContext || !helperIsUsable(settings.browserSubprocessPath))
        return nullptr;
    // Views render through OpenGL contexts shared between threads, which must
    // be asked for before the application object exists.
    if (!QOpenGLContext::globalShareContext()) {
        qCWarning(lcEngine, "engine started without shared OpenGL contexts");
        return nullptr;
    }
    app.OnBeforeCommandLineProcessing(commandLine);
    addEngineSwitches(commandLine);
    exportEnvironment(settings, commandLine);

    std::unique_ptr<CefContext> context(new CefContext);
    if (!context->start(settings))
        return nullptr;
    app.OnContextInitialized();
    return context;
}

CefContext *CefContext::current()
{
    return currentContext;
}

bool CefContext::start(const CefSettings &settings)
{
    registerResources();
    qRegisterMetaType<CefRefPtr<CefBrowser>>();
    m_qmlEngine = std::make_unique<QQmlEngine>();
    m_browserView = std::make_unique<QQmlComponent>(
        m_qmlEngine.get(), QUrl(QStringLiteral("qrc:/cef/browserview.qml")));
    if (!m_browserView->isReady()) {
        qCWarning(lcEngine).noquote() << m_browserView->errorString();
        return false;
    }

    m_profile = std::make_unique<QQuickWebEngineProfile>();
    m_profile->setStorageName(QStringLiteral("lumen"));
    m_profile->setOffTheRecord(false);
    m_profile->setPersistentStoragePath(settings.storagePath);
    m_profile->setCachePath(settings.cachePath);
    m_profile->setHttpUserAgent(
        productUserAgent(m_profile->httpUserAgent(), settings.productVersion));

    m_cookieManager = std::make_unique<CefCookieManager>(m_profile->cookieStore());
    followDownloads();

    m_renderHandler = CefRefPtr<QCefRenderHandler>::create();
    m_renderHandler->OnWebKitInitialized(m_profile.get());
    currentContext = this;
    return true;
}

CefContext::~CefContext()
{
    if (currentContext == this)
        currentContext = nullptr;
    for (const QPointer<CefBrowser> &browser : qAsConst(m_browsers)) {
        if (browser)
            browser->discardWindow();
    }
}

// A download belongs to the browser whose page started it; nobody accepts one
// of no browser, and the engine drops it.
void CefContext::followDownloads()
{
    QQuickWebEngineProfile *profile = m_profile.get();
    QObject::connect(profile, &QQuickWebEngineProfile::downloadRequested, &m_downloadReceiver,
        [this](QQuickWebEngineDownloadItem *download) {
            if (CefBrowser *browser = browserOf(*download))
                browser->startDownload(download);
        });
    QObject::connect(profile, &QQuickWebEngineProfile::downloadFinished, &m_downloadReceiver,
        [this](QQuickWebEngineDownloadItem *download) {
            if (CefBrowser *browser = browserOf(*download))
                browser->reportDownload(*download);
        });
}

CefBrowser *CefContext::browserOf(const QQuickWebEngineDownloadItem &download) const
{
    for (const QPointer<CefBrowser> &browser : m_browsers) {
        if (browser && browser->startedDownload(download))
            return browser;
    }
    return nullptr;
}

void CefContext::addBrowser(CefBrowser *browser)
{
    m_browsers.removeAll(nullptr);
    m_browsers.append(browser);
}
