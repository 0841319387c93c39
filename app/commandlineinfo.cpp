#include "app/commandlineinfo.h"

#include "app/mvtconfig.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

CommandLineInfo::CommandLineInfo(const QStringList &arguments, const EngineLine &engineLine)
{
    // Stops at the first request, so "--help --version" prints the help alone.
    for (const QString &argument : arguments.mid(1)) {
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            m_text = usage();
            return;
        }
        if (argument == QLatin1String("--version")) {
            // Operators need the engine's version when a page misbehaves.
            m_text = QStringLiteral("lumen %1\n%2\n").arg(MVTConfig::version(), engineLine());
            return;
        }
    }
}

QString CommandLineInfo::text() const
{
    return m_text;
}

bool CommandLineInfo::printIfAsked(int &argc, char *argv[], const EngineLine &engineLine)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (CommandLineInfo(arguments, [] { return QString(); }).text().isEmpty())
        return false;
    const QCoreApplication application(argc, argv);
    QTextStream(stdout) << CommandLineInfo(arguments, engineLine).text();
    return true;
}

QString CommandLineInfo::usage()
{
    return QStringLiteral(
        "Usage: lumen [OPTION]...\n"
        "\n"
        "The desktop shell of the Corvela game portal: it opens the portal whose domain\n"
        "config.ini holds (lumen_config set-domain DOMAIN stores it).\n"
        "\n"
        "Options:\n"
        "  -h, --help     show this text and exit\n"
        "  --version      print the versions of lumen and of the engine config.ini chooses,\n"
        "                 and exit\n"
        "\n"
        "Other options are passed on to Qt and the browser engine.\n");
}
