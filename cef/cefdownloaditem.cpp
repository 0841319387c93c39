#include "cef/cefdownloaditem.h"

#include <QDir>
#include <QtWebEngine/private/qquickwebenginedownloaditem_p.h>

CefDownloadItem CefDownloadItem::from(const QQuickWebEngineDownloadItem &item)
{
    return CefDownloadItem(QDir(item.downloadDirectory()).filePath(item.downloadFileName()),
        item.receivedBytes(), item.totalBytes(),
        item.state() == QQuickWebEngineDownloadItem::DownloadCompleted);
}
