#include "benchshell.h"

#include <cstdio>

BenchShell::BenchShell(int &argc, char **argv, const char *page)
    : m_app(argc, argv)
{
    // Closing the last window of a round must not end the run.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    m_server.listen();
    m_server.setPage(QStringLiteral("/"), page);
}

bool BenchShell::start()
{
    if (m_scene.start())
        return true;
    std::fprintf(stderr, "the engine did not start\n");
    return false;
}
