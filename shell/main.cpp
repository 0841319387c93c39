#include "app/commandlineinfo.h"
#include "engine/qtwebengine/qtbrowserengine.h"
#include "shell/shell.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    if (CommandLineInfo::printIfAsked(argc, argv, QtBrowserEngine::engineChromiumVersion()))
        return 0;
    Shell shell([] { return std::make_unique<QtBrowserEngine>(); });
    shell.prepare();
    QApplication app(argc, argv);
    return shell.exec(argc, argv);
}
