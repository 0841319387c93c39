#include "engine/chromium/windowsight.h"

#include <QGuiApplication>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <vector>

namespace {

std::vector<Atom> wmStates(Display *display, Window window, Atom property)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long rest = 0;
    unsigned char *data = nullptr;
    std::vector<Atom> states;
    if (XGetWindowProperty(
            display, window, property, 0, 64, False, XA_ATOM, &type, &format, &count, &rest, &data)
            == Success
        && format == 32 && data) {
        const auto *atoms = reinterpret_cast<const Atom *>(data);
        states.assign(atoms, atoms + count);
    }
    if (data)
        XFree(data);
    return states;
}

} // namespace

// Chromium's X11 window reads its _NET_WM_STATE again on every change of it, as a window
// manager would write it; with _NET_WM_STATE_HIDDEN it takes itself for minimised, and its
// pages become hidden: no animation frames, timers throttled but running.
void WindowSight::setHidden(WId id, bool hidden)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display() || !id)
        return;
    Display *display = x11->display();
    const auto window = static_cast<Window>(id);
    const Atom property = XInternAtom(display, "_NET_WM_STATE", False);
    const Atom hiddenState = XInternAtom(display, "_NET_WM_STATE_HIDDEN", False);
    std::vector<Atom> states = wmStates(display, window, property);
    states.erase(std::remove(states.begin(), states.end(), hiddenState), states.end());
    if (hidden)
        states.push_back(hiddenState);
    XChangeProperty(display, window, property, XA_ATOM, 32, PropModeReplace,
        reinterpret_cast<const unsigned char *>(states.data()), static_cast<int>(states.size()));
    XFlush(display);
}
