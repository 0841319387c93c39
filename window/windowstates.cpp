#include "window/windowstates.h"

#include "window/windowrecord.h"

namespace {

void applyGeometry(QWindow *window, const QRect &frame)
{
    window->setX(frame.x());
    window->setY(frame.y());
    window->setWidth(frame.width());
    window->setHeight(frame.height());
}

void saveNormalGeometry(WindowRecord &record)
{
    record.normalGeometry = record.window->geometry();
}

} // namespace

void WindowStates::maximize(WindowRecord &record, const QRect &availableArea)
{
    saveNormalGeometry(record);
    applyGeometry(record.window, availableArea);
    record.maximized = true;
    record.fullScreen = false;
}

void WindowStates::enterFullScreen(WindowRecord &record, const QRect &screen)
{
    saveNormalGeometry(record);
    applyGeometry(record.window, screen);
    record.fullScreen = true;
}

void WindowStates::restoreWindowed(WindowRecord &record)
{
    record.window->setVisibility(QWindow::Windowed);
    if (!record.maximized && !record.fullScreen)
        return;
    record.maximized = false;
    record.fullScreen = false;
    applyGeometry(record.window, record.normalGeometry);
}

void WindowStates::leaveFullScreen(WindowRecord &record)
{
    if (!record.fullScreen || !record.window)
        return;
    record.fullScreen = false;
    applyGeometry(record.window, record.normalGeometry);
}
