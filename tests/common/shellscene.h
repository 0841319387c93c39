#pragma once

#include "shell/shell.h"

#include <QQuickView>
#include <QStringList>

class QCefView;

// The shell set up in-process as the program sets it up: the main view with
// the native objects published to the scene, "qrc:/main.qml" loaded, the
// engine started, the window manager running on its timer.
// Runs on the GUI thread; owns the main view and the engine, so it lives as
// long as anything that uses the windows.
class ShellScene
{
    Q_DISABLE_COPY(ShellScene)

public:
    // The real engine unless a test gives another.
    explicit ShellScene(Shell::EngineFactory engineFactory = Shell::EngineFactory());

    // Once. False, with a warning, when the scene or the engine did not start.
    bool start();

    QQuickView &view() const { return m_shell.view(); }
    QCefView *windows() const { return m_shell.windows(); }
    QCefEngine &engine() const { return m_shell.engine(); }

    // Closes the named windows that are registered, once attached (popups only
    // hide on closeWindow: their scene window is closed directly), and waits
    // until their browsers have reported closed. False on a time-out.
    bool closeWindows(const QStringList &names) const;

private:
    // The view is made on first use, whoever asks.
    mutable Shell m_shell;
};
