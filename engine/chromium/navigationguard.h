#pragma once

#include <QString>

#include <functional>

class DevToolsPipe;
class NavigationRequest;
class QJsonObject;

// Holds every document request of a page's frames until the shell has answered the navigation
// it belongs to (Fetch, paused at the request): a refused one gets an empty answer ("204 No
// Content"), which a browser takes for no navigation at all, the frame keeping its document.
// Only what goes over the network passes here: Chromium hands addresses of other programs'
// schemes to the desktop itself, unasked and with no command to hold them back.
// Runs on the GUI thread; its page owns it.
class NavigationGuard
{
public:
    NavigationGuard(DevToolsPipe *pipe, std::function<void(NavigationRequest &)> asker);

    // What each of the page's targets is set up with before its first request.
    static QJsonObject fetchParams();
    // The page's main frame, whose id the browser gives its target.
    void setMainFrame(const QString &frameId) { m_mainFrame = frameId; }
    // Fetch.requestPaused on one of the page's sessions.
    void onRequestPaused(const QJsonObject &params, const QString &sessionId) const;

private:
    DevToolsPipe *m_pipe;
    std::function<void(NavigationRequest &)> m_asker;
    QString m_mainFrame;
};
