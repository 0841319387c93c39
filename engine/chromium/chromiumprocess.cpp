#include "engine/chromium/chromiumprocess.h"

#include "engine/chromium/devtoolspipe.h"
#include "engine/enginelog.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimer>

#include <csignal>

#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

// Beside the profile, the folder the browser looks for programs in first.
const QString kOpenerFolder = QStringLiteral("/programs");

// Where the browser finds the pipe: it reads commands from 3 and writes to 4.
constexpr int kCommandFd = 3;
constexpr int kReplyFd = 4;

// A browser that ends within this of its start counts as one that cannot run; after a few such
// ends in a row, the next start waits, longer each time, up to a minute: a browser that is being
// upgraded, or was removed and is put back, brings the pages back once it runs again.
constexpr qint64 kSteadyMs = 10000;
constexpr int kQuickEndsAllowed = 3;
constexpr int kFirstPauseMs = 2000;
constexpr int kLongestPauseMs = 60000;

// After fork, before exec, as below: the program's end, however it ends, ends
// the browser.
void endWithTheProgram()
{
    prctl(PR_SET_PDEATHSIG, SIGTERM);
}

// After fork, before exec: only async-signal-safe calls. The copies above the
// two numbers keep one pipe end from being overwritten by the other's dup2.
void handOverPipe(int commandEnd, int replyEnd)
{
    const int command = fcntl(commandEnd, F_DUPFD, kReplyFd + 1);
    const int reply = fcntl(replyEnd, F_DUPFD, kReplyFd + 1);
    dup2(command, kCommandFd);
    dup2(reply, kReplyFd);
    close(command);
    close(reply);
    endWithTheProgram();
}

} // namespace

ChromiumProcess::ChromiumProcess(const QString &program, const QString &profilePath,
    const QStringList &switches, QObject *parent)
    : QObject(parent)
    , m_program(program)
    , m_profilePath(profilePath)
    , m_switches(switches)
    , m_process(new QProcess(this))
{
    connect(m_process, &QProcess::finished, this, &ChromiumProcess::onFinished);
}

// Only a browser asked over its pipe to close writes its cookies out before
// it ends: a signal ends it with those of the last half minute lost.
ChromiumProcess::~ChromiumProcess()
{
    disconnect(m_process, &QProcess::finished, this, &ChromiumProcess::onFinished);
    if (m_pipe && m_process->state() != QProcess::NotRunning) {
        m_pipe->send(QStringLiteral("Browser.close"));
        m_process->waitForFinished(5000);
    }
    delete m_pipe;
    if (m_process->state() == QProcess::NotRunning)
        return;
    m_process->terminate();
    if (!m_process->waitForFinished(5000))
        m_process->kill();
    m_process->waitForFinished(1000);
}

bool ChromiumProcess::start()
{
    int commands[2];
    int replies[2];
    if (!writePreferences() || !writeRefusingOpener() || pipe2(commands, O_CLOEXEC) != 0)
        return false;
    if (pipe2(replies, O_CLOEXEC) != 0) {
        ::close(commands[0]);
        ::close(commands[1]);
        return false;
    }
    m_process->setProgram(m_program);
    m_process->setProcessEnvironment(environment());
    m_process->setArguments(profileSwitches()
        + QStringList { QStringLiteral("--remote-debugging-pipe"),
            QStringLiteral("--no-startup-window"),
            // Extensions over the pipe: the tab mute's (TabMute).
            QStringLiteral("--enable-unsafe-extension-debugging") });
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const int commandEnd = commands[0];
    const int replyEnd = replies[1];
    m_process->setChildProcessModifier(
        [commandEnd, replyEnd] { handOverPipe(commandEnd, replyEnd); });
    m_process->start();
    ::close(commands[0]);
    ::close(replies[1]);
    if (m_pipe)
        m_pipe->reopen(replies[0], commands[1]);
    else
        m_pipe = new DevToolsPipe(replies[0], commands[1]);
    m_sinceStart.start();
    if (m_process->waitForStarted())
        return true;
    qCWarning(lcEngine).noquote() << "Chromium did not start:" << m_process->errorString();
    return false;
}

void ChromiumProcess::onFinished()
{
    qCWarning(lcEngine).noquote() << "Chromium ended unasked, exit code" << m_process->exitCode()
                                  << "of the browser on" << m_profilePath;
    m_quickEnds = m_sinceStart.elapsed() < kSteadyMs ? m_quickEnds + 1 : 0;
    emit sgEnded();
    scheduleStart();
}

// Not from within the process's own report of its end.
void ChromiumProcess::scheduleStart()
{
    int pause = 0;
    if (m_quickEnds >= kQuickEndsAllowed) {
        pause = kFirstPauseMs << qMin(m_quickEnds - kQuickEndsAllowed, 5);
        pause = qMin(pause, kLongestPauseMs);
        qCWarning(lcEngine).noquote()
            << "Chromium ended right after each of its last" << m_quickEnds
            << "starts: started again in" << pause / 1000 << "s";
    }
    QTimer::singleShot(pause, this, &ChromiumProcess::startAgain);
}

// A browser that cannot even be started counts as one that ended at once.
void ChromiumProcess::startAgain()
{
    if (start()) {
        emit sgStartedAgain();
        return;
    }
    ++m_quickEnds;
    scheduleStart();
}

// The start that hands over becomes a browser of its own when the running one
// is gone (ended as the program ends, say): it must end with the program too.
void ChromiumProcess::openAppWindow(const QString &url) const
{
    qCDebug(lcEngine).noquote() << "Chromium opens a window at" << url;
    auto *start = new QProcess(m_process);
    start->setProgram(m_program);
    start->setProcessEnvironment(environment());
    start->setArguments(profileSwitches() + QStringList { QStringLiteral("--app=") + url });
    start->setStandardOutputFile(QProcess::nullDevice());
    start->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    start->setChildProcessModifier(endWithTheProgram);
    connect(start, &QProcess::finished, start, &QObject::deleteLater);
    start->start();
}

QStringList ChromiumProcess::profileSwitches() const
{
    return QStringList { QStringLiteral("--user-data-dir=") + m_profilePath,
        QStringLiteral("--no-first-run"), QStringLiteral("--no-default-browser-check"),
        // No keyring question on a desktop that has one.
        QStringLiteral("--password-store=basic"),
        // A page kept aside and brought back by a step through history would come back with no
        // load and no new document: the shell counts on both, as with the built-in engine.
        QStringLiteral("--disable-features=BackForwardCache"),
        // Over every page of a run without its sandbox (as root), or with certificate errors
        // ignored, the browser would draw its bar warning of an unsupported switch; standard
        // error says so already, and the page is the player's whole window.
        QStringLiteral("--test-type"),
        // The browser's own question over a page that stopped responding would stand beside the
        // shell's. It asks none of a page the pipe is attached to, and none at all with this.
        QStringLiteral("--disable-hang-monitor") }
    + m_switches;
}

// Chromium draws its own title bar and frame around an app window unless the
// profile says otherwise; embedded, a window must be its page alone. The
// browser keeps the rest of the file as it likes.
bool ChromiumProcess::writePreferences() const
{
    const QString folder = m_profilePath + QStringLiteral("/Default");
    QFile file(folder + QStringLiteral("/Preferences"));
    if (!QDir().mkpath(folder))
        return false;
    QJsonObject preferences;
    if (file.open(QIODevice::ReadOnly))
        preferences = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    QJsonObject browser = preferences.value(QStringLiteral("browser")).toObject();
    browser.insert(QStringLiteral("custom_chrome_frame"), false);
    preferences.insert(QStringLiteral("browser"), browser);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(QJsonDocument(preferences).toJson(QJsonDocument::Compact)) > 0;
}

// Chromium hands the addresses of other programs' schemes to the desktop's opener on its own,
// mailto: at once and others after a question of its own, and no command of its pipe holds them
// back: a link in an ad would start another program. The opener it finds first opens nothing.
bool ChromiumProcess::writeRefusingOpener() const
{
    const QString folder = m_profilePath + kOpenerFolder;
    QFile opener(folder + QStringLiteral("/xdg-open"));
    if (!QDir().mkpath(folder) || !opener.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    opener.write("#!/bin/sh\nexit 1\n");
    opener.close();
    return opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QProcessEnvironment ChromiumProcess::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QString path = environment.value(QStringLiteral("PATH"));
    if (path.isEmpty())
        path = QStringLiteral("/usr/local/bin:/usr/bin:/bin");
    environment.insert(
        QStringLiteral("PATH"), m_profilePath + kOpenerFolder + QLatin1Char(':') + path);
    return environment;
}
