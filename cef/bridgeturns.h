#pragma once

#include "cef/bridgequeue.h"
#include "cef/servingshare.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QTimer>

// Hands the pages' bridge requests to the dispatcher in turns (BridgeQueue), within its share
// of the GUI thread (ServingShare). The engine takes in what the pages send in the time left:
// a request from a quiet page joins the queue as it comes and waits for one request of each
// flooding page, not for everything they sent before it.
// Runs on the GUI thread. One per application, its child.
class BridgeTurns : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(BridgeTurns)

public:
    // What one page may have waiting: thousands of ordinary requests, far from the memory's end.
    static constexpr qint64 kMaxWaitingBytes = 64 * 1024 * 1024;
    // A burst of requests after a quiet spell is served at once.
    static constexpr qint64 kBurstNs = 20 * 1000 * 1000;

    static BridgeTurns *instance();

    // The request comes back through sgServed when its turn comes; the source's requests, in
    // the order added. A source's requests still waiting go when it is destroyed.
    void add(QObject *source, const QByteArray &request);

signals:
    void sgServed(const QObject *source, const QString &request);

private:
    explicit BridgeTurns(QObject *parent);

    void onTurn();
    void serveNext();
    void onSourceDestroyed(QObject *source);

    BridgeQueue m_queue;
    ServingShare m_share;
    QElapsedTimer m_clock;
    QTimer m_turns;
    // Sources told of a full queue, until theirs empties: a flood gets one log line.
    QSet<const QObject *> m_refused;
};
