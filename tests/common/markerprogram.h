#pragma once

#include <QByteArray>
#include <QString>

// Small shell scripts that leave a marker file when they run: the proof that a
// program was started, and with which arguments.
namespace MarkerProgram {

// An executable script at path that writes its arguments, one a line, into marker.
bool write(const QString &path, const QString &marker);
// What the program wrote; empty until it has run.
QByteArray markerText(const QString &marker);
// Starts a marker program of its own from folder and waits until it has run:
// by then a program started before it has had its time to run as well.
bool laterProgramHasRun(const QString &folder, int timeoutMs);

} // namespace MarkerProgram
