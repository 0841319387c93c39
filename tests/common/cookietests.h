#pragma once

#include "cef/cefcookiemanager.h"
#include "cef/qcefclient.h"
#include "window/qcefview.h"

#include <QNetworkCookie>
#include <QSignalSpy>
#include <QStringList>

#include <utility>

// What a client, as visitor of the cookies a request to url would carry, sends on:
// "name=value", sorted.
inline QStringList visitedCookies(const QString &url, bool includeHttpOnly)
{
    QCefClient client;
    QSignalSpy sent(&client, &QCefClient::sgSendCookie);
    CefCookieManager::GetGlobalManager()->VisitUrlCookies(url, includeHttpOnly, &client);
    QStringList cookies;
    for (const QList<QVariant> &cookie : std::as_const(sent))
        cookies.append(cookie.at(0).toString() + QLatin1Char('=') + cookie.at(1).toString());
    cookies.sort();
    return cookies;
}

// The engine windows collected cookies of two sites: the game's, and the portal's session,
// which must never reach the game.
inline void collectCookiesOfTwoSites(QCefView &windows)
{
    const auto collect = [&windows](const char *name, const char *value, const QString &domain) {
        QNetworkCookie cookie(name, value);
        cookie.setDomain(domain);
        cookie.setPath(QStringLiteral("/"));
        windows.onCollectCookie(cookie);
    };
    collect("session", "abc", QStringLiteral("my-game.localhost"));
    collect("user", "7", QStringLiteral(".my-game.localhost"));
    collect("portalSession", "secret", QStringLiteral("portal.localhost"));
}
