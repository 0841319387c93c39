#include "fakedownload.h"

#include <QFile>
#include <QtDebug>

FakeDownload::FakeDownload(
    const QUrl &url, const QString &suggestedFileName, qint64 totalBytes, QObject *parent)
    : EngineDownload(parent)
    , m_url(url)
    , m_suggestedFileName(suggestedFileName)
    , m_totalBytes(totalBytes)
{
}

// The engine makes the file as the download starts, before any byte arrives.
void FakeDownload::accept(const QString &path)
{
    if (m_state != State::Requested)
        return;
    m_path = path;
    m_state = State::InProgress;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qWarning() << "the fake download could not make" << path;
}

void FakeDownload::cancel()
{
    if (m_state == State::Requested)
        m_state = State::Cancelled;
    else if (m_state == State::InProgress)
        finish(State::Cancelled);
}

void FakeDownload::receive(const QByteArray &bytes)
{
    if (m_state != State::InProgress)
        return;
    QFile file(m_path);
    if (!file.open(QIODevice::Append) || file.write(bytes) != bytes.size())
        qWarning() << "the fake download could not write" << m_path;
    m_receivedBytes += bytes.size();
    emit sgReceived();
}

void FakeDownload::count(qint64 receivedBytes, qint64 totalBytes)
{
    if (m_state != State::InProgress)
        return;
    m_receivedBytes = receivedBytes;
    m_totalBytes = totalBytes;
    emit sgReceived();
}

void FakeDownload::complete()
{
    if (m_state == State::InProgress)
        finish(State::Completed);
}

void FakeDownload::interrupt(const QString &reason)
{
    if (m_state != State::InProgress)
        return;
    m_interruptReason = reason;
    finish(State::Interrupted);
}

void FakeDownload::finish(State state)
{
    m_state = state;
    emit sgFinished();
}
