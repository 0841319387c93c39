#include "configtool/configtool.h"

#include "app/statelocations.h"
#include "configtool/configcommands.h"

#include <QCommandLineParser>
#include <QTextStream>

#include <algorithm>

ConfigTool::ConfigTool(const QString &defaultFile, QTextStream &out, QTextStream &err)
    : m_defaultFile(defaultFile)
    , m_systemFile(defaultFile)
    , m_out(out)
    , m_err(err)
{
}

ConfigTool::ConfigTool(const StateLocations &locations, QTextStream &out, QTextStream &err)
    : ConfigTool(locations.configFile(), out, err)
{
    m_systemFile = locations.programConfigFile();
    m_defaultsFile = locations.defaultsFile();
}

QString ConfigTool::usage()
{
    QString text = QStringLiteral("Usage: lumen_config [--file PATH] COMMAND [ARGUMENTS]\n"
                                  "\n"
                                  "Reads and writes lumen's config.ini with the program's own "
                                  "encryption.\n"
                                  "\n"
                                  "Commands:\n");
    // Descriptions start in one column; their further lines are indented to it.
    const int synopsisWidth = 20;
    const QString continuation = QLatin1Char('\n') + QString(synopsisWidth + 2, QLatin1Char(' '));
    for (const ConfigCommands::Command &command : ConfigCommands::table()) {
        const QString description = QString(command.description).replace('\n', continuation);
        // A synopsis too long for its column puts its description on the next line.
        const QString gap = command.synopsis.size() < synopsisWidth
            ? QString(synopsisWidth - command.synopsis.size(), QLatin1Char(' '))
            : continuation;
        text += QStringLiteral("  ") + command.synopsis + gap + description + QLatin1Char('\n');
    }
    return text
        + QStringLiteral("\n"
                         "Options:\n"
                         "  --file PATH         the file to use (default: config.ini beside "
                         "lumen_config,\n"
                         "                      or the user's own one when that folder is "
                         "read-only)\n"
                         "  --system            use config.ini beside lumen_config: the "
                         "defaults of\n"
                         "                      every user\n"
                         "  -h, --help          show this text\n");
}

int ConfigTool::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    // A setting's value may begin with a dash.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption fileOption(QStringLiteral("file"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption systemOption(QStringLiteral("system"));
    const QCommandLineOption helpOption(
        QStringList { QStringLiteral("h"), QStringLiteral("help") });
    parser.addOption(fileOption);
    parser.addOption(systemOption);
    parser.addOption(helpOption);
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        m_out << usage();
        return 0;
    }

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString file = parser.isSet(fileOption) ? parser.value(fileOption)
        : parser.isSet(systemOption)              ? m_systemFile
                                                  : m_defaultFile;
    return execute(file, positional);
}

int ConfigTool::execute(const QString &file, QStringList arguments)
{
    const QString name = arguments.takeFirst();
    const QVector<ConfigCommands::Command> &table = ConfigCommands::table();
    const auto command = std::find_if(table.cbegin(), table.cend(),
        [&name](const ConfigCommands::Command &entry) { return entry.name == name; });
    if (command == table.cend())
        return usageError(QStringLiteral("unknown command: %1").arg(name));
    if (arguments.size() != command->argumentCount)
        return usageError(QStringLiteral("wrong arguments: lumen_config [--file PATH] %1")
                .arg(command->synopsis));
    // Only the user's file is read over the administrator's.
    const QString defaults = file == m_defaultFile ? m_defaultsFile : QString();
    return ConfigCommands(file, defaults, m_out, m_err).run(*command, arguments);
}

int ConfigTool::usageError(const QString &message)
{
    ConfigCommands::fail(m_err, message);
    m_err << "Try 'lumen_config --help' for more information.\n";
    return 2;
}
