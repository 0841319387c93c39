#include "window/windownavigation.h"

#include "cef/cefbrowser.h"
#include "cef/qcefclient.h"
#include "window/qie.h"
#include "window/windowrecord.h"
#include "window/windowrequestguard.h"

void WindowNavigation::reload(const WindowRecord &record)
{
    if (record.client
        && !WindowRequestGuard::allowsNavigation(
            record.objectName, record.client->getBrowser()->url()))
        return;
    if (record.ieWidget)
        record.ieWidget->navigate(record.url);
    else if (record.client)
        record.client->getBrowser()->reloadIgnoreCache();
}

void WindowNavigation::load(const WindowRecord &record, const QString &url)
{
    if (!WindowRequestGuard::allowsNavigation(record.objectName, url))
        return;
    if (record.ieWidget)
        record.ieWidget->navigate(url);
    else if (record.client)
        record.client->getBrowser()->loadUrl(url);
}
