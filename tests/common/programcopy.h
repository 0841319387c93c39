#pragma once

#include <QProcessEnvironment>
#include <QString>

class QProcess;

// The program and its sub-process copied from the build into appDir, with a config.ini whose
// portal is lumen.localhost on portalPort, and whose engine is the test run's: a copy of its own,
// as an installed one is, so that its single-instance lock and data belong to one test. Returns
// what went wrong, or nothing.
QString installProgramCopy(const QString &appDir, quint16 portalPort);

// The environment of a program run on the display named, with its home and user folders under
// home, and no display, platform or X authority of the test's own.
QProcessEnvironment sessionEnvironment(const QString &home, const QString &display);

// Asks the process to end and waits; kills it when it does not.
void stopProcess(QProcess &process);
