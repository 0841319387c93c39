#pragma once

#include "engine/enginedownload.h"

class QWebEngineDownloadRequest;

// A download of Qt WebEngine.
// Runs on the GUI thread. A child of the engine's request, so it goes with it.
class QtEngineDownload : public EngineDownload
{
    Q_OBJECT
    Q_DISABLE_COPY(QtEngineDownload)

public:
    explicit QtEngineDownload(QWebEngineDownloadRequest *request);

    QString suggestedFileName() const override;
    QUrl url() const override;
    State state() const override;
    qint64 receivedBytes() const override;
    qint64 totalBytes() const override;
    QString interruptReason() const override;
    void accept(const QString &path) override;
    void cancel() override;

private:
    void reportFinished();

    QWebEngineDownloadRequest *m_request;
    bool m_finishReported = false;
    QString m_interruptReason;
};
