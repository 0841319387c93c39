#pragma once

#include <QNetworkCookieJar>

class EngineProfile;

// A copy of a profile's cookies, kept by its change signals: the profile
// tells its changes but cannot be asked for the cookies of an address.
// The jar's cookiesForUrl() then answers with the cookies a request to the
// address would carry (domain, path, secure and expiry rules).
// The profile reads the cookies of earlier runs once, as the first page
// loads, and tells them as it reads them: a mirror made later never hears of
// them.
// Runs on the GUI thread. Stops following the profile when either goes.
class CookieMirror : public QNetworkCookieJar
{
    Q_OBJECT
    Q_DISABLE_COPY(CookieMirror)

public:
    // To be made before the first page loads.
    explicit CookieMirror(EngineProfile *profile, QObject *parent = nullptr);
};
