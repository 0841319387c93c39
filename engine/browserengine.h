#pragma once

#include <QString>
#include <QStringList>

class EngineProfile;

// How the engine starts. Everything not listed keeps the engine's default.
struct EngineSettings
{
    // The program every sub-process of the engine runs.
    QString subprocessPath;
    // Persistent storage (cookies, local storage) of every page.
    QString storagePath;
    // Disk cache of every page.
    QString cachePath;
    // Stands in the user agent for the engine's own product tokens.
    QString productVersion;
    // 0: no remote debugging. Served on the loopback address only.
    int remoteDebuggingPort = 0;
    // Chromium's own switches, each with its leading dashes.
    QStringList switches;
    // Both run as a document is created, before any script of the page. The
    // page script runs in every frame, in the page's own script world.
    QString pageScript;
    // The bridge script runs in every frame too, in a script world the page
    // cannot reach, in a private scope where the engine gives it:
    // - gestureSecret: a text made anew for each run, known to no page;
    // - bridgeTransport.connect(ready): in the main frame only, ready(native)
    //   once the native end is reached: native.callQML(name, id, request,
    //   origin, pageOrigin) comes up as the page's sgBridgeCall (origin: the
    //   calling document's, as the engine set it on the call's message), and
    //   native.pointerLockKept(origin) names the document that kept a lock to
    //   the player;
    // - bridgeTransport.offerGestures(report): report() tells the player's
    //   last click or key in the page as { page: the main document's origin,
    //   origin: the acting document's, '' for none, age: milliseconds since,
    //   -1 for none }, which the engine asks as a popup or a pointer lock
    //   comes (PlayerGesture).
    QString bridgeScript;
};

// What the shell needs of a browser engine: a start, and the profiles its
// pages live in. One implementation talks to the real engine; tests may give
// a fake one.
// Runs on the GUI thread. Its profiles, and every page in them, go with it.
class BrowserEngine
{
public:
    virtual ~BrowserEngine() = default;

    // Once. False when the engine cannot start; the reason is left on the
    // debug output.
    virtual bool start(const EngineSettings &settings) = 0;
    // The one persistent profile every window shares; null before a start.
    virtual EngineProfile *profile() = 0;
    // The legacy windows' profile, with storage and cache of its own under
    // storagePath; made on the first call, the same one after that.
    virtual EngineProfile *legacyProfile(const QString &storagePath) = 0;
    // The version of Chromium the engine is built on, as it reports it.
    virtual QString chromiumVersion() const = 0;
    // Where the engine keeps the pages' HTTP cache under the cache path it is given: the folder
    // to remove, before a start, to empty it.
    virtual QString httpCacheFolder(const QString &cachePath) const = 0;
};
