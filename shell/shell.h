#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

class BrowserEngine;
class QCefEngine;
class QCefView;
class QQuickView;
class QSettings;
class SingleInstance;
class WindowHook;

// The program's run from start to end, one method per phase, in the order
// exec() runs them. The early exits (no data folder, no OpenGL, no engine)
// end the run with 0.
// Runs on the GUI thread. The entry point creates it before the application
// object and destroys it after; the main view and the engine go in shutDown(),
// while the application object still exists.
class Shell
{
    Q_DISABLE_COPY(Shell)

public:
    // Makes the browser engine the windows run on, once the application
    // object exists.
    using EngineFactory = std::function<std::unique_ptr<BrowserEngine>()>;

    explicit Shell(EngineFactory engineFactory);
    ~Shell();

    // Before the application object exists: identity, OpenGL mode.
    void prepare();
    int exec(int &argc, char **argv);

    // Configuration, the global input hooks, the daily log.
    void startServices();
    // False when another run from this folder has the engine's storage: this
    // one has handed over to it, or said that run does not answer, and ends.
    bool claimInstance();
    // The main view, the OpenGL probe, the scene.
    bool buildScene();
    // Publishes the native objects to the scene and loads it; false when it
    // did not load.
    bool loadScene();
    bool startEngine(int &argc, char **argv);
    // The window manager takes the main view and the engine, and the hidden
    // first window opens at the portal's main address.
    void openFirstWindow();
    int run();
    // Starts the companion program and releases the engine and the main view.
    void shutDown();

    QQuickView &view();
    QCefEngine &engine();
    QCefView *windows() const;

private:
    // The page that clears the cache sets the flag and quits; the engine's HTTP cache goes now,
    // before the engine opens it again.
    void purgeEngineCacheWhenAsked();
    void startWindowManager();
    void quitOnSystemRequest();
    void release();

    EngineFactory m_engineFactory;
    std::unique_ptr<QSettings> m_startupSettings;
    std::unique_ptr<WindowHook> m_hook;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<QQuickView> m_view;
    std::unique_ptr<QCefEngine> m_engine;
};
