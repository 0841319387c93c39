#pragma once

#include <QObject>
#include <QSystemTrayIcon>

class QWindow;
class WindowRegistry;
struct WindowRecord;

// Hiding the whole shell and giving it back: the main view and every
// attached window, each returning to the visibility it had, their pages
// silent meanwhile. The tray icon gives it back on a click. Hiding twice
// keeps what the first hide saved, and the shell never hides behind a tray
// icon the desktop cannot show.
// Runs on the GUI thread; the window manager owns it.
class ShellVisibility : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ShellVisibility)

public:
    ShellVisibility(QWindow *mainWindow, const WindowRegistry &registry, QObject *parent = nullptr);

    bool isHidden() const;
    void setHidden(bool hidden);
    void setTrayIconVisible(bool visible);
    // Shows the tray icon and hides the shell behind it; without a system tray
    // the windows stay where they are.
    void hideToTray();
    // Hidden, the shell comes back as from the tray; shown, its windows come
    // to the front.
    void bringBack();
    // A page's notification, as a message of the tray icon, which shows for
    // it; without a system tray there is nowhere to show it.
    void showMessage(const QString &title, const QString &message);

private:
    void onTrayActivated(QSystemTrayIcon::ActivationReason reason);
    void hide();
    void restore();
    static void silence(const WindowRecord &record, bool silenced);

    QWindow *m_mainWindow;
    const WindowRegistry &m_registry;
    QSystemTrayIcon *m_trayIcon;
    bool m_hidden = false;
};
