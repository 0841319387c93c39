#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

// The processes below a process, from /proc: the engine's sub-processes of a
// test, without those of other programs on the machine.
QList<qint64> descendantProcesses(qint64 root);

// A process's arguments, its program first; none once it is gone.
QList<QByteArray> commandLineOf(qint64 pid);

// The browser processes of Chromium below root, each driven over its pipe, without their helpers.
QList<qint64> chromiumBrowsers(qint64 root);
