#include "processtree.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace {

QHash<qint64, qint64> parentsOfProcesses()
{
    QHash<qint64, qint64> parents;
    QDirIterator entries(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        bool numeric = false;
        const qint64 pid = QFileInfo(entries.next()).fileName().toLongLong(&numeric);
        QFile stat(entries.filePath() + QStringLiteral("/stat"));
        if (!numeric || !stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold blanks, the rest not.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        parents.insert(pid, fields.value(1).toLongLong());
    }
    return parents;
}

} // namespace

QList<qint64> descendantProcesses(qint64 root)
{
    const QHash<qint64, qint64> parents = parentsOfProcesses();
    QList<qint64> descendants;
    for (auto it = parents.cbegin(); it != parents.cend(); ++it) {
        for (qint64 ancestor = it.value(); ancestor > 1; ancestor = parents.value(ancestor)) {
            if (ancestor == root) {
                descendants.append(it.key());
                break;
            }
        }
    }
    return descendants;
}

QList<QByteArray> commandLineOf(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> arguments = file.readAll().split('\0');
    if (!arguments.isEmpty() && arguments.last().isEmpty())
        arguments.removeLast();
    return arguments;
}

QList<qint64> chromiumBrowsers(qint64 root)
{
    QList<qint64> browsers;
    for (qint64 pid : descendantProcesses(root)) {
        const QList<QByteArray> arguments = commandLineOf(pid);
        const bool helper = std::any_of(arguments.cbegin(), arguments.cend(),
            [](const QByteArray &argument) { return argument.startsWith("--type="); });
        if (arguments.contains("--remote-debugging-pipe") && !helper)
            browsers.append(pid);
    }
    return browsers;
}
