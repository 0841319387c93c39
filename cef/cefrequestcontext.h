#pragma once

#include "cef/cefrefptr.h"
#include "cef/ceftypes.h"

class ClientRequestContextHandler;
class QString;
class QVariant;

// A browser's view of the engine's storage. Every browser has its own, and all
// of them share the one persistent profile of the engine, as contexts with the
// same cache path share their disk data.
class CefRequestContext
{
public:
    explicit CefRequestContext(const CefRefPtr<ClientRequestContextHandler> &handler);

    // Knows "profile.default_content_setting_values.plugins"; false for any other name.
    bool setPreference(const QString &name, const QVariant &value);
    // The content setting, as the handler may overrule it.
    bool pluginsAllowed() const;

private:
    CefRefPtr<ClientRequestContextHandler> m_handler;
    CefContentSetting m_pluginSetting = CONTENT_SETTING_BLOCK;
};
