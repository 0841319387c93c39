#include "tools/processes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <csignal>
#include <limits>

#include <sys/types.h>
#include <unistd.h>

namespace {

const QString kProc = QStringLiteral("/proc");
// What the kernel appends to the link of an executable whose file was replaced or removed
// since it started, as an update does.
const QByteArray kDeleted = QByteArrayLiteral(" (deleted)");

QString fileNameOf(QByteArray executable)
{
    if (executable.endsWith(kDeleted))
        executable.chop(kDeleted.size());
    return QFileInfo(QFile::decodeName(executable)).fileName();
}

// The command name stands in where the executable link is denied (another user's process). It is
// read from "stat" rather than "comm" because "stat" also tells a zombie, which runs no more.
// Empty for zombies and for names that are not a file name.
QString commandName(const QString &processFolder)
{
    QFile file(processFolder + QStringLiteral("/stat"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    // "<id> (<command>) <state> ...": the command itself may hold spaces and parentheses.
    const QByteArray stat = file.readAll();
    const int open = stat.indexOf('(');
    const int close = stat.lastIndexOf(')');
    if (open < 0 || close < open || close + 2 >= stat.size())
        return QString();
    const char state = stat.at(close + 2);
    const QString command = QString::fromUtf8(stat.mid(open + 1, close - open - 1));
    if (state == 'Z' || state == 'X' || command.contains(QLatin1Char('/')))
        return QString();
    return command;
}

// Empty for a process without a program: a kernel thread, or one that has ended or is ending
// (its link is gone before it turns zombie).
QString processName(const QString &processFolder)
{
    const QByteArray link = QFile::encodeName(processFolder + QStringLiteral("/exe"));
    QByteArray target(PATH_MAX, Qt::Uninitialized);
    ssize_t size = 0;
    while ((size = ::readlink(link.constData(), target.data(), size_t(target.size())))
        == target.size())
        target.resize(target.size() * 2);
    if (size >= 0)
        return fileNameOf(target.left(int(size)));
    return errno == EACCES ? commandName(processFolder) : QString();
}

} // namespace

namespace Processes {

std::optional<QVector<Entry>> snapshot()
{
    // Unsorted is the kernel's own order: ascending identifiers.
    const QStringList folders
        = QDir(kProc).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
    // This process is always listed: an empty table means /proc cannot be read.
    if (folders.isEmpty())
        return std::nullopt;
    QVector<Entry> entries;
    for (const QString &folder : folders) {
        bool isProcess = false;
        const qint64 id = folder.toLongLong(&isProcess);
        if (!isProcess)
            continue;
        const QString name = processName(kProc + QLatin1Char('/') + folder);
        if (!name.isEmpty())
            entries.append({ id, name });
    }
    return entries;
}

bool terminate(qint64 id)
{
    // 0 and negative identifiers would signal whole process groups.
    if (id <= 0 || id > std::numeric_limits<pid_t>::max())
        return false;
    return ::kill(static_cast<pid_t>(id), SIGKILL) == 0;
}

} // namespace Processes
