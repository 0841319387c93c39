#pragma once

#include "engine/chromium/chromiumfullscreen.h"
#include "engine/chromium/chromiumpointerlock.h"

#include <QObject>

class DevToolsPipe;
class EnginePage;
class KeyboardFocus;
class QJsonArray;
class QWindow;

// What the player's input does in a page of the browser, as the engine's input script
// (pageinput.js) in the bridge's world sees it: full screen, the pointer lock, the keyboard
// focus and the context menu. Only the main frame's bridge world reaches it.
// Runs on the GUI thread; a child of its page.
class PageInput : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(PageInput)

public:
    // session: the page's own; world: the bridge's execution context in the main frame, 0 while
    // there is none. Both read when needed: they change with the page's documents.
    PageInput(
        EnginePage *owner, DevToolsPipe *pipe, const QString &session, std::function<int()> world);

    // The menus the shell lets open, as a script for the bridge's world before pageinput.js.
    const QString &menuScript();
    void onReport(const QJsonArray &message);
    void setWindow(QWindow *window);
    void leaveFullScreen();
    bool holdsPointerLock() const;

private:
    void runInWorld(const QString &code);

    EnginePage &m_owner;
    DevToolsPipe *m_pipe;
    const QString &m_session;
    std::function<int()> m_world;
    ChromiumFullScreen m_fullScreen;
    ChromiumPointerLock m_pointerLock;
    KeyboardFocus *m_focus;
    QString m_menuScript;
};
