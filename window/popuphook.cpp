#include "window/popuphook.h"

#include "app/logexcerpt.h"
#include "app/tspdlog.h"
#include "cef/cefbrowser.h"
#include "window/windowregistry.h"
#include "window/windowrequestguard.h"

PopupHook::PopupHook(const WindowRegistry &registry, QObject *parent)
    : QObject(parent)
    , m_registry(registry)
{
}

void PopupHook::setWindow(const QString &objectName)
{
    if (WindowRequestGuard::allowsHookPopup(objectName, m_registry.find(objectName)))
        m_name = objectName;
}

// The log tells of a popup no page heard of.
void PopupHook::onHookPopup(const QString &script, const QString &url)
{
    const WindowRecord *record = m_registry.find(m_name);
    const CefRefPtr<CefBrowser> hook = record ? record->browser() : CefRefPtr<CefBrowser>();
    if (!hook) {
        TSpdlog::instance()->otherWarn(
            QStringLiteral("popup to %1 dropped: no window takes popups").arg(LogExcerpt::of(url)));
        return;
    }
    hook->executeJavaScript(script);
}
