#include "singleinstance.h"

#include "app/applog.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {

// The running one may be between taking the lock and listening.
constexpr int kHandOverTimeoutMs = 10000;
constexpr int kConnectAttemptMs = 500;

QString serverName(const QString &programDir, const QString &storagePath)
{
    const QByteArray paths = QDir(programDir).absolutePath().toUtf8() + '\n'
        + QDir(storagePath).absolutePath().toUtf8();
    return QStringLiteral("lumen-")
        + QString::fromLatin1(QCryptographicHash::hash(paths, QCryptographicHash::Sha1).toHex());
}

QString lockPath(const QString &storagePath)
{
    QDir().mkpath(storagePath);
    return storagePath + QStringLiteral("/lumen.lock");
}

} // namespace

SingleInstance::SingleInstance(
    const QString &programDir, const QString &storagePath, QObject *parent)
    : QObject(parent)
    , m_name(serverName(programDir, storagePath))
    , m_lock(lockPath(storagePath))
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim()
{
    // A lock left by a run that died is taken over: its process is gone.
    if (m_lock.tryLock(0)) {
        listen();
        return true;
    }
    if (m_lock.error() != QLockFile::LockFailedError) {
        qCWarning(lcApp) << "no instance lock in" << m_lock.error();
        return true;
    }
    m_handedOver = handOver();
    return false;
}

bool SingleInstance::handedOver() const
{
    return m_handedOver;
}

// Any connection is a later start: it has nothing else to say.
void SingleInstance::listen()
{
    QLocalServer::removeServer(m_name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name))
        qCWarning(lcApp) << "later starts cannot reach this run:" << m_server->errorString();
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            emit sgShowRequested();
        }
    });
}

bool SingleInstance::handOver() const
{
    const QDeadlineTimer deadline(kHandOverTimeoutMs);
    do {
        QLocalSocket socket;
        socket.connectToServer(m_name);
        if (socket.waitForConnected(kConnectAttemptMs)) {
            socket.disconnectFromServer();
            return true;
        }
        QThread::msleep(kConnectAttemptMs);
    } while (!deadline.hasExpired());
    return false;
}
