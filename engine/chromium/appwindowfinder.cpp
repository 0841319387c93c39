#include "engine/chromium/appwindowfinder.h"

#include <QGuiApplication>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

bool hasMark(Display *display, Window window, const QByteArray &mark)
{
    XClassHint hint {};
    if (!XGetClassHint(display, window, &hint))
        return false;
    const bool found = hint.res_name && QByteArray(hint.res_name).contains(mark);
    XFree(hint.res_name);
    XFree(hint.res_class);
    return found;
}

// depth 2: under a window manager each top-level window sits in a frame.
Window findBelow(Display *display, Window parent, const QByteArray &mark, int depth)
{
    Window root = 0;
    Window parentOfParent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &parentOfParent, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        if (hasMark(display, children[i], mark))
            found = children[i];
        else if (depth > 1)
            found = findBelow(display, children[i], mark, depth - 1);
    }
    if (children)
        XFree(children);
    return found;
}

} // namespace

WId AppWindowFinder::find(const QString &mark)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display())
        return 0;
    Display *display = x11->display();
    return findBelow(display, DefaultRootWindow(display), mark.toUtf8(), 2);
}
