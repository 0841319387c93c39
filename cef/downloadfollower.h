#pragma once

#include "cef/cefdownloaditem.h"

#include <QHash>
#include <QObject>

class EngineDownload;

// The downloads of one page that were let go: each is written under a
// temporary name beside its target, followed, and its end reported once,
// after the file took its final name.
// Runs on the GUI thread; its client owns it.
class DownloadFollower : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(DownloadFollower)

public:
    using QObject::QObject;

    // Accepts the download, still requested, for target.
    void follow(EngineDownload *download, const QString &target);

signals:
    void sgUpdated(const CefDownloadItem &item);

private:
    void report(EngineDownload &download);
    static QString landingFailure(const EngineDownload &download, const QString &target);

    // The final path of each download still running.
    QHash<const EngineDownload *, QString> m_targets;
};
