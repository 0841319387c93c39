#pragma once

#include <QMap>
#include <QString>
#include <QVector>
#include <QtContainerFwd>

#include <functional>

class PolicySettings;
class StateLocations;
class QTextStream;
class QVariant;

// The administrator's command line over the program's config.ini. It writes the entries the
// program only reads (the portal's domain, the debug switch, the security policy) and reads and
// writes the page settings, decrypted, with the program's own encryption. Beside a read-only
// program it works on the user's file, read over the administrator's defaults, unless told
// --system. Runs one command line per call; messages go to the two streams given.
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
    enum class Access { Read, Write };
    using Handler = int (ConfigTool::*)(const QStringList &);
    struct Command
    {
        QString name;
        QString synopsis;
        QString description;
        int argumentCount;
        Access access;
        Handler handler;
    };
    static const QVector<Command> &commands();

    int execute(const Command &command, const QStringList &arguments);
    bool fileUsable(Access access);

    // Commands:
    int setDomain(const QStringList &arguments);
    int showUrl(const QStringList &arguments);
    int setDebug(const QStringList &arguments);
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

    // Adds the decrypted page settings of file to entries.
    void readSettings(const QString &file, QMap<QString, QString> &entries);
    bool write(const QString &key, const QVariant &value);
    int fail(const QString &message);
    int usageError(const QString &message);

    QString m_defaultFile;
    QString m_systemFile;
    QString m_defaultsFile;
    QString m_file;
    QString m_defaults;
    QTextStream &m_out;
    QTextStream &m_err;
};
