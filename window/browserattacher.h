#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class LegacyWindows;
class QWindow;
class WindowFollower;
class WindowRegistry;
struct WindowRecord;

// Puts each opened window's browser into the scene window made for it. The
// browser and the scene window both appear on their own time, so a pending
// window is tried again on every tick, in the order the windows opened, until
// both are there; then the browser's own window is reparented into the scene
// window and kept at its size.
// Runs on the GUI thread; the window manager owns it.
class BrowserAttacher : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(BrowserAttacher)

public:
    // createBrowser asks the engine again for a window it could not serve at
    // opening.
    BrowserAttacher(QWindow *mainWindow, WindowRegistry &registry, LegacyWindows &legacy,
        WindowFollower &follower, std::function<void(WindowRecord &)> createBrowser,
        QObject *parent = nullptr);

    void enqueue(const QString &name);
    bool hasPending() const { return !m_pending.isEmpty(); }
    // One window at most per tick.
    void attachNextPending();
    // The scene window of a window not attached yet, once the scene has made it.
    QWindow *sceneWindow(const WindowRecord &record) const;

signals:
    void sgAttached(const QString &name);

private:
    bool attach(WindowRecord &record, QWindow *window);
    void embed(WindowRecord &record, QWindow *window, QWindow *browserWindow);
    void settle(const WindowRecord &record, QWindow *window);

    QWindow *m_mainWindow;
    WindowRegistry &m_registry;
    LegacyWindows &m_legacy;
    WindowFollower &m_follower;
    std::function<void(WindowRecord &)> m_createBrowser;
    QStringList m_pending;
};
