#include "cef/clientrequestcontexthandler.h"

bool ClientRequestContextHandler::OnBeforePluginLoad(bool &allowed)
{
    allowed = true;
    return true;
}
