#pragma once

#include "engine/chromium/bridgebinding.h"
#include "engine/chromium/chromiumscriptdialogs.h"
#include "engine/chromium/navigationguard.h"
#include "engine/enginepage.h"

#include <QPointer>
#include <QSet>
#include <QUrl>
#include <QWindow>

class ChromiumFileChooser;
class DevToolsPipe;
class PageCover;
class PageInput;
class QJsonObject;
class QTimer;
struct PageOptions;
class TabMute;
struct PageScripts;

// A page of the system's Chromium: an app window of the browser, opened at
// an address carrying the page's mark, its target attached to over the pipe
// and set up before its first document runs a script: the page script in the
// page's world, the bridge in a world of its own with the binding only that
// world has. Frames of another process get the same as they come.
// Runs on the GUI thread; its profile routes the browser's events for its
// sessions here.
//
// What this step does: the window, loads and their signals, scripts, the
// bridge, reload and ping, the renderer's end (crashed, or ended on the
// shell's word), the navigations of the page's frames over the network
// (NavigationGuard), the popups the page asks for, whose windows the profile
// closes before they load, permissions, answered ahead of each main-frame
// document (PermissionPresets), script dialogs and the question whether to
// leave, the shell's to allow and the browser's own to draw
// (ChromiumScriptDialogs), file inputs, answered through the shell's chooser
// (ChromiumFileChooser), and the hang question, the shell's own over the page
// (PageCover); its profile tells its downloads. The player's input
// (PageInput): full screen, pointer lock, the context menu the shell lets and
// no browser keys, and the keyboard focus given to the page's window as the
// shell's window holding it is activated or clicked; <select> lists open
// inside the page. Out of sight, the page's window is told it is minimised,
// as a window manager would tell it, and its documents are hidden; mute is the
// browser's own for the tab (TabMute); screen wake locks are the shell's.
// The page's window is one of its own for the whole of its life, there at once, the one the
// shell holds: the browser's window goes into it as it shows, and the window of a browser started
// again after the first one ended goes where that one stood.
// Navigations to other programs' schemes are not asked about: Chromium hands
// them to the desktop's opener itself (mailto: at once, others after its own
// question), and no command holds them back; the opener the browser is given
// opens nothing, so none is ever followed.
class ChromiumPage : public EnginePage
{
    Q_OBJECT
    Q_DISABLE_COPY(ChromiumPage)

public:
    ChromiumPage(DevToolsPipe *pipe, const PageScripts &scripts, const QString &mark,
        const PageOptions &options, QObject *parent = nullptr);
    ~ChromiumPage() override;

    // The address the page's window opens at, before the page's first load.
    static QString placeholderUrl(const QString &mark);
    // The mark of a placeholder address; empty for any other address.
    static QString markOf(const QString &url);
    // What Target.setAutoAttach asks, for the browser and each page alike.
    static QJsonObject autoAttachParams();

    // The profile's tab mute, which outlives the page.
    void setTabMute(TabMute *tabMute) { m_tabMute = tabMute; }
    bool ownsSession(const QString &sessionId) const;
    // The session of the page's own target; empty while it has none.
    const QString &session() const { return m_session; }
    // The browser attached a target of this page: its own, or a frame's.
    void onAttached(const QString &sessionId, const QJsonObject &targetInfo);
    void onEvent(const QString &method, const QJsonObject &params, const QString &sessionId);
    void onDetached(const QString &sessionId);
    // The browser ended unasked, its window and targets with it: the renderer's end is told as
    // a crash's, and the page waits for its target in the next browser.
    void onBrowserEnded();

    // EnginePage:
    QWindow *window() const override;
    QUrl url() const override;
    void load(const QUrl &url) override;
    void loadHtml(const QString &html) override;
    void runJavaScript(const QString &code) override;
    void reloadBypassingCache() override;
    void setAudioMuted(bool muted) override;
    void setVisibleToPlayer(bool visible) override;
    void ping() override;
    bool endRenderer() override;
    void askAboutHang() override;
    void dropHangQuestion() override;
    void leaveFullScreen() override;
    bool holdsPointerLock() const override;
    bool isWaitingForPlayer() const override;

signals:
    // A notification of a document whose origin the shell grants notifications.
    void sgNotificationShown(const QString &title, const QString &message);

private:
    void setUpTarget(const QString &sessionId, bool mainFrame);
    void onSetUpAnswered();
    void navigate(const QString &url);
    void onPageEvent(const QString &method, const QJsonObject &params);
    void onNetworkEvent(const QString &method, const QJsonObject &params);
    void onNavigationAsked(NavigationRequest &request);
    void tellLoadStarted();
    void onWindowOpen(const QJsonObject &params);
    void failLoad(const QString &loaderId, const QString &errorText);
    void onRendererGone();
    void lookForWindow();
    void takeBrowserWindow(WId id);
    void onWakeLock(const QString &what, const QString &lock, const QString &origin);
    void onReport(const QJsonArray &report);

    DevToolsPipe *m_pipe;
    const PageScripts &m_scripts;
    QString m_mark;
    BridgeBinding m_bridge;
    NavigationGuard m_navigations;
    PageInput *m_input;
    QString m_session;
    QString m_targetId;
    QSet<QString> m_frameSessions;
    // Asked before the target was there and set up.
    QString m_pendingUrl;
    int m_setUpUnanswered = 0;
    QTimer *m_windowSearch;
    int m_windowTries = 0;
    // The page's own, and the current browser's inside it.
    QPointer<QWindow> m_window;
    QPointer<QWindow> m_browserWindow;
    bool m_visibleToPlayer = true;
    // Shown once the browser's window is in it, unless the shell has put it into one of its own.
    bool m_showAtOpen = false;
    TabMute *m_tabMute = nullptr;
    bool m_audioMuted = false;
    QUrl m_url;
    // The main document's origin while the shell grants it notifications; empty otherwise.
    QString m_notifyingOrigin;

    // The load under way in the main frame; the placeholder and the pages
    // made from text are no loads, and tell nothing. One from a server is
    // told once the shell let its request go.
    struct Load
    {
        QUrl url;
        QString loaderId;
        int httpStatus = 0;
        bool awaitsRequest = false;
        bool told = false;
        bool failed = false;
        bool committed = false;
    } m_load;
    QString m_htmlUrl;
    bool m_endingRenderer = false;
    ChromiumScriptDialogs m_dialogs;
    ChromiumFileChooser *m_files;
    QPointer<PageCover> m_hangQuestion;
};
