#pragma once

#include <QObject>

class QWindow;
class WindowRegistry;
struct WindowRecord;

// Children follow their father: a window that moves carries its children
// along, and one that changes size keeps its distance to its father's edges
// while its children keep theirs to its own. Their own tracking carries the
// grandchildren. While a drag moves a window, the drag carries the children.
// Runs on the GUI thread; the window manager owns it.
class WindowFollower : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(WindowFollower)

public:
    explicit WindowFollower(const WindowRegistry &registry, QObject *parent = nullptr);

    // From attachment on, for as long as the scene window lives.
    void track(const WindowRecord &record, QWindow *window);
    void setDragging(bool dragging);

private:
    enum class Change { X, Y, Width, Height };

    void onSizeChanged(const QString &name, Change change, int length);
    void follow(const QString &name, Change change);

    const WindowRegistry &m_registry;
    bool m_dragging = false;
};
