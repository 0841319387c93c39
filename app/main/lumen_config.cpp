#include "app/configtool.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    ConfigTool tool(
        QCoreApplication::applicationDirPath() + QStringLiteral("/config.ini"), out, err);
    return tool.run(QCoreApplication::arguments());
}
