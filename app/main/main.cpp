#include "shell.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    Shell shell;
    shell.prepare();
    QApplication app(argc, argv);
    return shell.exec(argc, argv);
}
