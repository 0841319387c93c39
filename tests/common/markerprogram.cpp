#include "markerprogram.h"

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QtTest>

namespace MarkerProgram {

bool write(const QString &path, const QString &marker)
{
    const QByteArray script
        = "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + QFile::encodeName(marker) + "'\n";
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(script) == script.size()
        && file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

QByteArray markerText(const QString &marker)
{
    QFile file(marker);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool laterProgramHasRun(const QString &folder, int timeoutMs)
{
    const QString marker = folder + QStringLiteral("/sentinel-marker");
    const QString sentinel = folder + QStringLiteral("/sentinel");
    QFile::remove(marker);
    if (!write(sentinel, marker) || !QProcess::startDetached(sentinel, QStringList()))
        return false;
    // It writes an empty line: no arguments.
    return QTest::qWaitFor([&marker] { return markerText(marker) == "\n"; }, timeoutMs);
}

} // namespace MarkerProgram
