#pragma once

#include <QtGui/qwindowdefs.h>

// The desktop's keyboard focus for a window of another program put into one of ours: asking Qt
// to activate it (QWindow::requestActivate) does nothing for a foreign window, and the desktop
// gives the focus only to top-level windows, so the keys would stay with ours.
namespace WindowFocus {

// False while the window does not show, and cannot take the focus.
bool give(WId window);

} // namespace WindowFocus
