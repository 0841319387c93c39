#pragma once

#include "engine/enginedownload.h"

#include <QByteArray>

// A download with no network behind it: what the shell decided is recorded,
// and the bytes, the end or the interruption are played by the test. Once
// accepted, the bytes land in the accepted file, as the engine writes them.
// Runs on the GUI thread; its page owns it.
class FakeDownload : public EngineDownload
{
    Q_OBJECT
    Q_DISABLE_COPY(FakeDownload)

public:
    // totalBytes 0 or negative: the server did not say how much comes.
    FakeDownload(const QUrl &url, const QString &suggestedFileName, qint64 totalBytes,
        QObject *parent = nullptr);

    QString suggestedFileName() const override { return m_suggestedFileName; }
    QUrl url() const override { return m_url; }
    State state() const override { return m_state; }
    qint64 receivedBytes() const override { return m_receivedBytes; }
    qint64 totalBytes() const override { return m_totalBytes; }
    QString interruptReason() const override { return m_interruptReason; }
    void accept(const QString &path) override;
    void cancel() override;

    // Where the shell had it written; empty unless accepted.
    const QString &path() const { return m_path; }

    // What the engine tells, only while in progress: bytes appended to the file.
    void receive(const QByteArray &bytes);
    // The engine's counts as it tells them, the file untouched: counts no real transfer gives
    // (shrinking, a size that changes) are the test's to play.
    void count(qint64 receivedBytes, qint64 totalBytes);
    void complete();
    void interrupt(const QString &reason);

private:
    void finish(State state);

    QUrl m_url;
    QString m_suggestedFileName;
    qint64 m_totalBytes;
    qint64 m_receivedBytes = 0;
    State m_state = State::Requested;
    QString m_path;
    QString m_interruptReason;
};
