#pragma once

#include "engine/playergesture.h"

#include <QStringList>
#include <QUrl>
#include <QVector>

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
    // The engine does not say which frame asked: only the document the player acted in last may
    // have. Empty without userGesture.
    PlayerGesture gesture;
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

// A document asks to use something beyond the page (a permission). Nobody is there to be asked:
// refused unless the receivers grant it before the signal returns.
class PermissionRequest
{
public:
    // What a document may be let use; what the interface names no feature for is Other.
    enum class Feature { Notifications, Geolocation, ClipboardWrite, Microphone, Camera, Other };

    // origin: the asking document's, as the engine reports it. features: all of them needed.
    // name: the engine's own for what was asked, for the log.
    PermissionRequest(const QUrl &origin, const QVector<Feature> &features, const QString &name)
        : m_origin(origin)
        , m_features(features)
        , m_name(name)
    {
    }

    const QUrl &origin() const { return m_origin; }
    const QVector<Feature> &features() const { return m_features; }
    const QString &name() const { return m_name; }
    void grant() { m_granted = true; }
    bool isGranted() const { return m_granted; }

private:
    QUrl m_origin;
    QVector<Feature> m_features;
    QString m_name;
    bool m_granted = false;
};

// The main frame is about to load a document: what its origin gets before it asks. A page asks
// what a request would get (navigator.permissions.query) before it requests, and the engine
// answers from what it was told. Everything not granted is refused.
class PermissionsAhead
{
public:
    explicit PermissionsAhead(const QUrl &url)
        : m_url(url)
    {
    }

    // The address of the document to come.
    const QUrl &url() const { return m_url; }
    void grant(PermissionRequest::Feature feature) { m_granted.append(feature); }
    bool grants(PermissionRequest::Feature feature) const { return m_granted.contains(feature); }

private:
    QUrl m_url;
    QVector<PermissionRequest::Feature> m_granted;
};

// A document asks to hold the pointer (a game's mouse look). Refused unless accepted.
class PointerLockRequest
{
public:
    // origin: as the engine names it, which may be the page's rather than the asking frame's.
    PointerLockRequest(const QUrl &origin, const PlayerGesture &gesture)
        : m_origin(origin)
        , m_gesture(gesture)
    {
    }

    const QUrl &origin() const { return m_origin; }
    // The player's last click or key in the page as the request came.
    const PlayerGesture &gesture() const { return m_gesture; }
    void accept() { m_accepted = true; }
    bool isAccepted() const { return m_accepted; }

private:
    QUrl m_origin;
    PlayerGesture m_gesture;
    bool m_accepted = false;
};

// A document asks to show a script dialog (alert, confirm, prompt) or the question whether to
// leave the page. Refused (answered as cancelled, or the page left) unless the receivers let it
// show; the player's answer is told with sgScriptDialogAnswered.
class ScriptDialogRequest
{
public:
    enum class Kind { Alert, Confirm, Prompt, Leave };

    // askingOrigin: the asking document's, as the engine reports it; pageUrl: the main frame's
    // address. canWait false: the engine holds every window until the dialog is answered.
    ScriptDialogRequest(Kind kind, const QString &message, const QUrl &askingOrigin,
        const QUrl &pageUrl, bool canWait)
        : m_kind(kind)
        , m_message(message)
        , m_askingOrigin(askingOrigin)
        , m_pageUrl(pageUrl)
        , m_canWait(canWait)
    {
    }

    Kind kind() const { return m_kind; }
    const QString &message() const { return m_message; }
    const QUrl &askingOrigin() const { return m_askingOrigin; }
    const QUrl &pageUrl() const { return m_pageUrl; }
    bool canWait() const { return m_canWait; }
    // offerStop: the dialog offers the player to stop this page's dialogs.
    void show(bool offerStop)
    {
        m_shown = true;
        m_offerStop = offerStop;
    }
    bool isShown() const { return m_shown; }
    bool offersStop() const { return m_offerStop; }

private:
    Kind m_kind;
    QString m_message;
    QUrl m_askingOrigin;
    QUrl m_pageUrl;
    bool m_canWait;
    bool m_shown = false;
    bool m_offerStop = false;
};
