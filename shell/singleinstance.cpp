#include "shell/singleinstance.h"

#include "app/applog.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {

// The running one may be between taking the lock and listening: so long after it took the lock.
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
    , m_lockPath(lockPath(storagePath))
    , m_lock(m_lockPath)
{
    // The run holds its lock for as long as it lives: its age says nothing.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

// The lock knows its process: one that is gone leaves a stale lock, which
// tryLock() takes over. A process still there may hang or have lost its
// socket, but two runs on one engine storage break it: this one gives way.
SingleInstance::Claim SingleInstance::claim()
{
    if (m_lock.tryLock(0)) {
        listen();
        return Claim::First;
    }
    if (m_lock.error() != QLockFile::LockFailedError) {
        qCWarning(lcApp) << "no instance lock in" << m_lock.error();
        return Claim::First;
    }
    return handOver() ? Claim::HandedOver : Claim::HeldByAnother;
}

QString SingleInstance::holder() const
{
    qint64 pid = 0;
    QString host;
    QString program;
    if (!m_lock.getLockInfo(&pid, &host, &program))
        return QStringLiteral("a run whose lock %1 cannot be read").arg(m_lockPath);
    return QStringLiteral("process %1 on %2 (lock %3)").arg(pid).arg(host, m_lockPath);
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
    const qint64 lockAge
        = QFileInfo(m_lockPath).lastModified().msecsTo(QDateTime::currentDateTime());
    const QDeadlineTimer deadline(
        qBound(qint64(0), kHandOverTimeoutMs - lockAge, qint64(kHandOverTimeoutMs)));
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
