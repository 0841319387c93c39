#pragma once

#include "cef/cefrefptr.h"
#include "window/windowrecord.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QSystemTrayIcon>

#include <memory>
#include <unordered_map>

class CefBrowser;
class QCefEngine;
class QTimer;
class QWebEngineProfile;
class WindowDragHook;
class WindowPlacement;

// The window manager (cppCef): a registry of named windows, each a scene
// window holding a browser; children follow their father.
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
    const QHash<QString, QString> &cookieTable() const { return m_cookieTable; }
    void raiseFrontWindows(int browserId);
    void restoreFullScreenWindows();
    void setDragging(bool dragging);

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
    void onIECloseBrowser(const QString &objectName);

protected slots:
    virtual void onCefTimer();

private:
    enum class Change { X, Y, Width, Height };

    QCefView();

    // Opening:
    WindowPlacement placeWindow(const QString &fatherName, const QString &rect,
        const QString &align, const QString &valign, bool lostFocusHide) const;
    QString openWindowJson(
        const QString &objectName, const QRect &frame, bool visible, bool front) const;
    void hideSiblingsThatNeedHide(const QString &fatherName);
    void createBrowser(WindowRecord &record);
    QWindow *sceneWindow(const WindowRecord &record) const;

    // Attachment:
    void attachNextPending();
    bool attach(WindowRecord &record, QWindow *window);
    void collectCookies(const WindowRecord &record);
    void embedBrowserWindow(WindowRecord &record, QWindow *window, QWindow *browserWindow);
    void embedLegacyWidget(WindowRecord &record, QWindow *window);
    QWebEngineProfile *legacyProfile();
    void trackGeometry(WindowRecord &record, QWindow *window);
    void followFather(const QString &name, Change change);

    // Operations:
    WindowRecord *attachedWindow(const QString &name) const;
    void closeOrHide(const WindowRecord &record);
    void saveNormalGeometry(WindowRecord &record);
    static void applyGeometry(QWindow *window, const QRect &frame);
    void closeLegacyWindows();
    void removeFromFather(const WindowRecord &record);
    void restoreShell();
    void onTrayActivated(QSystemTrayIcon::ActivationReason reason);
    void onLogoTimer();
    void unregister(const QString &name);

    bool m_dragging = false;
    QString m_hookPopupName;
    QTimer *m_engineTimer = nullptr;
    bool m_engineTimerStarted = false;
    QWindow *m_mainWindow = nullptr;
    QCefEngine *m_engineHost = nullptr;
    QStringList m_pendingWindows;
    QHash<QString, QString> m_cookieTable;
    std::unordered_map<QString, std::unique_ptr<WindowRecord>> m_windows;
    // A name rather than a record: the popup may close and go at any time.
    QString m_currentPopup;
    QSystemTrayIcon *m_trayIcon = nullptr;
    QTimer *m_logoTimer = nullptr;
    CefRefPtr<CefBrowser> m_lastLoadedBrowser;
    WindowDragHook *m_dragHook = nullptr;
    QWebEngineProfile *m_legacyProfile = nullptr;
};
