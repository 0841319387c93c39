#include "app/statelocations.h"
#include "configtool/configtool.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    ConfigTool tool(StateLocations::instance(), out, err);
    return tool.run(QCoreApplication::arguments());
}
