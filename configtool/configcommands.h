#pragma once

#include <QString>
#include <QVector>
#include <QtContainerFwd>

#include <functional>

class PolicySettings;
class QTextStream;
class QVariant;

// What each lumen_config command does to one settings file: the entries the program only reads
// (the portal's domain, the debug switch, the security policy) and the page settings, read and
// written with the program's own encryption. A command that reads also reads the
// administrator's defaults under the file, when given. Messages go to the two streams given.
class ConfigCommands
{
    Q_DISABLE_COPY(ConfigCommands)

public:
    enum class Access { Read, Write };
    using Handler = int (ConfigCommands::*)(const QStringList &);
    struct Command
    {
        QString name;
        QString synopsis;
        QString description;
        int argumentCount;
        Access access;
        Handler handler;
    };
    // In the order the help lists them.
    static const QVector<Command> &table();

    // defaults: read where file lacks a key, never written; empty for none.
    ConfigCommands(
        const QString &file, const QString &defaults, QTextStream &out, QTextStream &err);

    // Runs command with its arguments, their count already checked. Returns the exit code.
    int run(const Command &command, const QStringList &arguments);

    // Tells message on err as the tool's own; returns the exit code of a failed command.
    static int fail(QTextStream &err, const QString &message);

private:
    bool fileUsable(Access access);

    // Commands:
    int setDomain(const QStringList &arguments);
    int showUrl(const QStringList &arguments);
    int setDebug(const QStringList &arguments);
    int setEngine(const QStringList &arguments);
    int getSetting(const QStringList &arguments);
    int setSetting(const QStringList &arguments);
    int listSettings(const QStringList &arguments);
    int trust(const QStringList &arguments);
    int untrust(const QStringList &arguments);
    int listTrusted(const QStringList &arguments);
    int setWebSecurity(const QStringList &arguments);
    int setCertificateErrors(const QStringList &arguments);
    int setUpdateHash(const QStringList &arguments);
    int setVoiceChat(const QStringList &arguments);
    int setChoice(const QString &word, const QStringList &choices,
        const std::function<bool(PolicySettings &, bool)> &store);

    bool write(const QString &key, const QVariant &value);
    int fail(const QString &message);

    QString m_file;
    QString m_defaults;
    QTextStream &m_out;
    QTextStream &m_err;
};
