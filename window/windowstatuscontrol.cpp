#include "window/windowstatuscontrol.h"

#include "cef/cefbrowser.h"
#include "engine/pagerequests.h"
#include "tools/tools.h"
#include "window/fullscreenexit.h"
#include "window/windowregistry.h"
#include "window/windowstates.h"

#include <QCursor>

WindowStatusControl::WindowStatusControl(
    QWindow *mainWindow, WindowRegistry &registry, QObject *parent)
    : QObject(parent)
    , m_mainWindow(mainWindow)
    , m_registry(registry)
{
}

void WindowStatusControl::setStatus(const QString &objectName, const QString &status)
{
    WindowRecord *record = m_registry.findAttached(objectName);
    if (!record)
        return;
    const QPoint cursor = QCursor::pos();
    const bool wasFullScreen = record->fullScreen;
    if (status == QLatin1String("Maximized"))
        WindowStates::maximize(*record, Tools::instance()->getNowAvailableRect(cursor));
    else if (status == QLatin1String("FullScreen"))
        WindowStates::enterFullScreen(*record, Tools::instance()->getNowDesktopRect(cursor));
    else if (status == QLatin1String("Windowed"))
        WindowStates::restoreWindowed(*record);
    else if (status == QLatin1String("Minimized"))
        m_mainWindow->setVisibility(QWindow::Minimized);
    if (wasFullScreen && !record->fullScreen)
        endPageFullScreen(*record);
}

void WindowStatusControl::restoreFullScreenWindows()
{
    m_registry.forEach([](WindowRecord &record) {
        if (!record.fullScreen)
            return;
        WindowStates::leaveFullScreen(record);
        endPageFullScreen(record);
    });
}

bool WindowStatusControl::holdsPointerLock() const
{
    bool held = false;
    m_registry.forEach([&held](const WindowRecord &record) {
        const CefRefPtr<CefBrowser> browser = record.browser();
        held = held || (browser && browser->holdsPointerLock());
    });
    return held;
}

// The element fills the screen its window is on. Only a window of the shell's follows.
void WindowStatusControl::onFullScreenModeChange(
    CefRefPtr<CefBrowser> browser, FullScreenRequest &request)
{
    WindowRecord *record = m_registry.findByBrowser(browser->identifier());
    if (!record || !record->window)
        return;
    request.accept();
    if (!request.isOn())
        WindowStates::leaveFullScreen(*record);
    else if (!record->fullScreen)
        WindowStates::enterFullScreen(
            *record, Tools::instance()->getNowDesktopRect(record->window->geometry().center()));
}

// A game's full-screen element leaves full screen with its window, and the game hears of it.
void WindowStatusControl::endPageFullScreen(const WindowRecord &record)
{
    const CefRefPtr<CefBrowser> browser = record.browser();
    if (browser && record.window)
        FullScreenExit::tellWhenSized(browser, record.browserWindow, record.window->size());
}
