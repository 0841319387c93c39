#include "engine/qtwebengine/securityorigin.h"

#include <QUrl>

// The engine's addresses carry no default port: nothing is left to drop but the path and after.
QString SecurityOrigin::text(const QUrl &url)
{
    if (url.host().isEmpty() || url.scheme().isEmpty())
        return QStringLiteral("null");
    return url
        .adjusted(
            QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment)
        .toString();
}
