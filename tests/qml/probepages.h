#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>

class FakePage;
class FakeProfile;
class QCefView;

// The pages of the shell's windows on the fake engine, as a page of the portal
// would use the bridge: a page sends requests through callQML for its window,
// and hands back, in the order the shell ran them, the qtQueryCallback and
// qtSlots scripts the shell runs in it.
// Runs on the GUI thread; hears the window manager's messages while it lives.
class ProbePages : public QObject
{
    Q_DISABLE_COPY(ProbePages)

public:
    ProbePages(QCefView *windows, FakeProfile *profile, QObject *parent = nullptr);

    // The page in the named window, once attached; null before or without one.
    FakePage *pageOf(const QString &window) const;
    // The page of window page calls callQML(sender, id, request); sender is
    // the page's own window unless given.
    void post(const QString &page, const QString &id, const QString &request,
        const QString &sender = QString());
    // post, returning once the dispatcher has run the request.
    bool send(const QString &page, const QString &id, const QString &request,
        const QString &sender = QString());
    // Returns once everything the shell sent to these pages before has reached them.
    bool settle(const QStringList &pages);

    // "qtQueryCallback(<reply>)" or "qtSlots(<push>)", as the shell ran them
    // since the last clear().
    QStringList received(const QString &page) const;
    void clear();

private:
    void onMessage(const QString &text);

    QCefView *m_windows;
    FakeProfile *m_profile;
    QStringList m_requestIds;
    int m_settleRound = 0;
};
