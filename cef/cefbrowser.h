#pragma once

#include "cef/cefrefptr.h"
#include "engine/enginepage.h"

#include <QObject>
#include <QPointer>

class EngineProfile;
class QCefClient;
class QWindow;
struct PageOptions;

// The shell's handle on one page of the engine: what the window manager and
// the client ask of the page, and the page's window to put into a scene
// window. The page's events go to the client, which listens to the page itself.
// Runs on the GUI thread. Lives while someone holds a reference; its page goes
// when the browser closes or the engine stops.
class CefBrowser : public QObject
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
    // The page's own top-level window; null once the browser has closed.
    QWindow *window() const;
    // The main frame's address as the engine reports it.
    QString url() const;
    void loadUrl(const QString &url);
    // A page of the shell's own, made from text: it needs no network.
    void loadHtml(const QString &html);
    // Runs in the main frame, in the page's own script world.
    void executeJavaScript(const QString &code);
    void reloadIgnoreCache();
    // The page's sound as the portal asked for it; a new browser starts unmuted.
    void setAudioMuted(bool muted);
    // The shell holds the page's sound back whatever the portal asked, and lets it go as the
    // portal asked it last.
    void setSilenced(bool silenced);
    // Whether the player can see the page's window; a new browser counts as seen.
    void setVisibleToPlayer(bool visible);
    bool isVisibleToPlayer() const { return m_visibleToPlayer; }
    // Ends the page's render process, which the client then hears of as a
    // kill. False when there was none to end.
    bool terminateRenderProcess();
    // The page leaves its full screen, as its window has.
    void exitFullScreen();
    bool holdsPointerLock() const;
    // sgClosed follows on a later turn of the event loop, once however often
    // the browser is closed.
    void closeBrowser();

signals:
    void sgClosed();
    void sgVisibleToPlayerChanged(bool visible);

private:
    explicit CefBrowser(EnginePage *page);
    void applyMute();

    const int m_identifier;
    QPointer<EnginePage> m_page;
    bool m_closed = false;
    bool m_audioMuted = false;
    bool m_silenced = false;
    bool m_visibleToPlayer = true;
};

Q_DECLARE_METATYPE(CefRefPtr<CefBrowser>)
