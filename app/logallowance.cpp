#include "app/logallowance.h"

#include <QString>

LogAllowance::LogAllowance(qint64 usedToday)
    : m_used(usedToday)
    , m_day(QDate::currentDate())
{
}

LogAllowance::Verdict LogAllowance::take(qint64 size, const QDate &day)
{
    if (day != m_day) {
        m_day = day;
        m_used = 0;
        m_spent = false;
    }
    if (m_spent)
        return Verdict::Drop;
    if (m_used + size <= bytesPerDay) {
        m_used += size;
        return Verdict::Write;
    }
    m_spent = true;
    return Verdict::WriteNotice;
}

QString LogAllowance::notice()
{
    return QStringLiteral("The log reached its limit of %1 MiB for today: the lines after this "
                          "one are left out until midnight")
        .arg(bytesPerDay / (1024 * 1024));
}
