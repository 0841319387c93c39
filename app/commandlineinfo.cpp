#include "app/commandlineinfo.h"

#include "app/mvtconfig.h"

#include <QStringList>
#include <QTextStream>

CommandLineInfo::CommandLineInfo(const QStringList &arguments)
{
    // Stops at the first request, so "--help --version" prints the help alone.
    for (const QString &argument : arguments.mid(1)) {
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            m_text = usage();
            return;
        }
        if (argument == QLatin1String("--version")) {
            m_text = QStringLiteral("lumen ") + MVTConfig::version() + QLatin1Char('\n');
            return;
        }
    }
}

QString CommandLineInfo::text() const
{
    return m_text;
}

bool CommandLineInfo::printIfAsked(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const QString text = CommandLineInfo(arguments).text();
    if (text.isEmpty())
        return false;
    QTextStream(stdout) << text;
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
        "  --version      print the version and exit\n"
        "\n"
        "Other options are passed on to Qt and the browser engine.\n");
}
