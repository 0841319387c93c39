#include "engine/chromium/devtoolspipe.h"

#include "engine/enginelog.h"

#include <QJsonDocument>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <unistd.h>

namespace {

// A browser that ended reads its end no more: the kernel's signal for that would end the program.
ssize_t writeWithoutSignal(int fd, const char *data, size_t size)
{
    sigset_t pipeSignal;
    sigset_t previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    const ssize_t written = ::write(fd, data, size);
    const int error = errno;
    if (written < 0 && error == EPIPE) {
        const timespec none { 0, 0 };
        sigtimedwait(&pipeSignal, nullptr, &none);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return written;
}

} // namespace

DevToolsPipe::DevToolsPipe(int readFd, int writeFd, QObject *parent)
    : QObject(parent)
{
    open(readFd, writeFd);
}

DevToolsPipe::~DevToolsPipe()
{
    close();
}

void DevToolsPipe::reopen(int readFd, int writeFd)
{
    close();
    m_incoming.clear();
    open(readFd, writeFd);
}

void DevToolsPipe::open(int readFd, int writeFd)
{
    m_readFd = readFd;
    m_writeFd = writeFd;
    delete m_notifier;
    m_notifier = new QSocketNotifier(readFd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &DevToolsPipe::onReadable);
}

// Written whole, blocking: commands are small, and the browser reads its end
// all the time.
void DevToolsPipe::send(
    const QString &method, const QJsonObject &params, const QString &sessionId, Reply reply)
{
    if (m_writeFd < 0)
        return;
    QJsonObject message { { QStringLiteral("id"), ++m_lastId },
        { QStringLiteral("method"), method }, { QStringLiteral("params"), params } };
    if (!sessionId.isEmpty())
        message.insert(QStringLiteral("sessionId"), sessionId);
    if (reply)
        m_replies.insert(m_lastId, std::move(reply));
    QByteArray bytes = QJsonDocument(message).toJson(QJsonDocument::Compact);
    bytes.append('\0');
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n
            = writeWithoutSignal(m_writeFd, bytes.constData() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            qCWarning(lcEngine) << "the browser's pipe takes no more commands";
            close();
            emit sgClosed();
            return;
        }
        written += n;
    }
}

void DevToolsPipe::onReadable()
{
    char chunk[65536];
    const ssize_t n = ::read(m_readFd, chunk, sizeof(chunk));
    if (n < 0 && errno == EINTR)
        return;
    if (n <= 0) {
        close();
        emit sgClosed();
        return;
    }
    m_incoming.append(chunk, n);
    qsizetype end;
    while ((end = m_incoming.indexOf('\0')) >= 0) {
        const QByteArray message = m_incoming.left(end);
        m_incoming.remove(0, end + 1);
        dispatch(message);
    }
}

void DevToolsPipe::dispatch(const QByteArray &message)
{
    const QJsonObject object = QJsonDocument::fromJson(message).object();
    const QString sessionId = object.value(QStringLiteral("sessionId")).toString();
    if (!object.contains(QStringLiteral("id"))) {
        emit sgEvent(object.value(QStringLiteral("method")).toString(),
            object.value(QStringLiteral("params")).toObject(), sessionId);
        return;
    }
    const Reply reply = m_replies.take(object.value(QStringLiteral("id")).toInt());
    if (!reply)
        return;
    if (object.contains(QStringLiteral("error")))
        reply({ { QStringLiteral("error"), object.value(QStringLiteral("error")) } });
    else
        reply(object.value(QStringLiteral("result")).toObject());
}

void DevToolsPipe::close()
{
    m_notifier->setEnabled(false);
    for (int *fd : { &m_readFd, &m_writeFd }) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    m_replies.clear();
}
