#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

// A loopback HTTP server for downloads whose body the test hands out a step at
// a time, so the engine sees every step arrive on its own. The headers go out
// as soon as the request is in. One request per connection; any other path
// gets no answer.
class TestDownloadServer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(TestDownloadServer)

public:
    struct Download
    {
        QByteArray body;
        // 0: the whole body is one step.
        int stepSize = 0;
        QList<QPair<QByteArray, QByteArray>> headers;
        // Without a Content-Length the size is known only once the connection closes.
        bool announceLength = true;
    };

    explicit TestDownloadServer(QObject *parent = nullptr);

    bool listen();
    // Any name under .localhost reaches 127.0.0.1 from the engine.
    QString url(const QString &path, const QString &host = QStringLiteral("127.0.0.1")) const;
    void setDownload(const QString &path, const Download &download);

    // The next step of the body to the latest request for path; the last step
    // closes the connection. False when no request waits for a step.
    bool sendStep(const QString &path);
    // Closes the connection of the latest request for path, the body unfinished.
    bool breakOff(const QString &path);
    // No more connections until listen() again, on another port.
    void close();

signals:
    void sgRequested(const QString &path);

private:
    struct Transfer
    {
        QPointer<QTcpSocket> socket;
        int sent = 0;
    };

    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);

    QTcpServer m_server;
    QHash<QString, Download> m_downloads;
    QHash<QString, Transfer> m_transfers;
};
