#pragma once

#include <QHash>
#include <QObject>

class ChromiumDownload;
class DevToolsPipe;
class EnginePage;
class QJsonObject;

// The downloads of one browser: each a page of the profile starts comes up as
// its page's request; one of no such page, or one nobody accepts, is cancelled.
// Runs on the GUI thread; its profile owns it, and the downloads with it.
class ChromiumDownloads : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ChromiumDownloads)

public:
    // folder: where the browser writes every download till it lands.
    ChromiumDownloads(DevToolsPipe *pipe, const QString &folder, QObject *parent = nullptr);

    // Each browser started on the pipe writes its downloads into the folder and tells of them.
    void setUpBrowser();
    // None of the browser's downloads goes on after it.
    void onBrowserEnded();

    // Any event of the browser or of its pages' sessions; page: the one whose
    // session told it, if any.
    void onEvent(const QString &method, const QJsonObject &params, EnginePage *page);

private:
    void onWillBegin(const QJsonObject &params, EnginePage *page);

    DevToolsPipe *m_pipe;
    QString m_folder;
    QHash<QString, ChromiumDownload *> m_downloads;
};
