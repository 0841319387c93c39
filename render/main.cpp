// The engine's sub-process program: renderer, GPU and utility processes all
// run this executable. It hands the process straight to the engine.

#include "render/programfolder.h"

#include <QCoreApplication>

namespace QtWebEngineCore {
// Exported by the engine's core library; no public header declares it.
int processMain(int argc, const char **argv);
} // namespace QtWebEngineCore

int main(int argc, char **argv)
{
    ProgramFolder::keepUnwritten();
    // The engine's start-up code looks up its resources and translations
    // relative to the program, which needs an application object.
    QCoreApplication application(argc, argv);
    return QtWebEngineCore::processMain(argc, const_cast<const char **>(argv));
}
