#pragma once

#include "cef/cefrefptr.h"

#include <QtGlobal>

#include <memory>

class BrowserEngine;
class CefCommandLine;
class CefCookieManager;
class QCefApp;

// The engine objects the entry point holds for the whole run; the window
// manager reaches the browser-process application and the engine through it.
// Runs on the GUI thread. Letting it go takes every browser window down.
class QCefEngine
{
    Q_DISABLE_COPY(QCefEngine)

public:
    // The engine is the program's to choose: the real one, or a fake in tests.
    explicit QCefEngine(std::unique_ptr<BrowserEngine> engine);
    ~QCefEngine();

    // Once per run, after the application object exists. -1: the engine runs,
    // carry on; 0: it could not start. The arguments are not consulted.
    int initialize(int &argc, char **argv);

    const CefRefPtr<QCefApp> &app() const { return m_app; }
    BrowserEngine &engine() const { return *m_engine; }

    // The command line first, then the application.
    void release();

private:
    // Declared first, destroyed last: the engine outlives what runs on it.
    std::unique_ptr<BrowserEngine> m_engine;
    std::unique_ptr<CefCookieManager> m_cookieManager;
    CefRefPtr<QCefApp> m_app;
    CefRefPtr<CefCommandLine> m_commandLine;
};
