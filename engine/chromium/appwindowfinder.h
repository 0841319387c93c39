#pragma once

#include <QString>
#include <QtGui/qwindowdefs.h>

// Finds the X11 window Chromium opened for an app window. Chromium names an
// app window's class after the address it opened at, and keeps that name
// whatever the page later shows: a mark in that address finds the window
// for good, where the title would change with the first page.
namespace AppWindowFinder {

// 0 while no top-level window (or a window manager's frame's child) has it.
WId find(const QString &mark);

} // namespace AppWindowFinder
