#include "window/windowrecord.h"

#include "cef/qcefclient.h"

CefRefPtr<CefBrowser> WindowRecord::browser() const
{
    return client ? client->getBrowser() : CefRefPtr<CefBrowser>();
}
