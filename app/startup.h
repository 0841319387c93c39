#pragma once

class QSettings;
class QSurfaceFormat;

// Start-up steps of the entry point that need nothing beyond the application shell.

// Reads "Compatible" from the start-up settings and, when set, switches the
// process to software OpenGL. Must run before the application object exists.
void applyCompatibleMode(const QSettings &settings);

// Opens today's log file in the log folder and registers it as the program's
// logger. Creates the data folders on the way, which may end the process.
void initDailyLog();

// True when an OpenGL context of at least version 2 can be created for format.
bool openGLProbePasses(const QSurfaceFormat &format);
