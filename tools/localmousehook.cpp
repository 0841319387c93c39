#include "tools/localmousehook.h"

#include "tools/qhook.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWheelEvent>

namespace {

// Buttons beyond these have no record, as with the global hooks.
bool hookButton(Qt::MouseButton button, QHook::MouseButton *hookButton)
{
    switch (button) {
    case Qt::LeftButton:
        *hookButton = QHook::MouseButton::Left;
        return true;
    case Qt::MiddleButton:
        *hookButton = QHook::MouseButton::Middle;
        return true;
    case Qt::RightButton:
        *hookButton = QHook::MouseButton::Right;
        return true;
    default:
        return false;
    }
}

void dispatchButton(bool pressed, const QMouseEvent &event)
{
    QHook::MouseButton button;
    if (hookButton(event.button(), &button))
        QHook::dispatchButton(pressed, button, event.globalPosition().toPoint(), 0);
}

// Horizontal scrolling has no record.
void dispatchWheel(const QWheelEvent &event)
{
    const int delta = event.angleDelta().y();
    if (delta != 0)
        QHook::dispatchWheel(delta, event.globalPosition().toPoint(), 0);
}

} // namespace

LocalMouseHook::LocalMouseHook()
{
    QCoreApplication::instance()->installEventFilter(this);
}

// Only what reaches a window counts: the same event sent on to widgets and items would count
// again; so would a double click, which a window gets after the press itself. Nothing is held
// back.
bool LocalMouseHook::eventFilter(QObject *watched, QEvent *event)
{
    if (!watched->isWindowType())
        return false;
    switch (event->type()) {
    case QEvent::MouseMove:
        QHook::dispatchMove(static_cast<QMouseEvent *>(event)->globalPosition().toPoint(), 0);
        break;
    case QEvent::MouseButtonPress:
        dispatchButton(true, *static_cast<QMouseEvent *>(event));
        break;
    case QEvent::MouseButtonRelease:
        dispatchButton(false, *static_cast<QMouseEvent *>(event));
        break;
    case QEvent::Wheel:
        dispatchWheel(*static_cast<QWheelEvent *>(event));
        break;
    default:
        break;
    }
    return false;
}
