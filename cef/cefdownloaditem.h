#pragma once

#include <QString>
#include <QtGlobal>

// What the engine tells about one download at one moment.
class CefDownloadItem
{
public:
    CefDownloadItem(const QString &fullPath, qint64 receivedBytes, qint64 totalBytes, bool complete,
        const QString &failure = QString())
        : m_fullPath(fullPath)
        , m_receivedBytes(receivedBytes)
        , m_totalBytes(totalBytes)
        , m_complete(complete)
        , m_failure(failure)
    {
    }
    // Where the file ends up, whatever name the engine writes it under.
    const QString &fullPath() const { return m_fullPath; }
    qint64 receivedBytes() const { return m_receivedBytes; }
    // 0 or negative while the size is unknown.
    qint64 totalBytes() const { return m_totalBytes; }
    bool isComplete() const { return m_complete; }
    // Why the download ended without its file; empty while it goes on, and once it landed.
    const QString &failure() const { return m_failure; }

private:
    QString m_fullPath;
    qint64 m_receivedBytes;
    qint64 m_totalBytes;
    bool m_complete;
    QString m_failure;
};
