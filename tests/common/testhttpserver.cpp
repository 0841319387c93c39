#include "testhttpserver.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <utility>

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 404:
        return "Not Found";
    default:
        return "Status";
    }
}

QByteArray chunked(const QByteArray &body, int chunkSize)
{
    QByteArray out;
    for (int at = 0; at < body.size(); at += chunkSize) {
        const QByteArray chunk = body.mid(at, chunkSize);
        out += QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
    }
    return out + "0\r\n\r\n";
}

} // namespace

TestHttpServer::TestHttpServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::onNewConnection);
}

bool TestHttpServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost);
}

QString TestHttpServer::url(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
}

QString TestHttpServer::url(const QString &host, const QString &path) const
{
    QUrl address(url(path));
    address.setHost(host);
    return address.toString();
}

void TestHttpServer::setResponse(const QString &path, const Response &response)
{
    m_responses.insert(path, response);
}

void TestHttpServer::setPage(const QString &path, const QByteArray &html, int status)
{
    Response response;
    response.status = status;
    response.body = html;
    setResponse(path, response);
}

QHash<QByteArray, QByteArray> TestHttpServer::lastRequestHeaders(const QString &path) const
{
    return m_requestHeaders.value(path);
}

int TestHttpServer::requestCount(const QString &path) const
{
    return m_requestCounts.value(path);
}

void TestHttpServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void TestHttpServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    const int end = request.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    QList<QByteArray> lines = request.left(end).split('\n');
    const QList<QByteArray> requestLine = lines.takeFirst().trimmed().split(' ');
    const QString path = QUrl(QString::fromLatin1(requestLine.value(1))).path();
    QHash<QByteArray, QByteArray> headers;
    for (const QByteArray &line : std::as_const(lines)) {
        const int colon = line.indexOf(':');
        if (colon > 0)
            headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    m_requestHeaders.insert(path, headers);
    ++m_requestCounts[path];
    respond(socket, path);
    emit sgRequested(path);
}

void TestHttpServer::respond(QTcpSocket *socket, const QString &path)
{
    Response response;
    if (m_responses.contains(path)) {
        response = m_responses.value(path);
    } else {
        response.status = 404;
        response.body = "<html><body>not found</body></html>";
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' '
        + reasonPhrase(response.status) + "\r\nContent-Type: " + response.contentType
        + "\r\nConnection: close\r\n";
    for (const auto &header : std::as_const(response.headers))
        head += header.first + ": " + header.second + "\r\n";
    QByteArray body;
    if (response.chunkSize > 0) {
        head += "Transfer-Encoding: chunked\r\n\r\n";
        body = chunked(response.body, response.chunkSize);
    } else {
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n\r\n";
        body = response.body;
    }
    QTimer::singleShot(response.delayMs, socket, [socket, head, body, response] {
        socket->write(head);
        trickle(socket, body, response.spreadMs);
    });
}

void TestHttpServer::trickle(QTcpSocket *socket, const QByteArray &body, int spreadMs)
{
    constexpr int kPieceMs = 100;
    const int pieces = qMax(1, spreadMs / kPieceMs);
    const int pieceSize = qMax(1, int((body.size() + pieces - 1) / pieces));
    auto *timer = new QTimer(socket);
    connect(timer, &QTimer::timeout, socket, [socket, timer, body, pieceSize, sent = 0]() mutable {
        socket->write(body.mid(sent, pieceSize));
        sent += pieceSize;
        if (sent < body.size())
            return;
        timer->stop();
        socket->disconnectFromHost();
    });
    timer->start(spreadMs > 0 ? kPieceMs : 0);
}
