#include "processusage.h"

#include "processtree.h"

#include <QFile>
#include <QList>

#include <unistd.h>

namespace {

QList<qint64> processTree(qint64 root)
{
    return QList<qint64> { root } + descendantProcesses(root);
}

QByteArray procFile(qint64 pid, const char *name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Fields 14 and 15 of stat, utime and stime, in clock ticks; 0 for a process
// that has ended meanwhile.
double processCpuSeconds(qint64 pid)
{
    // "pid (name) state ...": the name may hold blanks, the rest not.
    const QByteArray line = procFile(pid, "stat");
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks / double(sysconf(_SC_CLK_TCK));
}

double processProportionalKilobytes(qint64 pid)
{
    const QList<QByteArray> lines = procFile(pid, "smaps_rollup").split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("Pss:"))
            return line.mid(4).trimmed().split(' ').value(0).toDouble();
    }
    return 0;
}

} // namespace

double ProcessUsage::cpuSeconds(qint64 root)
{
    double seconds = 0;
    for (qint64 pid : processTree(root))
        seconds += processCpuSeconds(pid);
    return seconds;
}

double ProcessUsage::proportionalMegabytes(qint64 root)
{
    double kilobytes = 0;
    for (qint64 pid : processTree(root))
        kilobytes += processProportionalKilobytes(pid);
    return kilobytes / 1024.0;
}
