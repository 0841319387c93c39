#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QObject>

#include <functional>

class QSocketNotifier;

// The client end of Chromium's DevTools protocol over the pipe the browser
// was started with (--remote-debugging-pipe): each message one JSON object,
// ended by a NUL byte. Commands carry an id their reply repeats; everything
// else the browser sends is an event. A command for a page goes to the
// session the browser attached it under (flat sessions: one pipe for all).
// Runs on the GUI thread. Owns neither descriptor's process: closes both when it goes. Outlives
// its browser: a browser started again gets the same pipe, with new descriptors.
class DevToolsPipe : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(DevToolsPipe)

public:
    // The command's result; an error reply comes as { "error": { ... } }.
    using Reply = std::function<void(const QJsonObject &result)>;

    // readFd: what the browser writes; writeFd: what it reads. Both become the pipe's.
    DevToolsPipe(int readFd, int writeFd, QObject *parent = nullptr);
    ~DevToolsPipe() override;

    // A browser started again: the commands the ended one left unanswered never are.
    void reopen(int readFd, int writeFd);
    void send(const QString &method, const QJsonObject &params = {},
        const QString &sessionId = QString(), Reply reply = nullptr);

signals:
    void sgEvent(const QString &method, const QJsonObject &params, const QString &sessionId);
    // The browser closed its end: it has ended.
    void sgClosed();

private:
    void open(int readFd, int writeFd);
    void onReadable();
    void dispatch(const QByteArray &message);
    void close();

    int m_readFd = -1;
    int m_writeFd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_incoming;
    int m_lastId = 0;
    QHash<int, Reply> m_replies;
};
