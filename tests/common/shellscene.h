#pragma once

#include "cef/qcefengine.h"

#include <QQuickView>

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
    ShellScene();

    // Once. False, with a warning, when the scene or the engine did not start.
    bool start();

    QQuickView &view() { return m_view; }
    const QQuickView &view() const { return m_view; }
    QCefView *windows() const;

private:
    void publishShellObjects();

    QQuickView m_view;
    QCefEngine m_engine;
};
