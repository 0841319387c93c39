#include "tools/processes.h"

#include <windows.h>

#include <tlhelp32.h>

namespace Processes {

std::optional<QVector<Entry>> snapshot()
{
    const HANDLE table = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (table == INVALID_HANDLE_VALUE)
        return std::nullopt;
    QVector<Entry> entries;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(table, &entry); more; more = Process32NextW(table, &entry))
        entries.append({ qint64(entry.th32ProcessID), QString::fromWCharArray(entry.szExeFile) });
    CloseHandle(table);
    return entries;
}

bool terminate(qint64 id)
{
    if (id <= 0 || id > qint64(MAXDWORD))
        return false;
    const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, DWORD(id));
    if (!process)
        return false;
    const bool ended = TerminateProcess(process, 0) != FALSE;
    CloseHandle(process);
    return ended;
}

} // namespace Processes
