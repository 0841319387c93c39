#include "cef/cefcookiemanager.h"

#include "cef/cefcontext.h"
#include "cef/cefcookievisitor.h"

#include <QNetworkCookie>
#include <QUrl>
#include <QtWebEngineCore/QWebEngineCookieStore>

#include <algorithm>

CefCookieManager::CefCookieManager(QWebEngineCookieStore *store)
    : m_store(store)
    , m_mirror(store)
{
}

CefCookieManager *CefCookieManager::GetGlobalManager()
{
    CefContext *context = CefContext::current();
    return context ? context->cookieManager() : nullptr;
}

bool CefCookieManager::VisitUrlCookies(
    const QString &url, bool includeHttpOnly, CefCookieVisitor *visitor)
{
    const QUrl address = QUrl::fromUserInput(url);
    if (!address.isValid())
        return false;
    QList<QNetworkCookie> cookies = m_mirror.cookiesForUrl(address);
    if (!includeHttpOnly) {
        cookies.erase(std::remove_if(cookies.begin(), cookies.end(),
                          [](const QNetworkCookie &cookie) { return cookie.isHttpOnly(); }),
            cookies.end());
    }
    for (int count = 0; count < cookies.size(); ++count) {
        bool deleteCookie = false;
        const bool goOn = visitor->Visit(cookies.at(count), count, cookies.size(), deleteCookie);
        if (deleteCookie)
            m_store->deleteCookie(cookies.at(count));
        if (!goOn)
            break;
    }
    return true;
}
