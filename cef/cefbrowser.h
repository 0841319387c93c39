#pragma once

#include "cef/cefrefptr.h"
#include "engine/enginepage.h"

#include <QEnableSharedFromThis>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QWindow>

class EngineProfile;
class QCefClient;
class QCefV8Handler;
struct PageOptions;

// The shell's handle on one page of the engine: the page's window, what the
// window manager asks of it, and its events turned into calls on its client.
// Runs on the GUI thread. Lives while someone holds a reference; its page goes
// when the browser closes or the engine stops.
class CefBrowser : public QObject, public QEnableSharedFromThis<CefBrowser>
{
    Q_OBJECT
    Q_DISABLE_COPY(CefBrowser)

public:
    // Answers at once, like the engine: the browser comes into being on a later
    // turn of the event loop and reaches the client through OnAfterCreated.
    static void createBrowser(EngineProfile *profile, const PageOptions &options,
        const CefRefPtr<QCefClient> &client, const QString &url);
    ~CefBrowser() override;

    // Positive and unique for the run, counted from 1.
    int identifier() const { return m_identifier; }
    // The native window; 0 once the browser has closed.
    WId windowHandle() const;
    // The main frame's address as the engine reports it.
    QString url() const;
    void loadUrl(const QString &url);
    // A page of the shell's own, made from text: it needs no network.
    void loadHtml(const QString &html);
    // Runs in the main frame, in the page's own script world.
    void executeJavaScript(const QString &code);
    void reloadIgnoreCache();
    // The page's sound; a new browser starts unmuted.
    void setAudioMuted(bool muted);
    // Ends the page's render process, which the client then hears of as a
    // kill. False when there was none to end.
    bool terminateRenderProcess();
    // The page leaves its full screen, as its window has.
    void exitFullScreen();
    bool holdsPointerLock() const;
    // The client hears OnBeforeClose on a later turn of the event loop.
    void closeBrowser();

private:
    CefBrowser(EnginePage *page, QCefClient *client);
    void connectPage();

    // Load:
    void onLoadStarted(const QUrl &url);
    void onLoadFinished(const QUrl &url, int httpStatus);
    void onLoadFailed(const QUrl &url, int networkError, const QString &errorText);
    void onRendererEnded(EnginePage::RendererEnd end);
    // Requests:
    void onPopupRequested(const PopupRequest &request);
    void onContextMenuRequested(ContextMenuRequest &request);
    // A link of the shell's own pages ("http://lumen-shell.invalid/<command>")
    // is a command to the client, never an address. A private scheme would
    // not do: the engine hands unknown schemes to the desktop.
    // Only OpenUrl gives the desktop an address: a page's navigation elsewhere
    // is refused, and logged once per scheme.
    void onNavigationRequested(NavigationRequest &request);
    void refuseNavigation(NavigationRequest &request);
    // Downloads: the client chooses where one goes; an accepted one is written
    // under a temporary name, followed, and its end reported once, after the
    // file took its final name.
    void startDownload(EngineDownload *download);
    void reportDownload(EngineDownload &download);
    static QString landingFailure(const EngineDownload &download, const QString &target);

    void reportClosed();

    const int m_identifier;
    QPointer<QCefClient> m_client;
    QPointer<EnginePage> m_page;
    QCefV8Handler *m_bridge;
    // The final path of each accepted download still running.
    QHash<const EngineDownload *, QString> m_downloadTargets;
    QSet<QString> m_refusedSchemes;
    bool m_closed = false;
};

Q_DECLARE_METATYPE(CefRefPtr<CefBrowser>)
