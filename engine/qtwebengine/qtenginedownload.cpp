#include "engine/qtwebengine/qtenginedownload.h"

#include <QFileInfo>
#include <QMetaEnum>
#include <QWebEngineDownloadRequest>

QtEngineDownload::QtEngineDownload(QWebEngineDownloadRequest *request)
    : EngineDownload(request)
    , m_request(request)
{
    connect(request, &QWebEngineDownloadRequest::receivedBytesChanged, this,
        &EngineDownload::sgReceived);
    connect(request, &QWebEngineDownloadRequest::isFinishedChanged, this,
        &QtEngineDownload::reportFinished);
    connect(
        request, &QWebEngineDownloadRequest::stateChanged, this, &QtEngineDownload::reportFinished);
    connect(request, &QWebEngineDownloadRequest::interruptReasonChanged, this,
        &QtEngineDownload::reportFinished);
}

QString QtEngineDownload::suggestedFileName() const
{
    return m_request->suggestedFileName();
}

QUrl QtEngineDownload::url() const
{
    return m_request->url();
}

EngineDownload::State QtEngineDownload::state() const
{
    // Nobody waits here for the engine to resume an interrupted download, and
    // one it resumes keeps telling it is in progress: its reason alone says so.
    if (m_request->interruptReason() != QWebEngineDownloadRequest::NoReason
        && !m_request->isFinished())
        return State::Interrupted;
    switch (m_request->state()) {
    case QWebEngineDownloadRequest::DownloadRequested:
        return State::Requested;
    case QWebEngineDownloadRequest::DownloadInProgress:
        return State::InProgress;
    case QWebEngineDownloadRequest::DownloadCompleted:
        return State::Completed;
    case QWebEngineDownloadRequest::DownloadCancelled:
        return State::Cancelled;
    case QWebEngineDownloadRequest::DownloadInterrupted:
        break;
    }
    return State::Interrupted;
}

qint64 QtEngineDownload::receivedBytes() const
{
    return m_request->receivedBytes();
}

qint64 QtEngineDownload::totalBytes() const
{
    return m_request->totalBytes();
}

// Ending an interrupted download makes it one the user cancelled: the reason
// it had is kept from before. Chromium has reasons Qt does not name, whose
// text Qt would make up.
QString QtEngineDownload::interruptReason() const
{
    if (m_finishReported)
        return m_interruptReason;
    const QWebEngineDownloadRequest::DownloadInterruptReason reason = m_request->interruptReason();
    if (reason == QWebEngineDownloadRequest::NoReason)
        return QString();
    // Chromium's SERVER_CONTENT_LENGTH_MISMATCH: the connection ended early.
    constexpr int kServerEndedEarly = 38;
    if (int(reason) == kServerEndedEarly)
        return QStringLiteral("The server ended before sending the whole file");
    const QMetaEnum reasons
        = QMetaEnum::fromType<QWebEngineDownloadRequest::DownloadInterruptReason>();
    return reasons.valueToKey(reason)
        ? m_request->interruptReasonString()
        : QStringLiteral("Interrupted for the engine's reason %1").arg(int(reason));
}

void QtEngineDownload::accept(const QString &path)
{
    const QFileInfo target(path);
    m_request->setDownloadDirectory(target.path());
    m_request->setDownloadFileName(target.fileName());
    m_request->accept();
}

void QtEngineDownload::cancel()
{
    m_request->cancel();
}

void QtEngineDownload::reportFinished()
{
    const State now = state();
    if (m_finishReported || now == State::InProgress || now == State::Requested)
        return;
    m_interruptReason = interruptReason();
    m_finishReported = true;
    if (now == State::Interrupted)
        m_request->cancel();
    emit sgFinished();
}
