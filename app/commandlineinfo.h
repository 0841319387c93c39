#pragma once

#include <QString>
#include <QtContainerFwd>

#include <functional>

// What "lumen --help" and "lumen --version" print. Both end the run before any window or
// engine exists, and need no display; every other argument is left to Qt and the engine.
class CommandLineInfo
{
public:
    // Names the engine the program runs on and its version; asked for --version alone.
    using EngineLine = std::function<QString()>;

    // The arguments as the process received them, program name first.
    CommandLineInfo(const QStringList &arguments, const EngineLine &engineLine);

    // Empty when the arguments ask for a normal run.
    QString text() const;

    // For main(), before the application object: prints the text on standard output; true
    // when the run should end. The configuration that names the engine is found beside the
    // program, so a core application object exists while the text is made.
    static bool printIfAsked(int &argc, char *argv[], const EngineLine &engineLine);

    static QString usage();

private:
    QString m_text;
};
