#include "cef/cookiemirror.h"

#include <QtWebEngineCore/QWebEngineCookieStore>

CookieMirror::CookieMirror(QWebEngineCookieStore *store, QObject *parent)
    : QNetworkCookieJar(parent)
{
    // The jar replaces a cookie of the same name, domain and path, and an
    // expired one only takes the old one away: no rules of our own needed.
    connect(store, &QWebEngineCookieStore::cookieAdded, this, &CookieMirror::insertCookie);
    connect(store, &QWebEngineCookieStore::cookieRemoved, this, &CookieMirror::deleteCookie);
    store->loadAllCookies();
}
