#include "window/windowhook.h"

#include "tools/hookevents.h"
#include "window/qcefview.h"
#include "window/windowrecord.h"

#include <QCursor>
#include <QWindow>

#include <utility>

WindowHook::WindowHook(QObject *parent)
    : QHook(parent)
{
    hookKeyboard();
    hookMouse();
}

void WindowHook::setWindowManager(QCefView *windows)
{
    m_windows = windows;
}

void WindowHook::startMove(WindowRecord *record)
{
    if (!record->window)
        return;
    record->anchor = QCursor::pos() - record->window->position();
    m_moving = { record->objectName, record->window };
}

void WindowHook::startResize(WindowRecord *record, int startWidth, int startHeight)
{
    if (!record->window)
        return;
    record->anchor = QCursor::pos();
    m_resizing = { record->objectName, record->window };
    m_startWidth = startWidth;
    m_startHeight = startHeight;
}

// The engine lets a locked pointer go when Escape comes up: on the way down the lock still holds.
bool WindowHook::keyPressEvent(KeyEvent *event)
{
    if (m_windows && event->key == KeyEvent::Escape)
        m_escapeReleasesPointer = m_windows->holdsPointerLock();
    return true;
}

bool WindowHook::keyReleaseEvent(KeyEvent *event)
{
    if (!m_windows)
        return true;
    switch (event->key) {
    case KeyEvent::F8:
        toggleShell();
        break;
    case KeyEvent::Escape:
        if (!std::exchange(m_escapeReleasesPointer, false))
            m_windows->restoreFullScreenWindows();
        break;
    case KeyEvent::F11:
        m_windows->restoreFullScreenWindows();
        break;
    default:
        break;
    }
    return true;
}

// The shell's own state decides, so hides the scene does itself are undone by
// the next F8 instead of needing two.
void WindowHook::toggleShell()
{
    m_windows->setWindowHidden(!m_windows->isShellHidden());
}

bool WindowHook::mouseMoveEvent(MouseEvent *event)
{
    const QPoint cursor(event->x, event->y);
    if (!m_moving.name.isEmpty())
        followMove(cursor);
    else if (!m_resizing.name.isEmpty())
        followResize(cursor);
    return true;
}

// Any button ends both.
bool WindowHook::mouseReleaseEvent(MouseEvent *)
{
    if (!m_moving.name.isEmpty())
        endMove();
    m_resizing = {};
    return true;
}

WindowRecord *WindowHook::targetRecord(const Target &target) const
{
    WindowRecord *found = m_windows ? m_windows->findWindow(target.name) : nullptr;
    return found && target.window && found->window == target.window ? found : nullptr;
}

// Only the direct children are carried: the window manager's own following is off while
// dragging, so grandchildren stay where they are.
void WindowHook::followMove(const QPoint &cursor)
{
    const WindowRecord *record = targetRecord(m_moving);
    if (!record) {
        endMove();
        return;
    }
    m_windows->setDragging(true);
    const QPoint origin = cursor - record->anchor;
    record->window->setPosition(origin);
    for (const QString &name : record->children) {
        const WindowRecord *child = m_windows->findWindow(name);
        if (child && child->window)
            child->window->setPosition(origin + child->offset);
    }
}

// Never below the size the window opened with. The window's own size tracking carries the
// browser and the children along.
void WindowHook::followResize(const QPoint &cursor)
{
    const WindowRecord *record = targetRecord(m_resizing);
    if (!record) {
        m_resizing = {};
        return;
    }
    const int width = m_startWidth
        ? qMax(cursor.x() + m_startWidth - record->anchor.x(), record->openSize.width())
        : record->window->width();
    const int height = m_startHeight
        ? qMax(cursor.y() + m_startHeight - record->anchor.y(), record->openSize.height())
        : record->window->height();
    record->window->resize(width, height);
}

void WindowHook::endMove()
{
    m_moving = {};
    if (m_windows)
        m_windows->setDragging(false);
}
