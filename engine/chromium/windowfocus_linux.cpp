#include "engine/chromium/windowfocus.h"

#include <QGuiApplication>

#include <X11/Xlib.h>

// The server refuses the focus to a window that is not viewable, and the error would reach
// Qt's connection as a warning: asked only of one that shows.
bool WindowFocus::give(WId window)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display())
        return false;
    Display *display = x11->display();
    XWindowAttributes attributes {};
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable)
        return false;
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XFlush(display);
    return true;
}
