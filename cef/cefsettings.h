#pragma once

#include <QString>

// How the engine starts. Everything not listed keeps the engine's default.
struct CefSettings
{
    QString browserSubprocessPath;
    // Persistent storage (cookies, local storage) of every browser.
    QString storagePath;
    // Disk cache of every browser.
    QString cachePath;
    // Stands in the user agent for the engine's own product tokens.
    QString productVersion;
    // 0: no remote debugging. Served on the loopback address only.
    int remoteDebuggingPort = 0;
};
