#pragma once

#include <QDate>
#include <QtGlobal>

// The bytes one log output may take in a day. A page calling in a loop could otherwise fill
// the disk (the daily file) or the session's journal (the debug mirror). Past the allowance
// the rest of the day's lines are dropped; the line that reaches it is replaced by one notice.
// Not thread-safe: the log is called on the GUI thread.
class LogAllowance
{
public:
    // 32 MiB: weeks of ordinary logging a day, and small beside any disk.
    static constexpr qint64 bytesPerDay = 32 * 1024 * 1024;

    // usedToday: what the output already holds of today, as a file opened again does.
    explicit LogAllowance(qint64 usedToday = 0);

    enum class Verdict { Write, WriteNotice, Drop };
    // Counts a line of size bytes written on day. WriteNotice, once a day: write notice()
    // instead of the line.
    Verdict take(qint64 size, const QDate &day = QDate::currentDate());

    static QString notice();

private:
    qint64 m_used;
    QDate m_day;
    bool m_spent = false;
};
