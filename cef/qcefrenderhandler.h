#pragma once

class QString;

// The page side of the bridge, two scripts the engine runs in every page as
// its documents are created, before any script of the page: the function
// callQML in every frame's own script world (render/page.js), and the
// bridge that takes the calls to the native end, in the main frame's
// isolated world beside the channel client (render/bridge.js).
// Reentrant.
class QCefRenderHandler
{
public:
    static QString pageScript();
    static QString bridgeScript();
};
