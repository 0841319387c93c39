#pragma once

#include "cef/cefrefptr.h"

#include <QtGlobal>

#include <memory>

class CefCommandLine;
class CefContext;
class QCefApp;

// The engine objects the entry point holds for the whole run; the window
// manager reaches the browser-process application through it.
// Runs on the GUI thread. Letting it go takes every browser window down.
class QCefEngine
{
    Q_DISABLE_COPY(QCefEngine)

public:
    QCefEngine();
    ~QCefEngine();

    // Before the application object exists: the engine's views render through
    // OpenGL contexts shared between threads.
    static void prepare();

    // Once per run, after the application object exists. -1: the engine runs,
    // carry on; 0: it could not start. The arguments are not consulted.
    int initialize(int &argc, char **argv);

    const CefRefPtr<QCefApp> &app() const { return m_app; }

    // The command line first, then the application.
    void release();

private:
    // Declared first, destroyed last: the engine outlives what runs on it.
    std::unique_ptr<CefContext> m_context;
    CefRefPtr<QCefApp> m_app;
    CefRefPtr<CefCommandLine> m_commandLine;
};
