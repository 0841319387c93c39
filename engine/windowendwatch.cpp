#include "engine/windowendwatch.h"

#include <QPlatformSurfaceEvent>
#include <QWindow>

WindowEndWatch::WindowEndWatch(QWindow *window)
    : QObject(window)
{
    window->installEventFilter(this);
}

bool WindowEndWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::PlatformSurface
        && static_cast<QPlatformSurfaceEvent *>(event)->surfaceEventType()
            == QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed) {
        emit sgEnded();
    }
    return QObject::eventFilter(watched, event);
}
