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

Display *qtDisplay()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

} // namespace

WId AppWindowFinder::find(const QString &mark)
{
    Display *display = qtDisplay();
    if (!display)
        return 0;
    return findBelow(display, DefaultRootWindow(display), mark.toUtf8(), 2);
}

// Unmapped, with the notice to the root window the window manager waits for (ICCCM 4.1.4).
void AppWindowFinder::withdraw(WId window)
{
    if (Display *display = qtDisplay()) {
        XWithdrawWindow(display, window, DefaultScreen(display));
        XFlush(display);
    }
}

// The window manager gives the window back to the root window, and takes its state away.
bool AppWindowFinder::isWithdrawn(WId window)
{
    Display *display = qtDisplay();
    if (!display)
        return false;
    Window root = 0;
    Window parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return false;
    if (children)
        XFree(children);
    const Atom wmState = XInternAtom(display, "WM_STATE", True);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char *state = nullptr;
    const bool hasState = wmState
        && XGetWindowProperty(display, window, wmState, 0, 2, False, wmState, &type, &format,
               &items, &after, &state)
            == Success
        && items > 0 && reinterpret_cast<const long *>(state)[0] != WithdrawnState;
    if (state)
        XFree(state);
    return parent == root && !hasState;
}
