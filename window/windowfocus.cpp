#include "window/windowfocus.h"

#include "window/windowregistry.h"

WindowFocus::WindowFocus(const WindowRegistry &registry)
    : m_registry(registry)
{
}

void WindowFocus::switchTo(WindowRecord &record, bool hideOthers)
{
    if (hideOthers)
        hideOthersForSwitch(record);
    const QWindow::Visibility visibility = record.window->visibility();
    if (visibility == QWindow::Hidden || visibility == QWindow::Minimized) {
        record.window->setVisibility(QWindow::AutomaticVisibility);
        record.shown = true;
    }
    record.window->raise();
    raiseFrontWindows(record.browserId);
}

void WindowFocus::hideOthersForSwitch(const WindowRecord &record)
{
    m_registry.forEach([&record](WindowRecord &other) {
        const bool hides = record.fatherName.isEmpty() ? record.children.contains(other.objectName)
                                                       : other.fatherName == record.fatherName
                && other.needHide && other.objectName != record.objectName;
        if (hides && other.window) {
            other.window->setVisible(false);
            other.shown = false;
        }
    });
}

void WindowFocus::raiseFrontWindows(int exceptBrowserId) const
{
    m_registry.forEach([exceptBrowserId](const WindowRecord &record) {
        if (record.front && record.client && record.browserId != exceptBrowserId && record.window)
            record.window->raise();
    });
}

void WindowFocus::onFocusTo(const QString &name)
{
    if (!m_currentPopup.isEmpty() && m_currentPopup != name) {
        if (const WindowRecord *popup = m_registry.findAttached(m_currentPopup))
            popup->window->close();
        m_currentPopup.clear();
    }
    const WindowRecord *record = m_registry.findAttached(name);
    if (!record)
        return;
    if (record->lostFocusHide)
        m_currentPopup = name;
    if (!record->shown)
        record->window->setVisible(false);
}

// A click in a page focuses the browser's own window, which sits inside the
// scene window that carries the shell window's name.
void WindowFocus::onFocusWindowChanged(QWindow *window)
{
    if (!window)
        return;
    while (QWindow *parent = window->parent())
        window = parent;
    onFocusTo(window->objectName());
}

void WindowFocus::forget(const QString &name)
{
    if (m_currentPopup == name)
        m_currentPopup.clear();
}
