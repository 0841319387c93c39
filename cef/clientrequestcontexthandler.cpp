#include "cef/clientrequestcontexthandler.h"

bool ClientRequestContextHandler::OnBeforePluginLoad(CefPluginPolicy &policy)
{
    policy = PLUGIN_POLICY_ALLOW;
    return true;
}
