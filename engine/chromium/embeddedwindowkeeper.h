#pragma once

#include <QObject>
#include <QTimer>

class QWindow;

// Keeps the browser's window in its place inside the page's own window. The window manager that
// framed the browser's window before the page took it lets it go in its own time, and may leave
// it unmapped or at its old size: for a while after the taking, the window is put back whenever
// it is found out of place, and told where it stands. The browser reads its screen place only from
// its own window's events, which moves of the page's window never give: each move is told to it.
// Runs on the GUI thread; the browser's window owns it.
class EmbeddedWindowKeeper : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(EmbeddedWindowKeeper)

public:
    EmbeddedWindowKeeper(QWindow *embedded, QWindow *holder);

private:
    void onCheck();
    void onHolderMoved();

    QWindow *m_embedded;
    QWindow *m_holder;
    QTimer m_checks;
    int m_checksLeft;
};
