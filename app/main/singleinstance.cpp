#include "singleinstance.h"

#include "app/applog.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
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
    if (handOver())
        return false;
    takeOver();
    return true;
}

bool SingleInstance::tookOver() const
{
    return m_tookOver;
}

// Ending without a word, as a start that cannot reach the running one did, leaves the user
// with nothing: this run starts instead and from now on is the one later starts reach.
void SingleInstance::takeOver()
{
    m_tookOver = true;
    QFile::remove(m_lockPath);
    if (!m_lock.tryLock(0))
        qCWarning(lcApp) << "the lock of a run that does not answer stays:" << m_lock.error();
    listen();
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
