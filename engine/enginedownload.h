#pragma once

#include <QObject>
#include <QUrl>

// One download a page started, as the engine reports it.
// Runs on the GUI thread; the engine owns it.
class EngineDownload : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(EngineDownload)

public:
    enum class State { Requested, InProgress, Completed, Cancelled, Interrupted };

    using QObject::QObject;

    virtual QString suggestedFileName() const = 0;
    virtual QUrl url() const = 0;
    virtual State state() const = 0;
    virtual qint64 receivedBytes() const = 0;
    // 0 or negative while the size is unknown.
    virtual qint64 totalBytes() const = 0;
    // Why the engine interrupted it (a full disk, a lost server), in the
    // engine's words; empty when it did not.
    virtual QString interruptReason() const = 0;
    // Only while Requested: the file is written at path, with no dialog.
    // A download neither accepted nor cancelled before its signal returns is
    // refused.
    virtual void accept(const QString &path) = 0;
    virtual void cancel() = 0;

signals:
    void sgReceived();
    // Completed, cancelled or interrupted; told once, with every byte counted.
    void sgFinished();
};
