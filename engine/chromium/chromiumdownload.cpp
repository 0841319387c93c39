#include "engine/chromium/chromiumdownload.h"

#include "engine/chromium/devtoolspipe.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>

ChromiumDownload::ChromiumDownload(
    DevToolsPipe *pipe, const QJsonObject &began, const QString &folder, QObject *parent)
    : EngineDownload(parent)
    , m_pipe(pipe)
    , m_guid(began.value(QStringLiteral("guid")).toString())
    , m_url(began.value(QStringLiteral("url")).toString())
    , m_suggestedFileName(began.value(QStringLiteral("suggestedFilename")).toString())
    , m_folder(folder)
{
}

QString ChromiumDownload::suggestedFileName() const
{
    return m_suggestedFileName;
}

QUrl ChromiumDownload::url() const
{
    return m_url;
}

EngineDownload::State ChromiumDownload::state() const
{
    return m_state;
}

qint64 ChromiumDownload::receivedBytes() const
{
    return m_receivedBytes;
}

qint64 ChromiumDownload::totalBytes() const
{
    return m_totalBytes;
}

QString ChromiumDownload::interruptReason() const
{
    return m_interruptReason;
}

void ChromiumDownload::refuseUnanswered()
{
    if (m_state == State::Requested && !m_cancelAsked)
        cancel();
}

void ChromiumDownload::loseWithBrowser()
{
    if (m_state != State::Requested && m_state != State::InProgress)
        return;
    m_interruptReason = QStringLiteral("Chromium ended during the download");
    finish(State::Interrupted);
}

void ChromiumDownload::accept(const QString &path)
{
    if (m_state != State::Requested || m_cancelAsked)
        return;
    m_path = path;
    m_state = State::InProgress;
}

void ChromiumDownload::cancel()
{
    if (m_cancelAsked || (m_state != State::Requested && m_state != State::InProgress))
        return;
    m_cancelAsked = true;
    m_pipe->send(QStringLiteral("Browser.cancelDownload"), { { QStringLiteral("guid"), m_guid } });
}

// Chromium tells an interrupted download as one in progress, which it starts
// over from nothing, or from what it kept, by itself: counts going back are
// the only sign of it. A download broken before its first byte shows none.
void ChromiumDownload::onProgress(const QJsonObject &params)
{
    if (m_state != State::Requested && m_state != State::InProgress)
        return;
    const QString state = params.value(QStringLiteral("state")).toString();
    const qint64 received = qint64(params.value(QStringLiteral("receivedBytes")).toDouble());
    const qint64 total = qint64(params.value(QStringLiteral("totalBytes")).toDouble());
    if (state == QLatin1String("canceled")) {
        finish(
            m_cancelAsked && m_interruptReason.isEmpty() ? State::Cancelled : State::Interrupted);
        return;
    }
    if (received < m_receivedBytes) {
        m_interruptReason = QStringLiteral("The transfer broke off");
        cancel();
        return;
    }
    const bool counted = received != m_receivedBytes || total != m_totalBytes;
    m_receivedBytes = received;
    m_totalBytes = total;
    if (state == QLatin1String("completed"))
        complete(params.value(QStringLiteral("filePath")).toString());
    else if (counted && m_state == State::InProgress)
        emit sgReceived();
}

void ChromiumDownload::complete(const QString &written)
{
    const QString file = written.isEmpty() ? writtenPath() : written;
    if (QFile::rename(file, m_path)) {
        finish(State::Completed);
        return;
    }
    m_interruptReason = QStringLiteral("The file could not be written at %1").arg(m_path);
    finish(State::Interrupted);
}

// Chromium leaves the part of a download it gave up.
void ChromiumDownload::finish(State state)
{
    if (state == State::Interrupted && m_interruptReason.isEmpty())
        m_interruptReason = QStringLiteral("Chromium gave the download up");
    m_state = state;
    QFile::remove(writtenPath());
    QFile::remove(writtenPath() + QStringLiteral(".crdownload"));
    emit sgFinished();
}

QString ChromiumDownload::writtenPath() const
{
    return QDir(m_folder).filePath(m_guid);
}
