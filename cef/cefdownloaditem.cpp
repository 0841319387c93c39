#include "cef/cefdownloaditem.h"

#include <QtWebEngine/private/qquickwebenginedownloaditem_p.h>

CefDownloadItem CefDownloadItem::from(
    const QQuickWebEngineDownloadItem &item, const QString &fullPath)
{
    return CefDownloadItem(fullPath, item.receivedBytes(), item.totalBytes(),
        item.state() == QQuickWebEngineDownloadItem::DownloadCompleted);
}
