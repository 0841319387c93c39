#pragma once

#include <QString>

// The checks a page's window requests pass before the window manager acts:
// where a window may go, what reaches the desktop, how many windows may be
// open. A refusal is logged here; the caller then does nothing.
// Runs on the GUI thread; stateless.
class WindowRequestGuard
{
public:
    static const int maxOpenWindows = 64;

    static bool allowsOpen(const QString &name, const QString &url, int openWindows);
    static bool allowsNavigation(const QString &name, const QString &url);
    static bool allowsDesktop(const QString &url);
    static bool allowsHookPopup(const QString &name, bool open);
};
