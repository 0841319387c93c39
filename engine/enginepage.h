#pragma once

#include <QObject>

class ContextMenuRequest;
class EngineDownload;
class FullScreenRequest;
class NavigationRequest;
class PermissionRequest;
class PermissionsAhead;
class PointerLockRequest;
struct PopupRequest;
class ScriptDialogRequest;
class WakeLockRequest;
class QUrl;
class QWindow;
struct BridgeCall;

// One page of the engine in a native top-level window of its own, which the
// shell may put into one of its windows. Everything the shell asks of a page,
// and everything a page tells, typed.
// Runs on the GUI thread. Owned by whoever asked the profile for it; goes at
// the latest with its profile.
class EnginePage : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(EnginePage)

public:
    // How a page's render process ended.
    enum class RendererEnd { Normal, Abnormal, Crashed, Killed };
    Q_ENUM(RendererEnd)
    // What the player chose for a page that does not respond.
    enum class HangChoice { Wait, Reload };
    Q_ENUM(HangChoice)

    using QObject::QObject;

    // The page's own window; closing it, or a window it was put into, closes
    // the page.
    virtual QWindow *window() const = 0;
    // The main frame's address as the engine reports it.
    virtual QUrl url() const = 0;
    virtual void load(const QUrl &url) = 0;
    // A page made from text: it needs no network and reaches no bridge.
    virtual void loadHtml(const QString &html) = 0;
    // In the main frame, in the page's own script world.
    virtual void runJavaScript(const QString &code) = 0;
    virtual void reloadBypassingCache() = 0;
    virtual void setAudioMuted(bool muted) = 0;
    // Whether the player can see the page, as a browser tells a tab: out of sight, its
    // documents are hidden and get no animation frames, while their timers run on.
    virtual void setVisibleToPlayer(bool visible) = 0;
    // Asks the page's render process for a sign of life: sgPingAnswered
    // follows when it gives one. A renderer stuck in a script gives none.
    virtual void ping() = 0;
    // Ends the page's render process at once; sgRendererEnded(Killed)
    // follows. False when the page has no render process to end.
    virtual bool endRenderer() = 0;
    // Over the page, the shell's own question whether to wait for it or reload it;
    // sgHangAnswered follows the player's choice. Asking again while it shows does nothing.
    virtual void askAboutHang() = 0;
    // Takes the question away unanswered: the page responds again.
    virtual void dropHangQuestion() = 0;
    // The page hears that its window left full screen: its full-screen element, if any, leaves
    // it; a sgFullScreenRequested to leave may follow.
    virtual void leaveFullScreen() = 0;
    // The page holds the pointer locked (a game's mouse look) at this moment.
    virtual bool holdsPointerLock() const = 0;
    // A document of the page waits for the player to answer its script dialog:
    // its renderer gives no sign of life meanwhile, and is not hung.
    virtual bool isWaitingForPlayer() const = 0;

signals:
    // Load: a response arrived (httpStatus 200, 404, ...), or none did
    // (networkError: the engine's negative code). Stopped loads tell neither.
    // The shell's own pages made from text are no loads.
    void sgLoadStarted(const QUrl &url);
    void sgLoadFinished(const QUrl &url, int httpStatus);
    void sgLoadFailed(const QUrl &url, int networkError, const QString &errorText);
    // The load fails; the administrator's switch keeps the engine from asking.
    void sgCertificateError(const QUrl &url, const QString &description);
    void sgRendererEnded(EnginePage::RendererEnd end);
    void sgPingAnswered();
    // The server answered the load of url: its document took the place of the page's previous
    // one, and what arrives of it shows as it comes. May be told more than once.
    void sgLoadCommitted(const QUrl &url);
    void sgHangAnswered(EnginePage::HangChoice choice);

    // Requests: nothing opens, and no menu shows, unless the receivers let it.
    void sgPopupRequested(const PopupRequest &request);
    void sgContextMenuRequested(ContextMenuRequest &request);
    void sgNavigationRequested(NavigationRequest &request);
    void sgCloseRequested();
    void sgDownloadRequested(EngineDownload *download);
    void sgFullScreenRequested(FullScreenRequest &request);
    void sgPermissionRequested(PermissionRequest &request);
    // Before each document of the main frame, as its load goes on.
    void sgPermissionsAheadNeeded(PermissionsAhead &request);
    void sgPointerLockRequested(PointerLockRequest &request);
    void sgScriptDialogRequested(ScriptDialogRequest &request);
    // The player answered a script dialog shown; stopDialogs: and chose to stop the page's.
    void sgScriptDialogAnswered(bool stopDialogs);

    // A document asks to keep the screen on, or let its lock go (released, or hidden): lock as
    // the request named it.
    void sgWakeLockRequested(WakeLockRequest &request);
    void sgWakeLockReleased(const QString &lock);

    // The page's window took the focus.
    void sgFocused();
    // The page's window was closed, or a window it was put into was: the page
    // is gone for its user.
    void sgWindowClosed();
    // A call of callQML from this page.
    void sgBridgeCall(const BridgeCall &call);
};
