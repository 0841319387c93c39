#pragma once

#include <QString>
#include <QtContainerFwd>

class StateLocations;
class QTextStream;

// The administrator's command line over the program's config.ini: picks the file and the
// command (ConfigCommands does what it says). Beside a read-only program it works on the user's
// file, read over the administrator's defaults, unless told --system. Runs one command line per
// call; messages go to the two streams given.
class ConfigTool
{
    Q_DISABLE_COPY(ConfigTool)

public:
    ConfigTool(const QString &defaultFile, QTextStream &out, QTextStream &err);
    ConfigTool(const StateLocations &locations, QTextStream &out, QTextStream &err);

    // The arguments as the process received them, program name first. Returns the exit code.
    int run(const QStringList &arguments);

    static QString usage();

private:
    // arguments: the command's name, then its own.
    int execute(const QString &file, QStringList arguments);
    int usageError(const QString &message);

    QString m_defaultFile;
    QString m_systemFile;
    QString m_defaultsFile;
    QTextStream &m_out;
    QTextStream &m_err;
};
