#pragma once

#include <QString>

#include <functional>

class EnginePage;

// A page's element filling the screen, or leaving it, as the bridge's world in the main frame
// saw the browser's fullscreenchange. The browser grants an element's request on its own, and
// leaves its embedded window at its size: the shell is asked after the fact and gives its
// window the screen, which the embedded window follows; refused, the element leaves at once.
// Runs on the GUI thread; its page owns it.
class ChromiumFullScreen
{
public:
    // runInWorld: a script for the bridge's world of the main frame, where the page can change
    // nothing it calls.
    ChromiumFullScreen(EnginePage &owner, std::function<void(const QString &)> runInWorld);

    // origin: the document whose element fills the screen; empty for a frame of another site,
    // which the bridge cannot see into.
    void onChanged(bool on, const QString &origin);
    void leave();

private:
    EnginePage &m_owner;
    std::function<void(const QString &)> m_runInWorld;
};
