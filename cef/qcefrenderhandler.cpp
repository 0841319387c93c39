#include "cef/qcefrenderhandler.h"

#include "cef/cefframe.h"
#include "cef/cefprocessmessage.h"
#include "cef/qcefv8handler.h"

#include <QFile>
#include <QQmlWebChannel>
#include <QtWebEngine/QQuickWebEngineProfile>
#include <QtWebEngine/QQuickWebEngineScript>

namespace {

// The name bridge.js looks the native end up by.
const QString channelObjectName = QStringLiteral("lumenBridge");

QString resourceText(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

// The channel client and the bridge share one private scope: the page sees
// callQML and nothing else of them.
QString bridgeSource()
{
    return QStringLiteral("(function () {\n")
        + resourceText(QStringLiteral(":/qtwebchannel/qwebchannel.js")) + QStringLiteral("\n")
        + resourceText(QStringLiteral(":/render/bridge.js")) + QStringLiteral("\n})();\n");
}

} // namespace

void QCefRenderHandler::OnWebKitInitialized(QQuickWebEngineProfile *profile)
{
    auto *script = new QQuickWebEngineScript(profile);
    script->setName(channelObjectName);
    script->setSourceCode(bridgeSource());
    script->setInjectionPoint(QQuickWebEngineScript::DocumentCreation);
    script->setWorldId(QQuickWebEngineScript::MainWorld);
    script->setRunOnSubframes(true);
    QQmlListProperty<QQuickWebEngineScript> scripts = profile->userScripts();
    scripts.append(&scripts, script);
}

void QCefRenderHandler::OnContextCreated(CefFrame *mainFrame, QQmlWebChannel *channel)
{
    channel->registerObject(channelObjectName, new QCefV8Handler(mainFrame, channel));
}

void QCefRenderHandler::OnProcessMessageReceived(CefFrame *frame, const CefProcessMessage &message)
{
    frame->executeJavaScript(message.name());
}
