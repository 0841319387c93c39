#include "cef/cookiemirror.h"

#include "engine/engineprofile.h"

CookieMirror::CookieMirror(EngineProfile *profile, QObject *parent)
    : QNetworkCookieJar(parent)
{
    // The jar replaces a cookie of the same name, domain and path, and an
    // expired one only takes the old one away: no rules of our own needed.
    connect(profile, &EngineProfile::sgCookieAdded, this, &CookieMirror::insertCookie);
    connect(profile, &EngineProfile::sgCookieRemoved, this, &CookieMirror::deleteCookie);
}
