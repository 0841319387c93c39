#include "benchshell.h"

#include "window/qcefview.h"

#include <QTest>

#include <cstdio>

BenchShell::BenchShell(int &argc, char **argv, const QByteArray &page)
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

QString BenchShell::addPage(const QString &path, const QByteArray &page)
{
    m_server.setPage(path, page);
    return m_server.url(path);
}

bool BenchShell::waitAttached(const QStringList &names) const
{
    const auto attached = [this, &names] {
        for (const QString &name : names) {
            const WindowRecord *record = windows()->findWindow(name);
            if (!record || !record->window)
                return false;
        }
        return true;
    };
    if (QTest::qWaitFor(attached, 30000))
        return true;
    std::fprintf(stderr, "the windows were not attached: %s\n", qPrintable(names.join(", ")));
    return false;
}
