#pragma once

#include <QString>
#include <QVector>

#include <optional>

// The system's process table, one implementation per platform (processes_linux.cpp,
// processes_win.cpp).
namespace Processes {

struct Entry
{
    qint64 id;
    // The executable's file name, never a path.
    QString name;
};

// Every running process, in the order the system lists them; nothing when the table cannot be
// read.
std::optional<QVector<Entry>> snapshot();

// Ends the process at once, without giving it a chance to clean up. False when the process cannot
// be reached or ended.
bool terminate(qint64 id);

} // namespace Processes
