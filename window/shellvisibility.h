#pragma once

#include <QObject>
#include <QSystemTrayIcon>

class QWindow;
class WindowRegistry;

// Hiding the whole shell and giving it back: the main view and every
// attached window, each returning to the visibility it had. The tray icon
// gives it back on a click.
// Runs on the GUI thread; the window manager owns it.
class ShellVisibility : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ShellVisibility)

public:
    ShellVisibility(QWindow *mainWindow, const WindowRegistry &registry, QObject *parent = nullptr);

    void setHidden(bool hidden);
    void setTrayIconVisible(bool visible);

private:
    void onTrayActivated(QSystemTrayIcon::ActivationReason reason);
    void restore();

    QWindow *m_mainWindow;
    const WindowRegistry &m_registry;
    QSystemTrayIcon *m_trayIcon;
};
