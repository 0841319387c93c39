#include "engine/qtwebengine/qtbrowserengine.h"

#include "engine/enginelog.h"
#include "engine/qtwebengine/bridgeendpoint.h"
#include "engine/qtwebengine/qtengineprofile.h"
#include "engine/qtwebengine/scriptdialogscheme.h"
#include "engine/scriptresources.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QStyleHints>
#include <QWebEngineScript>
#include <QtWebEngineCore/qtwebenginecoreglobal.h>

namespace {

// Chromium scrolls 120 pixels for a notch of the wheel on X11, whatever the desktop's setting, and
// pages see that as the wheel event's deltaY. The engine makes it 20 pixels for each line of
// the style hint, which it reads at its first wheel event.
constexpr int kWheelLinesPerNotch = 6;

// The engine reads these when it starts.
void exportEnvironment(const EngineSettings &settings)
{
    qputenv("QTWEBENGINEPROCESS_PATH", settings.subprocessPath.toLocal8Bit());
    // Two fingers on a touch screen would zoom the page as a document; the page still gets the
    // touches.
    const QStringList switches
        = settings.switches + QStringList { QStringLiteral("--disable-pinch") };
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", switches.join(QLatin1Char(' ')).toLocal8Bit());
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

// The channel client, its transport and the bridge share one private scope:
// the page sees what the bridge gives it and nothing else of them.
QString channelScript(const QString &bridgeScript)
{
    QString script = QStringLiteral(
        "(function () {\nvar channelObjectName = '%1';\nvar gestureSecret = '%2';\n")
                         .arg(BridgeEndpoint::channelObjectName(), ScriptResources::newSecret());
    for (const QString &part : { QStringLiteral(":/qtwebchannel/qwebchannel.js"),
             QStringLiteral(":/qtwebengine/bridgetransport.js"),
             QStringLiteral(":/qtwebengine/filechoosercancel.js"),
             QStringLiteral(":/qtwebengine/ctrlwheel.js"),
             QStringLiteral(":/engine/framemessages.js"),
             QStringLiteral(":/engine/wakelockrelay.js") })
        script += ScriptResources::text(part) + QStringLiteral("\n");
    return script + bridgeScript + QStringLiteral("\n})();\n");
}

} // namespace

QtBrowserEngine::QtBrowserEngine() = default;

QtBrowserEngine::~QtBrowserEngine() = default;

QString QtBrowserEngine::engineChromiumVersion()
{
    return QString::fromLatin1(qWebEngineChromiumVersion());
}

bool QtBrowserEngine::start(const EngineSettings &settings)
{
    if (m_profile || !helperIsUsable(settings.subprocessPath))
        return false;
    exportEnvironment(settings);
    QGuiApplication::styleHints()->setWheelScrollLines(kWheelLinesPerNotch);
    Q_INIT_RESOURCE(engine);
    Q_INIT_RESOURCE(qtwebengine);
    ScriptDialogScheme::registerScheme();
    m_profile = new QtEngineProfile(
        QStringLiteral("lumen"), settings.storagePath, settings.cachePath, &m_owner);
    m_profile->setProductVersion(settings.productVersion);
    m_profile->addDocumentScript(
        QStringLiteral("page"), settings.pageScript, QWebEngineScript::MainWorld);
    m_profile->addDocumentScript(QStringLiteral("dialogs"),
        ScriptResources::text(QStringLiteral(":/qtwebengine/scriptdialogs.js")),
        QWebEngineScript::MainWorld);
    m_profile->addDocumentScript(QStringLiteral("wakelock"),
        ScriptResources::text(QStringLiteral(":/engine/wakelock.js")), QWebEngineScript::MainWorld);
    m_profile->addDocumentScript(BridgeEndpoint::channelObjectName(),
        channelScript(settings.bridgeScript), QWebEngineScript::ApplicationWorld);
    return true;
}

EngineProfile *QtBrowserEngine::profile()
{
    return m_profile;
}

EngineProfile *QtBrowserEngine::legacyProfile(const QString &storagePath)
{
    if (!m_legacyProfile) {
        m_legacyProfile = new QtEngineProfile(QStringLiteral("legacy"), storagePath,
            storagePath + QStringLiteral("/cache"), &m_owner);
    }
    return m_legacyProfile;
}

QString QtBrowserEngine::chromiumVersion() const
{
    return engineChromiumVersion();
}

QString QtBrowserEngine::httpCacheFolder(const QString &cachePath) const
{
    return cachePath + QStringLiteral("/Cache");
}
