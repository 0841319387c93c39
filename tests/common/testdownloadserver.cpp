#include "testdownloadserver.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QUrl>

TestDownloadServer::TestDownloadServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &TestDownloadServer::onNewConnection);
}

bool TestDownloadServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost);
}

QString TestDownloadServer::url(const QString &path, const QString &host) const
{
    return QStringLiteral("http://%1:%2%3").arg(host).arg(m_server.serverPort()).arg(path);
}

void TestDownloadServer::setDownload(const QString &path, const Download &download)
{
    m_downloads.insert(path, download);
}

bool TestDownloadServer::sendStep(const QString &path)
{
    Transfer &transfer = m_transfers[path];
    const Download download = m_downloads.value(path);
    if (!transfer.socket || transfer.sent >= download.body.size())
        return false;
    const int step = download.stepSize > 0 ? download.stepSize : download.body.size();
    transfer.socket->write(download.body.mid(transfer.sent, step));
    transfer.sent += step;
    if (transfer.sent >= download.body.size())
        transfer.socket->disconnectFromHost();
    return true;
}

void TestDownloadServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void TestDownloadServer::onReadyRead(QTcpSocket *socket)
{
    const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n"))
        return;
    const QByteArray target = request.left(request.indexOf("\r\n")).split(' ').value(1);
    const QString path = QUrl(QString::fromLatin1(target)).path();
    if (!m_downloads.contains(path))
        return;

    const Download download = m_downloads.value(path);
    QByteArray head = "HTTP/1.1 200 OK\r\nConnection: close\r\n";
    for (const auto &header : download.headers)
        head += header.first + ": " + header.second + "\r\n";
    if (download.announceLength)
        head += "Content-Length: " + QByteArray::number(download.body.size()) + "\r\n";
    socket->write(head + "\r\n");
    m_transfers.insert(path, { socket, 0 });
    emit sgRequested(path);
}

void TestDownloadServer::close()
{
    m_server.close();
}

bool TestDownloadServer::breakOff(const QString &path)
{
    const Transfer transfer = m_transfers.take(path);
    if (!transfer.socket)
        return false;
    transfer.socket->abort();
    return true;
}
