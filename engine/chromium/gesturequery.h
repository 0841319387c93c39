#pragma once

#include <QString>

#include <functional>

class DevToolsPipe;
class QObject;
struct PlayerGesture;

// The player's last click or key in a page, asked of the bridge's script world in the main frame
// (lumenGestures()), which hears of the other frames' gestures from their copies of that world.
// Chromium itself tells only that a request came with a gesture, not whose.
class GestureQuery
{
public:
    // world: the bridge world's execution context in the main frame; 0 while it has none, and no
    // document is named then. Told once the browser answers, unless context is gone by then.
    static void ask(DevToolsPipe *pipe, const QString &sessionId, int world, const QObject *context,
        const std::function<void(const PlayerGesture &)> &answer);
};
