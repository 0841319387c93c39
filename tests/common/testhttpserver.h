#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

// A small HTTP server for tests, on the loopback address only. Serves the
// responses set for a path; any other path gets 404. One request per
// connection.
class TestHttpServer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(TestHttpServer)

public:
    struct Response
    {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "text/html; charset=utf-8";
        QList<QPair<QByteArray, QByteArray>> headers;
        // Sent in chunks of this many bytes with chunked transfer coding; 0: in one piece.
        int chunkSize = 0;
        // Held back this long, as a slow server would.
        int delayMs = 0;
        // The head at once, then the body in even pieces over this long, as a slow line
        // brings it.
        int spreadMs = 0;
    };

    explicit TestHttpServer(QObject *parent = nullptr);

    // On a free port of 127.0.0.1.
    bool listen();
    QString url(const QString &path) const;
    // The engine takes any name under .localhost for the loopback address, each
    // a site of its own for cookies; the server answers whatever the name.
    QString url(const QString &host, const QString &path) const;

    void setResponse(const QString &path, const Response &response);
    void setPage(const QString &path, const QByteArray &html, int status = 200);

    // The header lines of the last request for path, names in lower case.
    QHash<QByteArray, QByteArray> lastRequestHeaders(const QString &path) const;
    int requestCount(const QString &path) const;

signals:
    void sgRequested(const QString &path);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const QString &path);
    static void trickle(QTcpSocket *socket, const QByteArray &body, int spreadMs);

    QTcpServer m_server;
    QHash<QString, Response> m_responses;
    QHash<QString, QHash<QByteArray, QByteArray>> m_requestHeaders;
    QHash<QString, int> m_requestCounts;
};
