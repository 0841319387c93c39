#pragma once

#include <QList>
#include <QtGlobal>

// The processes below a process, from /proc: the engine's sub-processes of a
// test, without those of other programs on the machine.
QList<qint64> descendantProcesses(qint64 root);
