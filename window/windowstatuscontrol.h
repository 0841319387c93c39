#pragma once

#include "cef/cefrefptr.h"

#include <QObject>

class CefBrowser;
class FullScreenRequest;
class QWindow;
class WindowRegistry;
struct WindowRecord;

// The statuses the portal gives its windows (maximised, full screen, windowed,
// minimised) and the full screen a page's element asks for, which is the
// portal's own: Escape and F11 end both alike. A page leaves its full screen
// with its window, and hears of it.
// Runs on the GUI thread; the window manager owns it.
class WindowStatusControl : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(WindowStatusControl)

public:
    WindowStatusControl(QWindow *mainWindow, WindowRegistry &registry, QObject *parent = nullptr);

    // status: "Maximized", "FullScreen", "Windowed" or "Minimized" (the whole shell).
    void setStatus(const QString &objectName, const QString &status);
    void restoreFullScreenWindows();
    // Escape gives the pointer back before it leaves full screen.
    bool holdsPointerLock() const;
    void onFullScreenModeChange(CefRefPtr<CefBrowser> browser, FullScreenRequest &request);

private:
    static void endPageFullScreen(const WindowRecord &record);

    QWindow *m_mainWindow;
    WindowRegistry &m_registry;
};
