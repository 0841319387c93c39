#include "engine/chromium/embeddedwindow.h"

#include "engine/chromium/windowgeometry.h"

#include <QGuiApplication>

#include <X11/Xlib.h>

namespace {

Display *x11Display()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

Window parentOf(Display *display, Window window)
{
    Window root = 0;
    Window parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return 0;
    if (children)
        XFree(children);
    return parent;
}

} // namespace

bool EmbeddedWindow::isInPlace(WId id, WId holder, const QSize &pixels)
{
    Display *display = x11Display();
    XWindowAttributes attributes;
    if (!display || !id || !XGetWindowAttributes(display, static_cast<Window>(id), &attributes))
        return true;
    return parentOf(display, static_cast<Window>(id)) == static_cast<Window>(holder)
        && attributes.map_state != IsUnmapped && attributes.x == 0 && attributes.y == 0
        && QSize(attributes.width, attributes.height) == pixels;
}

void EmbeddedWindow::putInPlace(WId id, WId holder, const QSize &pixels)
{
    Display *display = x11Display();
    if (!display || !id || pixels.isEmpty())
        return;
    const auto window = static_cast<Window>(id);
    if (parentOf(display, window) != static_cast<Window>(holder))
        XReparentWindow(display, window, static_cast<Window>(holder), 0, 0);
    XMoveResizeWindow(display, window, 0, 0, unsigned(pixels.width()), unsigned(pixels.height()));
    XMapWindow(display, window);
    XFlush(display);
}

void EmbeddedWindow::tellScreenPlace(WId id)
{
    Display *display = x11Display();
    const QRect onScreen = WindowGeometry::onScreen(id);
    if (!display || onScreen.isEmpty())
        return;
    XEvent event = {};
    event.xconfigure.type = ConfigureNotify;
    event.xconfigure.display = display;
    event.xconfigure.event = static_cast<Window>(id);
    event.xconfigure.window = static_cast<Window>(id);
    event.xconfigure.x = onScreen.x();
    event.xconfigure.y = onScreen.y();
    event.xconfigure.width = onScreen.width();
    event.xconfigure.height = onScreen.height();
    XSendEvent(display, static_cast<Window>(id), False, StructureNotifyMask, &event);
    XFlush(display);
}
