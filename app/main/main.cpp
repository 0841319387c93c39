#include "app/commandlineinfo.h"
#include "shell.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    if (CommandLineInfo::printIfAsked(argc, argv))
        return 0;
    Shell shell;
    shell.prepare();
    QApplication app(argc, argv);
    return shell.exec(argc, argv);
}
