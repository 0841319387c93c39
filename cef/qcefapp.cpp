#include "cef/qcefapp.h"

#include "app/policysettings.h"
#include "cef/cefbrowser.h"
#include "cef/cefcommandline.h"
#include "cef/clientrequestcontexthandler.h"
#include "cef/qcefclient.h"
#include "engine/engineprofile.h"

#include <algorithm>
#include <utility>

// Same-origin policy, mixed-content blocking and certificate checks stay on
// unless the administrator turned them off for a portal that needs it.
void QCefApp::OnBeforeCommandLineProcessing(CefCommandLine &commandLine)
{
    const PolicySettings policy = PolicySettings::program();
    if (!policy.webSecurity()) {
        commandLine.appendSwitch(QStringLiteral("--allow-running-insecure-content"));
        commandLine.appendSwitch(QStringLiteral("--disable-web-security"));
    }
    if (policy.ignoreCertificateErrors()) {
        commandLine.appendSwitchWithValue(
            QStringLiteral("--ignore-urlfetcher-cert-requests"), QStringLiteral("1"));
        commandLine.appendSwitchWithValue(
            QStringLiteral("--ignore-certificate-errors"), QStringLiteral("1"));
    }
    commandLine.appendSwitchWithValue(
        QStringLiteral("autoplay-policy"), QStringLiteral("no-user-gesture-required"));
    commandLine.appendSwitchWithValue(
        QStringLiteral("ppapi-flash-version"), QStringLiteral("99.0.0.0"));
    commandLine.appendSwitchWithValue(
        QStringLiteral("ppapi-flash-path"), QStringLiteral("pepflashplayer.dll"));
}

void QCefApp::OnContextInitialized(EngineProfile *profile)
{
    m_profile = profile;
}

CefRefPtr<QCefClient> QCefApp::createBrowser(
    const QString &windowName, bool visible, const QString &url, int width, int height)
{
    if (!m_profile)
        return {};
    PageOptions options;
    options.windowTitle = windowName;
    options.visible = visible;
    options.width = width;
    options.height = height;
    ClientRequestContextHandler().OnBeforePluginLoad(options.pluginsAllowed);

    // Deferred: the last holder may let go while the client is emitting.
    const CefRefPtr<QCefClient> client(new QCefClient, &QObject::deleteLater);
    CefBrowser::createBrowser(m_profile, options, client, url);
    m_clients.erase(std::remove_if(m_clients.begin(), m_clients.end(),
                        [](const QWeakPointer<QCefClient> &known) { return known.isNull(); }),
        m_clients.end());
    m_clients.append(client);
    return client;
}

void QCefApp::setAudioMuted(bool muted)
{
    for (const QWeakPointer<QCefClient> &known : std::as_const(m_clients)) {
        const CefRefPtr<QCefClient> client = known.toStrongRef();
        if (const CefRefPtr<CefBrowser> browser = client ? client->getBrowser() : nullptr)
            browser->setAudioMuted(muted);
    }
}
