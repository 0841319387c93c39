#include "window/legacywindows.h"

#include "app/dirhelper.h"
#include "cef/cefcookiemanager.h"
#include "cef/qcefclient.h"
#include "window/qie.h"
#include "window/windowregistry.h"

#include <QCoreApplication>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

LegacyWindows::LegacyWindows(const WindowRegistry &registry, QObject *parent)
    : QObject(parent)
    , m_registry(registry)
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

void LegacyWindows::embed(WindowRecord &record, QWindow *window)
{
    auto *widget = new QIE(
        profile(), record.url, m_cookies.cookiesForUrl(QUrl(record.url, QUrl::TolerantMode)));
    widget->winId();
    widget->windowHandle()->setParent(window);
    widget->navigate(record.url);
    widget->setName(record.objectName);
    widget->resize(record.size);
    widget->move(0, 0);
    widget->show();
    record.ieWidget = widget;

    connect(window, &QWindow::widthChanged, widget,
        [widget](int width) { widget->resize(width, widget->height()); });
    connect(window, &QWindow::heightChanged, widget,
        [widget](int height) { widget->resize(widget->width(), height); });
    connect(widget, &QIE::sgClose, this, &LegacyWindows::sgClosed);
}

QWebEngineProfile *LegacyWindows::profile()
{
    if (!m_profile) {
        m_profile = new QWebEngineProfile(QStringLiteral("legacy"), this);
        const QString path = DirHelper::instance()->legacyPath();
        m_profile->setPersistentStoragePath(path);
        m_profile->setCachePath(path + QStringLiteral("/cache"));
    }
    return m_profile;
}

void LegacyWindows::clearCache()
{
    profile()->clearHttpCache();
    profile()->cookieStore()->deleteAllCookies();
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
    for (QWindow *window : qAsConst(windows))
        window->close();
}
