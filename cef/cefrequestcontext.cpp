#include "cef/cefrequestcontext.h"

#include "cef/clientrequestcontexthandler.h"

#include <QString>
#include <QVariant>

CefRequestContext::CefRequestContext(const CefRefPtr<ClientRequestContextHandler> &handler)
    : m_handler(handler)
{
}

bool CefRequestContext::setPreference(const QString &name, const QVariant &value)
{
    if (name != QLatin1String("profile.default_content_setting_values.plugins"))
        return false;
    m_pluginSetting
        = value.toInt() == CONTENT_SETTING_ALLOW ? CONTENT_SETTING_ALLOW : CONTENT_SETTING_BLOCK;
    return true;
}

bool CefRequestContext::pluginsAllowed() const
{
    CefPluginPolicy policy
        = m_pluginSetting == CONTENT_SETTING_ALLOW ? PLUGIN_POLICY_ALLOW : PLUGIN_POLICY_BLOCK;
    if (m_handler)
        m_handler->OnBeforePluginLoad(policy);
    return policy == PLUGIN_POLICY_ALLOW;
}
