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
    // The origins of the documents the player's clicks and keys of the last
    // few seconds went to: the popup came from one of them.
    QStringList gestureOrigins;
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
    explicit FullScreenRequest(bool on)
        : m_on(on)
    {
    }

    bool isOn() const { return m_on; }
    void accept() { m_accepted = true; }
    bool isAccepted() const { return m_accepted; }

private:
    bool m_on;
    bool m_accepted = false;
};
