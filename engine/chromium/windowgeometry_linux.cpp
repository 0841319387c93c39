#include "engine/chromium/windowgeometry.h"

#include <QGuiApplication>

#include <X11/Xlib.h>

QRect WindowGeometry::onScreen(WId id)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display() || !id)
        return QRect();
    Display *display = x11->display();
    const auto window = static_cast<Window>(id);
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned int width = 0;
    unsigned int height = 0;
    unsigned int border = 0;
    unsigned int depth = 0;
    Window child = 0;
    if (!XGetGeometry(display, window, &root, &x, &y, &width, &height, &border, &depth)
        || !XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child))
        return QRect();
    return QRect(x, y, int(width), int(height));
}
