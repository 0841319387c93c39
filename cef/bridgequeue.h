#pragma once

#include <QByteArray>
#include <QHash>

#include <deque>

class QObject;

// The bridge requests waiting for the dispatcher, one line per page, served in turns: one
// request of each page that has any, then round again. A page flooding the bridge then delays
// another page's request by one of its own at most, not by all it sent before; each page's
// requests still leave in the order it made them. (A page with nothing waiting served first
// would let a page that sends at the dispatcher's pace, one request a turn, starve the others.)
// A page already holding maxWaitingBytes in line gets no more into it.
// Sources are keys only: never dereferenced.
class BridgeQueue
{
public:
    explicit BridgeQueue(qint64 maxWaitingBytes);

    // False, and nothing queued, when the source's line is full.
    bool push(const QObject *source, const QByteArray &request);
    bool isEmpty() const { return m_turns.empty(); }

    struct Entry
    {
        const QObject *source;
        QByteArray request;
    };
    // The request whose turn it is. Not on an empty queue.
    Entry take();
    // Drops what the source left waiting.
    void forget(const QObject *source);
    // Requests waiting from the source.
    int waiting(const QObject *source) const;

private:
    struct Line
    {
        std::deque<QByteArray> requests;
        qint64 bytes = 0;
    };

    const qint64 m_maxWaitingBytes;
    QHash<const QObject *, Line> m_lines;
    // Sources with requests waiting, the next to serve first.
    std::deque<const QObject *> m_turns;
};
