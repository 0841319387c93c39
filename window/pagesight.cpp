#include "window/pagesight.h"

#include "cef/cefbrowser.h"
#include "window/windowregistry.h"

#include <QWindow>

PageSight::PageSight(const WindowRegistry &registry, QObject *parent)
    : QObject(parent)
    , m_registry(registry)
{
}

void PageSight::onAttached(const QString &name)
{
    const WindowRecord *record = m_registry.find(name);
    if (!record || record->isIE || !record->window)
        return;
    const auto tellThis = [this, name] { tell(name); };
    connect(record->window, &QWindow::visibleChanged, this, tellThis);
    connect(record->window, &QWindow::windowStateChanged, this, tellThis);
    tell(name);
}

void PageSight::tell(const QString &name) const
{
    const WindowRecord *record = m_registry.find(name);
    const CefRefPtr<CefBrowser> browser = record ? record->browser() : nullptr;
    if (!browser || !record->window)
        return;
    const QWindow *window = record->window;
    browser->setVisibleToPlayer(
        window->isVisible() && !(window->windowStates() & Qt::WindowMinimized));
}
