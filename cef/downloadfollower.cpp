#include "cef/downloadfollower.h"

#include "engine/enginedownload.h"
#include "tools/downloadlanding.h"

void DownloadFollower::follow(EngineDownload *download, const QString &target)
{
    m_targets.insert(download, target);
    download->accept(DownloadLanding::temporaryPath(target));
    // The engine may end a download before its last bytes are counted: the
    // end is reported once, with everything current.
    connect(download, &EngineDownload::sgReceived, this, [this, download] {
        if (download->state() == EngineDownload::State::InProgress)
            report(*download);
    });
    connect(download, &EngineDownload::sgFinished, this, [this, download] { report(*download); });
}

// Nobody resumes an interrupted download here: its partial file goes at once.
void DownloadFollower::report(EngineDownload &download)
{
    if (!m_targets.contains(&download))
        return;
    const QString target = m_targets.value(&download);
    const EngineDownload::State state = download.state();
    const bool complete = state == EngineDownload::State::Completed;
    QString failure;
    if (state != EngineDownload::State::InProgress) {
        m_targets.remove(&download);
        failure = landingFailure(download, target);
    }
    emit sgUpdated(CefDownloadItem(target, download.receivedBytes(), download.totalBytes(),
        complete && failure.isEmpty(), failure));
}

// Empty once the complete file has its name; else why not, its temporary file gone.
QString DownloadFollower::landingFailure(const EngineDownload &download, const QString &target)
{
    const QString temporary = DownloadLanding::temporaryPath(target);
    if (download.state() == EngineDownload::State::Completed
        && DownloadLanding::land(temporary, target))
        return QString();
    DownloadLanding::discard(temporary);
    if (download.state() == EngineDownload::State::Completed)
        return QStringLiteral("the complete file could not take its name");
    const QString reason = download.interruptReason();
    return reason.isEmpty() ? QStringLiteral("cancelled") : reason;
}
