#include "cef/bridgeturns.h"

#include "app/tspdlog.h"

#include <QCoreApplication>
#include <QPointer>

BridgeTurns *BridgeTurns::instance()
{
    static QPointer<BridgeTurns> turns;
    if (!turns)
        turns = new BridgeTurns(QCoreApplication::instance());
    return turns;
}

BridgeTurns::BridgeTurns(QObject *parent)
    : QObject(parent)
    , m_queue(kMaxWaitingBytes)
    , m_share(kBurstNs)
{
    m_clock.start();
    connect(&m_turns, &QTimer::timeout, this, &BridgeTurns::onTurn);
}

void BridgeTurns::add(QObject *source, const QByteArray &request)
{
    connect(
        source, &QObject::destroyed, this, &BridgeTurns::onSourceDestroyed, Qt::UniqueConnection);
    if (!m_queue.push(source, request)) {
        if (!m_refused.contains(source)) {
            m_refused.insert(source);
            TSpdlog::instance()->otherWarn(
                QStringLiteral("bridge requests refused: a page has %1 waiting")
                    .arg(m_queue.waiting(source)));
        }
        return;
    }
    if (!m_turns.isActive())
        m_turns.start(0);
}

// One request a pass of the event loop, as the engine takes them in, and no more than the
// dispatcher's share of the time. The dispatcher may run a nested event loop: its turns come
// then too, and may find the queue emptied.
void BridgeTurns::onTurn()
{
    if (m_queue.isEmpty()) {
        m_turns.stop();
        return;
    }
    const qint64 rest = m_share.restNs(m_clock.nsecsElapsed());
    if (rest > 0) {
        m_turns.start(int(rest / 1000000) + 1);
        return;
    }
    const qint64 start = m_clock.nsecsElapsed();
    serveNext();
    const qint64 end = m_clock.nsecsElapsed();
    m_share.spend(end, end - start);
    if (m_queue.isEmpty())
        m_turns.stop();
    else if (m_turns.interval() > 0)
        m_turns.start(0);
}

void BridgeTurns::serveNext()
{
    const BridgeQueue::Entry entry = m_queue.take();
    if (m_queue.waiting(entry.source) == 0)
        m_refused.remove(entry.source);
    emit sgServed(entry.source, QString::fromUtf8(entry.request));
}

void BridgeTurns::onSourceDestroyed(QObject *source)
{
    m_queue.forget(source);
    m_refused.remove(source);
    if (m_queue.isEmpty())
        m_turns.stop();
}
