#pragma once

#include <QString>
#include <QtContainerFwd>

// What "lumen --help" and "lumen --version" print. Both end the run before the application
// object or any window exists; every other argument is left to Qt and the engine.
class CommandLineInfo
{
public:
    // The arguments as the process received them, program name first;
    // engineVersion: the Chromium version of the browser engine.
    CommandLineInfo(const QStringList &arguments, const QString &engineVersion);

    // Empty when the arguments ask for a normal run.
    QString text() const;

    // For main(): prints the text on standard output; true when the run should end.
    static bool printIfAsked(int argc, char *argv[], const QString &engineVersion);

    static QString usage();

private:
    QString m_text;
};
