#include "window/legacywindows.h"

#include "app/dirhelper.h"
#include "cef/cefcookiemanager.h"
#include "cef/qcefclient.h"
#include "cef/qcefengine.h"
#include "engine/browserengine.h"
#include "engine/engineprofile.h"
#include "window/qie.h"
#include "window/windowregistry.h"

#include <QCoreApplication>
#include <QNetworkCookie>
#include <QWindow>

#include <utility>

LegacyWindows::LegacyWindows(
    const WindowRegistry &registry, QCefEngine &engineHost, QObject *parent)
    : QObject(parent)
    , m_registry(registry)
    , m_engineHost(engineHost)
{
    connect(qApp, &QCoreApplication::aboutToQuit, this, &LegacyWindows::closeAll);
}

void LegacyWindows::collectCookies(const WindowRecord &record)
{
    if (CefCookieManager *cookies = CefCookieManager::GetGlobalManager())
        cookies->VisitUrlCookies(record.url, true, record.client.data());
}

void LegacyWindows::onSendCookie(const QString &cookieName, const QString &cookie)
{
    m_cookieTable.insert(cookieName, cookie);
}

void LegacyWindows::onCollectCookie(const QNetworkCookie &cookie)
{
    m_cookies.insertCookie(cookie);
}

QWindow *LegacyWindows::open(WindowRecord &record)
{
    auto *ie = new QIE(
        profile(), record.url, m_cookies.cookiesForUrl(QUrl(record.url, QUrl::TolerantMode)));
    ie->navigate(record.url);
    ie->setName(record.objectName);
    record.ieWidget = ie;
    connect(ie, &QIE::sgClose, this, &LegacyWindows::sgClosed);
    return ie->window();
}

EngineProfile &LegacyWindows::profile()
{
    return *m_engineHost.engine().legacyProfile(DirHelper::instance()->legacyPath());
}

void LegacyWindows::clearCache()
{
    profile().clearHttpCache();
    profile().deleteAllCookies();
}

// A legacy browser has to go while the engine is still there; the deletions
// this defers run once more after the event loop has ended.
void LegacyWindows::closeAll()
{
    QList<QWindow *> windows;
    m_registry.forEach([&windows](const WindowRecord &record) {
        if (record.ieWidget)
            windows.append(record.window);
    });
    for (QWindow *window : std::as_const(windows))
        window->close();
}
