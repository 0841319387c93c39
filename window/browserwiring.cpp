#include "window/browserwiring.h"

#include "cef/cefbrowser.h"
#include "cef/qcefapp.h"
#include "cef/qcefclient.h"
#include "cef/qcefengine.h"
#include "tools/tools.h"
#include "window/errorpage.h"
#include "window/loadfailurerecovery.h"
#include "window/popuphook.h"
#include "window/qcefview.h"
#include "window/rendererrecovery.h"
#include "window/splashhandover.h"
#include "window/windowlog.h"
#include "window/windowregistry.h"
#include "window/windowstatuscontrol.h"

#include <QTimer>

namespace {

// The window the shell opens at start; its error page stands in for the splash.
const QString kStartupWindow = QStringLiteral("login");

} // namespace

BrowserWiring::BrowserWiring(QCefEngine &engineHost, const WindowRegistry &registry,
    const Receivers &receivers, QObject *parent)
    : QObject(parent)
    , m_engineHost(engineHost)
    , m_registry(registry)
    , m_receivers(receivers)
{
}

void BrowserWiring::createBrowser(WindowRecord &record)
{
    record.client = m_engineHost.app()->createBrowser(QStringLiteral("app"), false, record.url,
        record.openSize.width(), record.openSize.height());
    if (!record.client) {
        qCDebug(lcWindow) << "no browser yet for" << record.objectName;
        return;
    }
    QCefClient *client = record.client.data();
    connectToView(client);

    const bool startup = record.objectName == kStartupWindow;
    if (startup && m_notSetUp) {
        m_notSetUp = false;
        showNotSetUp(client);
        return;
    }
    auto *failures = new LoadFailureRecovery(record.objectName, startup, client);
    if (startup)
        connect(failures, &LoadFailureRecovery::sgShowBeforeLoaded, &m_receivers.splash,
            &SplashHandover::onLoadEnd);
    new RendererRecovery(record.objectName, *failures, client);
}

void BrowserWiring::connectToView(QCefClient *client)
{
    QCefView *view = &m_receivers.view;
    connect(client, &QCefClient::sgCloseBrowser, view, &QCefView::onCloseBrowser);
    connect(client, &QCefClient::sgLoadEnd, view, &QCefView::onLoadEnd);
    connect(client, &QCefClient::sgRaiseFrontWindows, view, &QCefView::raiseFrontWindows);
    connect(client, &QCefClient::sgHookPopup, &m_receivers.popups, &PopupHook::onHookPopup);
    connect(client, &QCefClient::sgFullScreenModeChange, &m_receivers.status,
        &WindowStatusControl::onFullScreenModeChange);
    connect(client, &QCefClient::sgDownload, view, &QCefView::onDownload);
    connect(client, &QCefClient::sgSendCookie, view, &QCefView::onSendCookie);
    connect(client, &QCefClient::sgCollectCookie, view, &QCefView::onCollectCookie);
}

// No page loads, so no load can fail or end: the page is put in as soon as the browser exists
// (it is made in the next turn of the event loop) and takes over from the splash at once.
void BrowserWiring::showNotSetUp(QCefClient *client)
{
    connect(
        client, &QCefClient::sgShellLink, this, [](CefRefPtr<CefBrowser>, const QString &command) {
            if (command == QLatin1String("quit"))
                Tools::instance()->quitApp();
        });
    QTimer::singleShot(0, client, [this, client] {
        if (const CefRefPtr<CefBrowser> browser = client->getBrowser()) {
            browser->loadHtml(ErrorPage::notSetUpHtml());
            m_receivers.splash.onLoadEnd(browser);
        }
    });
}

void BrowserWiring::onAttached(const QString &name)
{
    const WindowRecord *record = m_registry.find(name);
    if (record && record->client)
        connect(record->client.data(), &QCefClient::sgWebMsgReceived, &m_receivers.view,
            &QCefView::sgWebMsgReceived);
}
