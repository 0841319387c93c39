#include "tools/quitsignals.h"

#include "tools/toolslog.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <initializer_list>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::initializer_list<int> kQuitSignals = { SIGTERM, SIGINT, SIGHUP };

// The handler may only write: the signal number goes down the pair and the
// event loop reads it on the GUI thread.
int g_pair[2] = { -1, -1 };

void onSignal(int number)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // A full pair already holds a request to quit: nothing is lost.
    [[maybe_unused]] const ssize_t written = ::write(g_pair[0], &byte, 1);
    errno = savedErrno;
}

void setHandler(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kQuitSignals)
        sigaction(number, &action, nullptr);
}

QString signalName(int number)
{
    switch (number) {
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGINT:
        return QStringLiteral("SIGINT");
    default:
        return QStringLiteral("SIGHUP");
    }
}

} // namespace

QuitSignals::QuitSignals(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_pair) != 0) {
        qCWarning(lcTools) << "no quit signals:" << std::strerror(errno);
        return;
    }
    auto *notifier = new QSocketNotifier(g_pair[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        while (::read(g_pair[1], &byte, 1) == 1)
            emit sgQuitAsked(signalName(byte));
    });
    setHandler(&onSignal);
}

QuitSignals::~QuitSignals()
{
    if (g_pair[0] < 0)
        return;
    setHandler(SIG_DFL);
    ::close(g_pair[0]);
    ::close(g_pair[1]);
    g_pair[0] = g_pair[1] = -1;
}
