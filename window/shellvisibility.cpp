#include "window/shellvisibility.h"

#include "app/tspdlog.h"
#include "cef/cefbrowser.h"
#include "window/windowregistry.h"

#include <QCoreApplication>
#include <QIcon>
#include <QWindow>

ShellVisibility::ShellVisibility(
    QWindow *mainWindow, const WindowRegistry &registry, QObject *parent)
    : QObject(parent)
    , m_mainWindow(mainWindow)
    , m_registry(registry)
    , m_trayIcon(new QSystemTrayIcon(
          QIcon(QCoreApplication::applicationDirPath() + QStringLiteral("/Veze.ico")), this))
{
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, &ShellVisibility::onTrayActivated);
}

bool ShellVisibility::isHidden() const
{
    return m_hidden;
}

void ShellVisibility::setHidden(bool hidden)
{
    if (hidden) {
        hide();
        return;
    }
    m_trayIcon->hide();
    restore();
}

// Without a system tray (a bare X server has none) there is nothing to show.
void ShellVisibility::setTrayIconVisible(bool visible)
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_trayIcon->setVisible(visible);
}

void ShellVisibility::hideToTray()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        TSpdlog::instance()->otherWarn(
            QStringLiteral("No system tray on this desktop: the windows stay on screen"));
        return;
    }
    m_trayIcon->show();
    hide();
}

void ShellVisibility::showMessage(const QString &title, const QString &message)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_trayIcon->show();
    m_trayIcon->showMessage(title, message);
}

void ShellVisibility::bringBack()
{
    if (m_hidden) {
        setHidden(false);
        return;
    }
    if (m_mainWindow->visibility() == QWindow::Minimized)
        m_mainWindow->setVisibility(QWindow::Windowed);
    m_registry.forEach([](const WindowRecord &record) {
        if (record.window && record.window->isVisible())
            record.window->raise();
    });
}

void ShellVisibility::onTrayActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::Trigger)
        return;
    m_trayIcon->hide();
    restore();
}

// A second hide would save every window as hidden, and nothing could bring
// them back.
void ShellVisibility::hide()
{
    if (m_hidden)
        return;
    m_hidden = true;
    m_mainWindow->setVisibility(QWindow::Hidden);
    m_registry.forEach([](WindowRecord &record) {
        if (!record.window)
            return;
        record.savedVisibility = record.window->visibility();
        record.window->setVisibility(QWindow::Hidden);
        silence(record, true);
    });
}

void ShellVisibility::restore()
{
    m_hidden = false;
    m_mainWindow->setVisibility(QWindow::Windowed);
    m_registry.forEach([](const WindowRecord &record) {
        if (record.window)
            record.window->setVisibility(record.savedVisibility);
        silence(record, false);
    });
}

// A game's music plays on behind a hidden window; the portal's own mute stays the page's.
void ShellVisibility::silence(const WindowRecord &record, bool silenced)
{
    if (const CefRefPtr<CefBrowser> browser = record.browser())
        browser->setSilenced(silenced);
}
