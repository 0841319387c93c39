#include "cef/cefcookiemanager.h"

#include "cef/cefcookievisitor.h"
#include "engine/engineprofile.h"

#include <QNetworkCookie>
#include <QUrl>

#include <algorithm>

namespace {

CefCookieManager *globalManager = nullptr;

} // namespace

CefCookieManager::CefCookieManager(EngineProfile *profile)
    : m_profile(profile)
    , m_mirror(profile)
{
    globalManager = this;
}

CefCookieManager::~CefCookieManager()
{
    if (globalManager == this)
        globalManager = nullptr;
}

CefCookieManager *CefCookieManager::GetGlobalManager()
{
    return globalManager;
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
        if (deleteCookie && m_profile)
            m_profile->deleteCookie(cookies.at(count));
        if (!goOn)
            break;
    }
    return true;
}
