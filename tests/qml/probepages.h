#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>

class QCefView;

// Test pages that send the shell requests and report what it sends back. A
// page speaks for the window named in its address ("?name=") and hands back,
// in the order it got them, the arguments of every qtQueryCallback and qtSlots
// call the shell runs in it.
// Runs on the GUI thread; hears the window manager's messages while it lives.
class ProbePages : public QObject
{
    Q_DISABLE_COPY(ProbePages)

public:
    // The page to serve.
    static QByteArray html();

    explicit ProbePages(QCefView *windows, QObject *parent = nullptr);

    // The page of window page calls callQML(sender, id, request); sender is
    // the page's own window unless given.
    void post(const QString &page, const QString &id, const QString &request,
        const QString &sender = QString());
    // post, returning once the dispatcher has run the request.
    bool send(const QString &page, const QString &id, const QString &request,
        const QString &sender = QString());
    // Returns once everything the shell sent to these pages before has been
    // reported back.
    bool settle(const QStringList &pages);

    // "qtQueryCallback(<reply>)" or "qtSlots(<push>)", the argument as the
    // page's JSON.stringify writes it back.
    QStringList received(const QString &page) const { return m_received.value(page); }
    void clear();

private:
    void onMessage(const QString &text);

    QCefView *m_windows;
    QHash<QString, QStringList> m_received;
    QHash<QString, QStringList> m_marks;
    QStringList m_requestIds;
    int m_settleRound = 0;
};
