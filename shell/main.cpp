#include "app/commandlineinfo.h"
#include "engine/browserengine.h"
#include "shell/enginechoice.h"
#include "shell/shell.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    if (CommandLineInfo::printIfAsked(argc, argv, &EngineChoice::versionLine))
        return 0;
    Shell shell(&EngineChoice::make);
    shell.prepare();
    QApplication app(argc, argv);
    return shell.exec(argc, argv);
}
