#pragma once

#include "enginetest.h"
#include "shellscene.h"
#include "testhttpserver.h"

#include <QApplication>

class QCefView;

// What a benchmark of the shell runs in: the user's folders redirected, a
// loopback server serving one page at "/", and the scene with the real engine
// started.
// Made first thing in main(); all of it lives until main() returns.
class BenchShell
{
    Q_DISABLE_COPY(BenchShell)

public:
    BenchShell(int &argc, char **argv, const QByteArray &page);

    // False, with a line on standard error, when the engine did not start.
    bool start();

    // Another page the server serves; its address.
    QString addPage(const QString &path, const QByteArray &page);

    // Waits up to 30 s until the named windows are attached to their scene
    // windows; false, with a line on standard error, when they were not.
    bool waitAttached(const QStringList &names) const;

    ShellScene &scene() { return m_scene; }
    QCefView *windows() const { return m_scene.windows(); }
    const TestHttpServer &server() const { return m_server; }
    QString pageUrl() const { return m_server.url(QStringLiteral("/")); }

private:
    // First: nothing may read the user's folders before they are redirected.
    EngineTestEnvironment m_environment;
    QApplication m_app;
    TestHttpServer m_server;
    ShellScene m_scene;
};
