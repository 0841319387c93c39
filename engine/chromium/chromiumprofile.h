#pragma once

#include "engine/engineprofile.h"

#include <QHash>
#include <QJsonObject>
#include <QPointer>

class ChromiumCookies;
class ChromiumDownloads;
class ChromiumPage;
class ChromiumProcess;
class DevToolsPipe;
struct PageScripts;
class TabMute;

// A profile of the system's Chromium: one browser process of its own, whose
// page targets it attaches to as they appear and hands to the page that
// opened them; the windows the pages' popups would open, it closes.
// A browser that ended unasked is started again by its process: each live page opens a window
// in the new one, which its page puts where the ended one's stood.
// Runs on the GUI thread. Its pages go before it; the browser goes with it.
//
// The page options are the next step: until then a page's window opens at
// Chromium's size, shown, until the shell takes it into its own window.
class ChromiumProfile : public EngineProfile
{
    Q_OBJECT
    Q_DISABLE_COPY(ChromiumProfile)

public:
    // scripts: what every page's documents run; outlives the profile.
    ChromiumProfile(ChromiumProcess *process, const PageScripts &scripts, QObject *parent);
    ~ChromiumProfile() override;

    EnginePage *createPage(const PageOptions &options) override;
    void setCookie(const QNetworkCookie &cookie, const QUrl &origin) override;
    void deleteCookie(const QNetworkCookie &cookie) override;
    void deleteAllCookies() override;
    void clearHttpCache() override;

private:
    void setUpBrowser();
    void onBrowserEnded();
    void onEvent(const QString &method, const QJsonObject &params, const QString &sessionId);
    void onAttached(const QJsonObject &params, const QString &parentSessionId);
    ChromiumPage *pageOfSession(const QString &sessionId) const;
    void purgeCache(const QString &sessionId);

    ChromiumProcess *m_process;
    DevToolsPipe *m_pipe;
    const PageScripts &m_scripts;
    // By the mark in the address each page's window opened at.
    QHash<QString, QPointer<ChromiumPage>> m_pages;
    bool m_browserReady = false;
    QStringList m_unopened;
    ChromiumCookies *m_cookies;
    ChromiumDownloads *m_downloads;
    TabMute *m_tabMute;
    // Asked while no page was there to take it.
    bool m_cachePurgeOwed = false;
};
