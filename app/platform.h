#pragma once

#include <QString>

#include <memory>

class QSettings;

// The few operating-system facilities the start-up needs, one implementation
// per platform (platform_linux.cpp, platform_win.cpp).
namespace Platform {

// Suffix that turns a program's base name into its executable file name.
extern const QString executableSuffix;

// Asks Qt for the window system the shell is written for (X11 on Linux, also on a Wayland
// desktop), unless QT_QPA_PLATFORM names a platform; a "-platform" argument still wins over
// both. Must run before the application object exists.
void selectWindowSystem();

// Tells the system the process draws at the real pixel density. Must run
// before any window or Qt object exists.
void declareDpiAware();

// The per-user store that carries start-up values ("Compatible") between runs.
std::unique_ptr<QSettings> openStartupSettings();

// Makes every OpenGL context of the process render in software. Must run
// before the application object exists.
void selectSoftwareOpenGL();

} // namespace Platform
