#include "engine/chromium/chromiumdownloads.h"

#include "engine/chromium/chromiumdownload.h"
#include "engine/chromium/devtoolspipe.h"
#include "engine/enginepage.h"

#include <QDir>
#include <QJsonObject>

#include <utility>

ChromiumDownloads::ChromiumDownloads(DevToolsPipe *pipe, const QString &folder, QObject *parent)
    : QObject(parent)
    , m_pipe(pipe)
    , m_folder(folder)
{
    QDir().mkpath(folder);
}

void ChromiumDownloads::setUpBrowser()
{
    m_pipe->send(QStringLiteral("Browser.setDownloadBehavior"),
        { { QStringLiteral("behavior"), QStringLiteral("allowAndName") },
            { QStringLiteral("downloadPath"), m_folder },
            { QStringLiteral("eventsEnabled"), true } });
}

void ChromiumDownloads::onBrowserEnded()
{
    for (ChromiumDownload *download : std::exchange(m_downloads, {}))
        download->loseWithBrowser();
}

// Chromium tells a download on the session of the page whose frame started it
// before it tells the browser's session; a frame of another process has no
// page events here, and its downloads no page.
void ChromiumDownloads::onEvent(const QString &method, const QJsonObject &params, EnginePage *page)
{
    if (method == QLatin1String("Page.downloadWillBegin") && page) {
        onWillBegin(params, page);
    } else if (method == QLatin1String("Browser.downloadWillBegin")) {
        const QString guid = params.value(QStringLiteral("guid")).toString();
        if (!m_downloads.contains(guid))
            m_pipe->send(
                QStringLiteral("Browser.cancelDownload"), { { QStringLiteral("guid"), guid } });
    } else if (method == QLatin1String("Browser.downloadProgress")) {
        if (ChromiumDownload *download
            = m_downloads.value(params.value(QStringLiteral("guid")).toString()))
            download->onProgress(params);
    }
}

void ChromiumDownloads::onWillBegin(const QJsonObject &params, EnginePage *page)
{
    auto *download = new ChromiumDownload(m_pipe, params, m_folder, this);
    m_downloads.insert(download->guid(), download);
    emit page->sgDownloadRequested(download);
    download->refuseUnanswered();
}
