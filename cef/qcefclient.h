#pragma once

#include "cef/cefcookievisitor.h"
#include "cef/cefrefptr.h"
#include "engine/enginepage.h"

#include <QObject>
#include <QSet>

class CefBrowser;
class CefDownloadItem;
class ContextMenuRequest;
class DownloadFollower;
class EngineDownload;
class FullScreenRequest;
class NavigationRequest;
class OriginPolicy;
class QCefV8Handler;
class QUrl;

// Serves one browser: listens to its page, turns the page's events into
// signals for the window manager, and holds the program's browser policies:
// new views are reported to a page instead of opened, pages get no context
// menu, load errors before the first success are logged, navigation leaves
// the engine for no other program, downloads go to the download folder unasked.
// Runs on the GUI thread. Made before its browser; lives while its window
// holds it, and goes on a later turn of the event loop, its browser with it.
class QCefClient : public QObject, public CefCookieVisitor
{
    Q_OBJECT
    Q_DISABLE_COPY(QCefClient)

public:
    QCefClient() = default;

    // Empty until the engine has created the browser.
    CefRefPtr<CefBrowser> getBrowser() const { return m_browser; }

    // Life span:
    // The browser commands page; the client hears what page tells.
    void OnAfterCreated(const CefRefPtr<CefBrowser> &browser, EnginePage &page);

    // Popups:
    void OnBeforePopup(const PopupRequest &request);
    // Why the popup is not hooked, with the sites policy trusts; empty when it is.
    static QString popupRefusal(const PopupRequest &request, const OriginPolicy &policy);

    // Downloads:
    // Where the download goes: the download folder, unasked, under a name no
    // file of another run or program holds.
    QString OnBeforeDownload(const QString &suggestedName);
    void OnDownloadUpdated(const CefRefPtr<CefBrowser> &browser, const CefDownloadItem &item);

    // Cookies:
    bool Visit(const QNetworkCookie &cookie, int count, int total, bool &deleteCookie) override;

signals:
    void sgWebMsgReceived(const QString &msg);
    void sgCloseBrowser(CefRefPtr<CefBrowser> browser);
    // The browser began loading url; the shell's own pages made from text
    // are no loads.
    void sgLoadStart(CefRefPtr<CefBrowser> browser, const QString &url);
    // The server answered the load: its document shows what has arrived of it.
    void sgLoadCommitted(CefRefPtr<CefBrowser> browser);
    void sgLoadEnd(CefRefPtr<CefBrowser> browser);
    // The page failed: a network error (negative code, the engine's), or an
    // HTTP error status (400 and above). Aborted loads are no failures.
    void sgLoadFailed(
        CefRefPtr<CefBrowser> browser, int errorCode, const QString &errorText, const QString &url);
    // The page's render process ended abnormally; lastUrl is what it showed.
    void sgRenderProcessTerminated(
        CefRefPtr<CefBrowser> browser, EnginePage::RendererEnd status, const QString &lastUrl);
    // The renderer of a page on screen stopped answering and the player chose
    // to reload it: ended, it reports its end as a kill.
    void sgRenderProcessUnresponsive(CefRefPtr<CefBrowser> browser);
    // A link of the shell's own pages: the command is the path of its address.
    void sgShellLink(CefRefPtr<CefBrowser> browser, const QString &command);
    // A page asked for a new view: the script text of the HookPopup push, for
    // the window the window manager names as the popup hook.
    // url is the popup's address, for the log when no window takes it.
    void sgHookPopup(const QString &script, const QString &url);
    // The window manager accepts the request when the browser's window follows it.
    void sgFullScreenModeChange(CefRefPtr<CefBrowser> browser, FullScreenRequest &request);
    // The browser got the focus: windows kept in front of the others rise.
    void sgRaiseFrontWindows(int browserId);
    // state "Downloading" with a whole percentage, or with -1 "Succeed" once a
    // download is complete, "Failed" once it ended without its file.
    // fileName is the target's name up to its first dot.
    void sgDownload(
        CefRefPtr<CefBrowser> browser, int progress, const QString &state, const QString &fileName);
    void sgSendCookie(const QString &cookieName, const QString &cookie);
    // The same cookie whole: domain, path and flags.
    void sgCollectCookie(const QNetworkCookie &cookie);

private:
    void listenToLoads(EnginePage &page);
    void listenToRequests(EnginePage &page);
    void OnBeforeClose();

    // Load:
    void OnLoadStart(const QUrl &url);
    void OnLoadEnd(const QUrl &url, int httpStatusCode);
    void OnLoadError(const QUrl &url, int errorCode, const QString &errorText);
    // The load has failed already.
    void OnCertificateError(const QUrl &url, const QString &description);
    void OnRenderProcessTerminated(EnginePage::RendererEnd status);

    // Requests:
    void OnBeforeContextMenu(ContextMenuRequest &request);
    // A link of the shell's own pages ("http://lumen-shell.invalid/<command>")
    // is a command, never an address. A private scheme would not do: the
    // engine hands unknown schemes to the desktop.
    // Only OpenUrl gives the desktop an address: a page's navigation elsewhere
    // is refused, and logged once per scheme.
    void OnBeforeBrowse(NavigationRequest &request);
    void refuseNavigation(NavigationRequest &request);
    // As browsers do, another site's frame filling the screen is named to the player.
    void OnFullScreenModeChange(FullScreenRequest &request);
    void OnDownloadRequested(EngineDownload *download);
    // Only what a trusted origin serves, or made (blob:), is downloaded, and
    // only while the window shows a page of a trusted origin; anything else
    // is cancelled and logged.
    bool OnDownloadFrom(const QUrl &pageUrl, const QUrl &downloadUrl);

    bool m_loadSucceeded = false;
    // Shared by every download of the browser, and never reset: a download
    // reaching the last percentage told for an earlier one does not tell it.
    int m_lastProgress = 0;
    QSet<QString> m_refusedSchemes;
    QCefV8Handler *m_bridge = nullptr;
    DownloadFollower *m_downloads = nullptr;
    CefRefPtr<CefBrowser> m_browser;
};
