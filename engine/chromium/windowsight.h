#pragma once

#include <QtGui/qwindowdefs.h>

// Whether a browser window of Chromium's shows its page to the player. The
// browser tells its pages they are hidden only when its own window is
// minimised, and an app window taken into the shell's window has no window
// manager to minimise it: it is told so the way a window manager would.
namespace WindowSight {

void setHidden(WId window, bool hidden);

} // namespace WindowSight
