#pragma once

#include <QStringList>
#include <QUrl>

// A page's question whose answer the engine needs before its signal returns:
// the receivers decide by calling the request's methods.

// A context menu about to open.
class ContextMenuRequest
{
public:
    enum Target {
        Page = 1 << 0,
        Link = 1 << 1,
        Media = 1 << 2,
        Selection = 1 << 3,
        Editable = 1 << 4,
    };

    explicit ContextMenuRequest(int targets)
        : m_targets(targets)
    {
    }

    // What the menu was opened on, a combination of Target.
    int targets() const { return m_targets; }
    void suppress() { m_suppressed = true; }
    bool isSuppressed() const { return m_suppressed; }

private:
    int m_targets;
    bool m_suppressed = false;
};

// A page asked for a new window. The engine opens none.
struct PopupRequest
{
    QUrl url;
    // Asked for while the page handled the player's click or key, as browsers
    // require of a popup.
    bool userGesture = false;
    // The origin of the document the player clicked or typed in last (PlayerGesture): the engine
    // does not say which frame asked, and only that document's gesture opens a popup.
    QString actingOrigin;
    // The origin of the main frame's document.
    QString pageOrigin;
};

// The page is about to navigate a frame.
class NavigationRequest
{
public:
    NavigationRequest(const QUrl &url, bool mainFrame)
        : m_url(url)
        , m_mainFrame(mainFrame)
    {
    }

    const QUrl &url() const { return m_url; }
    bool isMainFrame() const { return m_mainFrame; }
    void reject() { m_rejected = true; }
    bool isRejected() const { return m_rejected; }

private:
    QUrl m_url;
    bool m_mainFrame;
    bool m_rejected = false;
};

// A page's element asks to fill the screen, or the page leaves full screen. The engine keeps the
// page as it is unless the request is accepted.
class FullScreenRequest
{
public:
    // origin: the asking frame's document's, which may be a frame of another site than the page.
    FullScreenRequest(bool on, const QUrl &origin)
        : m_on(on)
        , m_origin(origin)
    {
    }

    bool isOn() const { return m_on; }
    const QUrl &origin() const { return m_origin; }
    void accept() { m_accepted = true; }
    bool isAccepted() const { return m_accepted; }
    // The player is told for a few seconds who fills the screen, and how to leave.
    void tellThePlayer() { m_told = true; }
    bool isToldToThePlayer() const { return m_told; }

private:
    bool m_on;
    QUrl m_origin;
    bool m_accepted = false;
    bool m_told = false;
};
