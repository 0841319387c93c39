#pragma once

#include "cef/cefframe.h"
#include "cef/cefrefptr.h"
#include "cef/ceftypes.h"

#include <QEnableSharedFromThis>
#include <QHash>
#include <QMetaMethod>
#include <QObject>
#include <QPointer>
#include <QWindow>

class CefProcessMessage;
class CefRequestContext;
class QCefClient;
class QCefRenderHandler;
class QQmlWebChannel;
class QQuickItem;
class QQuickWebEngineDownloadItem;
class QQuickWindow;
struct CefWindowInfo;

// One page in a native window of its own: a frameless top-level Qt Quick
// window holding the engine's view (browserview.qml). Turns the view's events
// into calls on its client.
// Runs on the GUI thread. Lives while someone holds a reference; its window
// goes when the browser closes or the engine stops.
class CefBrowser : public QObject, public QEnableSharedFromThis<CefBrowser>
{
    Q_OBJECT
    Q_DISABLE_COPY(CefBrowser)

public:
    // Answers at once, like the engine: the browser comes into being on a later
    // turn of the event loop and reaches the client through OnAfterCreated.
    static void createBrowser(const CefWindowInfo &windowInfo, const CefRefPtr<QCefClient> &client,
        const QString &url, const CefRefPtr<CefRequestContext> &context);
    ~CefBrowser() override;

    // Positive and unique for the run, counted from 1.
    int identifier() const { return m_identifier; }
    // The native window; 0 once the browser has closed.
    WId windowHandle() const;
    CefFrame *mainFrame() { return &m_mainFrame; }
    void reloadIgnoreCache();
    // The page's sound; a new browser starts unmuted.
    void setAudioMuted(bool muted);
    // The client hears OnBeforeClose on a later turn of the event loop.
    void closeBrowser();
    // Takes the window down at once, without telling the client: the engine is
    // stopping and every view must go before the storage behind it.
    void discardWindow();

    // Downloads its page started. The client chooses where one goes; an
    // accepted one is written under a temporary name, followed, and its end is
    // reported once, by the engine, after the file took its final name.
    bool startedDownload(const QQuickWebEngineDownloadItem &download) const;
    void startDownload(QQuickWebEngineDownloadItem *download);
    void reportDownload(const QQuickWebEngineDownloadItem &download);

    // Events of the view, called from browserview.qml.
    Q_INVOKABLE void onLoadingChanged(
        int status, int errorDomain, int errorCode, const QString &errorString, const QUrl &url);
    Q_INVOKABLE void onNewViewRequested(const QUrl &requestedUrl);
    // True when the menu is handled here and the view shows none.
    Q_INVOKABLE bool onContextMenuRequested(QObject *request);
    Q_INVOKABLE void onWindowCloseRequested();
    Q_INVOKABLE void onCertificateError(QObject *error);
    Q_INVOKABLE void onRenderProcessTerminated(int terminationStatus);
    // True when the address is a link of the shell's own pages
    // ("http://lumen-shell.invalid/<command>"), which the client acts on
    // instead of the view navigating. A private scheme would not do: the engine
    // hands unknown schemes to the desktop, and blocks registered ones, before
    // the view is asked.
    Q_INVOKABLE bool onShellLink(const QUrl &url);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class CefFrame;

    CefBrowser(const CefWindowInfo &windowInfo, QCefClient *client,
        const CefRefPtr<CefRequestContext> &context);
    void createView();
    void onActiveChanged();
    void reportClosed();

    QString url() const;
    void loadUrl(const QString &url);
    void loadHtml(const QString &html);
    void runJavaScript(const QString &code);
    void deliverProcessMessage(CefProcessId target, const CefProcessMessage &message);

    const int m_identifier;
    CefFrame m_mainFrame;
    QPointer<QCefClient> m_client;
    CefRefPtr<QCefRenderHandler> m_renderHandler;
    QPointer<QQuickWindow> m_window;
    QPointer<QQuickItem> m_view;
    QQmlWebChannel *m_channel = nullptr;
    QMetaMethod m_runJavaScript;
    // The final path of each accepted download still running.
    QHash<const QQuickWebEngineDownloadItem *, QString> m_downloadTargets;
    const bool m_pluginsAllowed;
    bool m_closed = false;
};

Q_DECLARE_METATYPE(CefRefPtr<CefBrowser>)
