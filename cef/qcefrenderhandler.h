#pragma once

class QString;

// The page side of the bridge: the script that gives every frame of every
// page the function callQML (render/bridge.js). It reaches the native end
// through the channel client the engine puts beside it in its private scope.
// Reentrant.
class QCefRenderHandler
{
public:
    // The engine runs it in every document, before any script of the page.
    static QString bridgeScript();
};
