#include "engine/chromium/chromiumbrowserengine.h"

#include "engine/chromium/chromiumprocess.h"
#include "engine/chromium/chromiumprofile.h"
#include "engine/enginelog.h"
#include "engine/scriptresources.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTextStream>

namespace {

// The browser's disk cache, apart from whatever else shares the cache path.
QString browserCacheFolder(const QString &cachePath)
{
    return cachePath + QStringLiteral("/chromium");
}

// The transport, the engine's input script and the bridge share one private scope in their world.
QString isolatedScript(const QString &bridgeScript, const QString &binding)
{
    QString script
        = QStringLiteral("(function () {\nvar bindingName = '%1';\nvar gestureSecret = '%2';\n")
              .arg(binding, ScriptResources::newSecret());
    for (const QString &part : { QStringLiteral(":/chromium/bridgetransport.js"),
             QStringLiteral(":/chromium/pageinput.js"), QStringLiteral(":/engine/framemessages.js"),
             QStringLiteral(":/engine/wakelockrelay.js"),
             QStringLiteral(":/chromium/notificationrelay.js") })
        script += ScriptResources::text(part) + QStringLiteral("\n");
    return script + bridgeScript + QStringLiteral("\n})();\n");
}

// The browser would take a screen wake lock and show notifications of its own: the page asks the
// shell instead.
QString mainWorldScript(const QString &pageScript)
{
    return ScriptResources::text(QStringLiteral(":/engine/wakelock.js")) + QStringLiteral("\n")
        + ScriptResources::text(QStringLiteral(":/chromium/notification.js")) + QStringLiteral("\n")
        + pageScript;
}

// Chromium refuses root with its sandbox on; the host has then turned it off.
void tellWhenSandboxIsOff(const QStringList &switches)
{
    if (!switches.contains(QStringLiteral("--no-sandbox")))
        return;
    QTextStream(stderr) << "Chromium runs without its sandbox: the program runs as root\n";
}

// Chromium reads the desktop's scale from X itself, while the shell's windows may run at
// another (QT_SCALE_FACTOR, QT_FONT_DPI): a page must lay out at the scale of the window it
// fills.
QString scaleSwitch()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return QStringLiteral("--force-device-scale-factor=%1")
        .arg(screen ? screen->devicePixelRatio() : 1.0);
}

// Chromium's own user agent, reduced as it sends it (major version only, one platform per
// system), with the product in place of its browser token; none for no product.
QStringList userAgentSwitch(const QString &productVersion)
{
    if (productVersion.isEmpty())
        return {};
#ifdef Q_OS_WIN
    const QString platform = QStringLiteral("Windows NT 10.0; Win64; x64");
#else
    const QString platform = QStringLiteral("X11; Linux x86_64");
#endif
    return { QStringLiteral("--user-agent=Mozilla/5.0 (%1) AppleWebKit/537.36 (KHTML, like Gecko) "
                            "%2 Safari/537.36")
            .arg(platform, productVersion) };
}

} // namespace

ChromiumBrowserEngine::ChromiumBrowserEngine() = default;

ChromiumBrowserEngine::~ChromiumBrowserEngine() = default;

QString ChromiumBrowserEngine::programPath()
{
    const QString path = qEnvironmentVariable("LUMEN_CHROMIUM");
    return path.isEmpty() ? QStringLiteral("/usr/bin/chromium") : path;
}

QString ChromiumBrowserEngine::installedVersion()
{
    const QFileInfo program(programPath());
    if (!program.isFile() || !program.isExecutable())
        return QString();
    QProcess process;
    process.start(program.filePath(), { QStringLiteral("--version") });
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return QString();
    }
    static const QRegularExpression version(QStringLiteral("Chromium (\\d+(?:\\.\\d+)+)"));
    return version.match(QString::fromUtf8(process.readAllStandardOutput())).captured(1);
}

bool ChromiumBrowserEngine::start(const EngineSettings &settings)
{
    if (m_profile)
        return false;
    m_version = installedVersion();
    if (m_version.isEmpty()) {
        qCWarning(lcEngine).noquote() << "Chromium missing or not working:" << programPath();
        return false;
    }
    Q_INIT_RESOURCE(engine);
    Q_INIT_RESOURCE(chromium);
    m_switches = settings.switches;
    // The browser's own debugging port, loopback only, for DevTools in debug mode.
    if (settings.remoteDebuggingPort > 0)
        m_switches.append(
            QStringLiteral("--remote-debugging-port=%1").arg(settings.remoteDebuggingPort));
    tellWhenSandboxIsOff(m_switches);
    m_switches.append(scaleSwitch());
    m_switches.append(userAgentSwitch(settings.productVersion));
    // On a Wayland desktop the browser would take Wayland itself, and its windows could never
    // be put into the shell's, which are X windows through XWayland.
    m_switches.append(QStringLiteral("--ozone-platform=x11"));
    m_scripts.pageScript = mainWorldScript(settings.pageScript);
    m_scripts.world = QStringLiteral("lumen-bridge");
    m_scripts.binding = QStringLiteral("lumenNative") + ScriptResources::newSecret().left(8);
    m_scripts.bridgeScript = isolatedScript(settings.bridgeScript, m_scripts.binding);
    m_profile = startProfile(settings.storagePath, settings.cachePath);
    return m_profile != nullptr;
}

EngineProfile *ChromiumBrowserEngine::profile()
{
    return m_profile;
}

EngineProfile *ChromiumBrowserEngine::legacyProfile(const QString &storagePath)
{
    if (!m_legacyProfile)
        m_legacyProfile = startProfile(storagePath, storagePath + QStringLiteral("/cache"));
    return m_legacyProfile;
}

QString ChromiumBrowserEngine::chromiumVersion() const
{
    return m_version;
}

// Chromium keeps its cache in a profile folder of its own under the folder it is given.
QString ChromiumBrowserEngine::httpCacheFolder(const QString &cachePath) const
{
    return browserCacheFolder(cachePath) + QStringLiteral("/Default/Cache");
}

ChromiumProfile *ChromiumBrowserEngine::startProfile(
    const QString &storagePath, const QString &cachePath)
{
    const QStringList switches = m_switches
        + QStringList { QStringLiteral("--disk-cache-dir=") + browserCacheFolder(cachePath) };
    auto *process
        = new ChromiumProcess(programPath(), storagePath + QStringLiteral("/chromium"), switches);
    if (!process->start()) {
        delete process;
        return nullptr;
    }
    return new ChromiumProfile(process, m_scripts, &m_owner);
}
