#pragma once

#include <QString>

#include <functional>

class EnginePage;
struct PlayerGesture;

// A page's pointer lock. The browser gives a document the lock on its own; the bridge's world
// in that document lets it go unless the player acted there last, and names the document that
// kept it. The shell is asked then, with the player's last gesture, and a lock it refuses is
// taken back at once. The browser lets the lock go on Escape and when its window loses the
// focus, and shows the player how to get the pointer back itself.
// Runs on the GUI thread; its page owns it.
class ChromiumPointerLock
{
public:
    using GestureAnswer = std::function<void(const PlayerGesture &)>;

    ChromiumPointerLock(EnginePage &owner, std::function<void(const GestureAnswer &)> askGesture,
        std::function<void(const QString &)> runInWorld);

    void onKept(const QString &origin);
    // The main frame's document holds no lock any more, or the page's window lost the focus.
    void onReleased();
    bool isHeld() const { return m_held; }

private:
    void answer(const QString &origin, const PlayerGesture &gesture);

    EnginePage &m_owner;
    std::function<void(const GestureAnswer &)> m_askGesture;
    std::function<void(const QString &)> m_runInWorld;
    bool m_held = false;
};
