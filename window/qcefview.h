#pragma once

#include "cef/cefrefptr.h"
#include "window/windowfocus.h"
#include "window/windowregistry.h"

#include <QHash>
#include <QObject>

#include <memory>

class BrowserAttacher;
class BrowserWiring;
class CefBrowser;
class LegacyWindows;
class PageSight;
class PopupHook;
class QCefEngine;
class QNetworkCookie;
class QTimer;
class QWindow;
class ShellVisibility;
class SplashHandover;
class WindowDragHook;
class WindowFollower;
class WindowOpener;
class WindowStatusControl;

// The window manager (cppCef): a registry of named windows, each a scene
// window holding a browser; children follow their father. The one object the
// scene and the page requests talk to; each of its jobs lives in a class of
// its own (registry, browser wiring, attachment, following, visibility,
// splash, legacy windows, window statuses, popup hook, focus), this one opens
// windows and routes the rest.
// Runs on the GUI thread. instance() creates it on first use; it lives until
// process exit.
class QCefView : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(QCefView)

public:
    static QCefView *instance();
    ~QCefView() override;

    // Once, with the main view and the engine, before the first window opens.
    void init(QWindow *mainWindow, QCefEngine *engineHost);
    void startEngineTimer();
    void setDragHook(WindowDragHook *hook);

    WindowRecord *findWindow(const QString &name) const;
    // Cookie name to value, as the engine windows had them when attached; for
    // the legacy windows.
    const QHash<QString, QString> &cookieTable() const;
    void raiseFrontWindows(int browserId);
    // Their pages leave full screen with them.
    void restoreFullScreenWindows();
    // A page holds the pointer locked: Escape gives the pointer back before it leaves full
    // screen.
    bool holdsPointerLock() const;
    void setDragging(bool dragging);
    bool isShellHidden() const;
    // Another start of the program asks for the shell.
    void bringBack();
    // The start-up window, opening with no address, shows that the program is not set up.
    void openNotSetUpWindow(const QString &objectName, const QString &rect, const QString &align,
        const QString &valign);

    // Opening and queries:
    Q_INVOKABLE void openWindow(const QString &objectName, const QString &fatherName,
        const QString &ie, const QString &url, const QString &rect, const QString &align,
        const QString &valign, const QString &needHide, const QString &lostFocusHide,
        const QString &front, bool visible = true);
    Q_INVOKABLE QString getCefClients(const QString &objectName, bool containSelf = true) const;
    Q_INVOKABLE QString getFatherName(const QString &objectName) const;
    Q_INVOKABLE bool getNeedHide(const QString &objectName) const;
    Q_INVOKABLE void sendToWeb(const QString &objectName, const QString &msg);
    Q_INVOKABLE void test();

    // Operations:
    Q_INVOKABLE void closeWindow(const QString &objectName);
    Q_INVOKABLE void closeAllBrowser();
    Q_INVOKABLE void setWindowStatus(const QString &objectName, const QString &status);
    Q_INVOKABLE void switchWindow(const QString &objectName, const QString &needHide);
    Q_INVOKABLE void moveWindow(const QString &objectName);
    Q_INVOKABLE void resizeWindow(
        const QString &objectName, const QString &width, const QString &height);
    Q_INVOKABLE void hideWindow(const QString &objectName);
    Q_INVOKABLE void setWindowHidden(bool flag);
    Q_INVOKABLE void setTrayIcon(bool flag);
    Q_INVOKABLE void hideToTray();
    Q_INVOKABLE void reload(const QString &objectName);
    Q_INVOKABLE void load(const QString &objectName, const QString &url);
    Q_INVOKABLE void openUrl(const QString &url);
    Q_INVOKABLE void setHookPopup(const QString &objectName);
    Q_INVOKABLE void clearIECache();

signals:
    void sgWebMsgReceived(const QString &msg);
    void sgOpenNewWindow(QObject *father, const QString &json);
    void sgCloseWindow(const QString &name);
    void sgCloseLogo();

public slots:
    void onCloseBrowser(CefRefPtr<CefBrowser> browser);
    void onLoadEnd(CefRefPtr<CefBrowser> browser);
    void onDownload(
        CefRefPtr<CefBrowser> browser, int progress, const QString &state, const QString &fileName);
    void onSendCookie(const QString &cookieName, const QString &cookie);
    void onCollectCookie(const QNetworkCookie &cookie);
    void onIECloseBrowser(const QString &objectName);
    // The application's focus window: a shell window that takes the focus
    // closes the open popup.
    void onFocusWindowChanged(QWindow *window);

protected slots:
    virtual void onCefTimer();

private:
    QCefView();

    // Operations:
    void closeOrHide(const WindowRecord &record);
    void forget(const WindowRecord &record);

    WindowRegistry m_registry;
    WindowFocus m_focus;
    QWindow *m_mainWindow = nullptr;
    QCefEngine *m_engineHost = nullptr;
    QTimer *m_engineTimer = nullptr;
    bool m_engineTimerStarted = false;
    WindowFollower *m_follower = nullptr;
    LegacyWindows *m_legacy = nullptr;
    BrowserAttacher *m_attacher = nullptr;
    ShellVisibility *m_visibility = nullptr;
    PageSight *m_sight = nullptr;
    SplashHandover *m_splash = nullptr;
    PopupHook *m_popups = nullptr;
    WindowStatusControl *m_status = nullptr;
    BrowserWiring *m_wiring = nullptr;
    std::unique_ptr<WindowOpener> m_opener;
    WindowDragHook *m_dragHook = nullptr;
};
