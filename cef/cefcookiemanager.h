#pragma once

#include "cef/cookiemirror.h"

#include <QPointer>
#include <QtGlobal>

class CefCookieVisitor;
class EngineProfile;
class QString;

// The engine's cookies, as the window manager reads them.
// Runs on the GUI thread. The running engine holds the one global manager.
class CefCookieManager
{
    Q_DISABLE_COPY(CefCookieManager)

public:
    // The global manager from now on, until it goes.
    explicit CefCookieManager(EngineProfile *profile);
    ~CefCookieManager();

    // Null while no engine runs.
    static CefCookieManager *GetGlobalManager();

    // The cookies a request to url would carry, longest path first; the address
    // is read as a browser reads what it is told to load. Unlike the engine's
    // own visit this one is over when the call returns, so cookies of earlier
    // runs count only once the engine has read them, soon after the first page
    // starts loading. False for an address that is not one.
    bool VisitUrlCookies(const QString &url, bool includeHttpOnly, CefCookieVisitor *visitor);

private:
    QPointer<EngineProfile> m_profile;
    CookieMirror m_mirror;
};
