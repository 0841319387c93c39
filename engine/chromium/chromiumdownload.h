#pragma once

#include "engine/enginedownload.h"

class DevToolsPipe;
class QJsonObject;

// A download of the system's Chromium. The browser writes every download of
// its profile into one folder, under the download's id, and this one takes
// the accepted path once complete. Chromium tells no reason when a download
// breaks, nor that it broke: one that starts over is ended as interrupted,
// and one it gave up that nobody cancelled is an interrupted one too.
// Runs on the GUI thread; its profile's downloads own it.
class ChromiumDownload : public EngineDownload
{
    Q_OBJECT
    Q_DISABLE_COPY(ChromiumDownload)

public:
    // began: Chromium's news of it; folder: where its browser writes it.
    ChromiumDownload(
        DevToolsPipe *pipe, const QJsonObject &began, const QString &folder, QObject *parent);

    const QString &guid() const { return m_guid; }
    // Its request was told: nobody who answered it leaves it as it was.
    void refuseUnanswered();
    // Its browser ended: the transfer and its file went with it.
    void loseWithBrowser();
    // Chromium's news of its progress.
    void onProgress(const QJsonObject &params);

    QString suggestedFileName() const override;
    QUrl url() const override;
    State state() const override;
    qint64 receivedBytes() const override;
    qint64 totalBytes() const override;
    QString interruptReason() const override;
    void accept(const QString &path) override;
    void cancel() override;

private:
    void complete(const QString &written);
    void finish(State state);
    QString writtenPath() const;

    DevToolsPipe *m_pipe;
    QString m_guid;
    QUrl m_url;
    QString m_suggestedFileName;
    QString m_folder;
    State m_state = State::Requested;
    QString m_path;
    bool m_cancelAsked = false;
    qint64 m_receivedBytes = 0;
    qint64 m_totalBytes = 0;
    QString m_interruptReason;
};
