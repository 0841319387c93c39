#include "cef/servingshare.h"

#include <algorithm>

ServingShare::ServingShare(qint64 burstNs)
    : m_burstNs(burstNs)
    , m_balance(burstNs)
{
}

// The balance grows with the time that passes and a turn costs twice its length: the
// dispatcher then never keeps more than half of the time to itself for long.
void ServingShare::spend(qint64 nowNs, qint64 ns)
{
    m_balance = balance(nowNs) - 2 * ns;
    m_at = nowNs;
}

qint64 ServingShare::restNs(qint64 nowNs) const
{
    return std::max<qint64>(0, -balance(nowNs));
}

qint64 ServingShare::balance(qint64 nowNs) const
{
    return std::min(m_burstNs, m_balance + (nowNs - m_at));
}
