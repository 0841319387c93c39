#pragma once

#include "engine/playergesture.h"

#include <functional>

class QObject;
class QWebEnginePage;

// The player's last click or key in a page, as the bridge's own script world in the page's main
// frame saw it: from the engine's trusted events in that frame, and from the copies of that world
// in the other frames, which prove themselves with a secret no page can read. The engine itself
// tells only that a request came with a gesture, not whose.
class PlayerGestures
{
public:
    // Told on a later turn of the event loop, unless context is gone by then.
    static void ask(QWebEnginePage *page, const QObject *context,
        const std::function<void(const PlayerGesture &)> &answer);
};
