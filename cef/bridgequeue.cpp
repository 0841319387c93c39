#include "cef/bridgequeue.h"

#include <algorithm>

BridgeQueue::BridgeQueue(qint64 maxWaitingBytes)
    : m_maxWaitingBytes(maxWaitingBytes)
{
}

bool BridgeQueue::push(const QObject *source, const QByteArray &request)
{
    Line &line = m_lines[source];
    if (line.bytes + request.size() > m_maxWaitingBytes) {
        if (line.requests.empty())
            m_lines.remove(source);
        return false;
    }
    if (line.requests.empty())
        m_turns.push_back(source);
    line.requests.push_back(request);
    line.bytes += request.size();
    return true;
}

BridgeQueue::Entry BridgeQueue::take()
{
    const QObject *source = m_turns.front();
    m_turns.pop_front();
    const auto line = m_lines.find(source);
    Entry entry { source, std::move(line->requests.front()) };
    line->requests.pop_front();
    line->bytes -= entry.request.size();
    if (line->requests.empty())
        m_lines.erase(line);
    else
        m_turns.push_back(source);
    return entry;
}

void BridgeQueue::forget(const QObject *source)
{
    if (m_lines.remove(source) > 0)
        m_turns.erase(std::find(m_turns.begin(), m_turns.end(), source));
}

int BridgeQueue::waiting(const QObject *source) const
{
    const auto line = m_lines.constFind(source);
    return line == m_lines.constEnd() ? 0 : int(line->requests.size());
}
