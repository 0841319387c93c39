#pragma once

#include <QObject>

class QWindow;

// Tells when a page's window loses its native window: it was closed, or a window it was put
// into was, which takes its children's with it.
// Runs on the GUI thread; goes with the window it watches.
class WindowEndWatch : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(WindowEndWatch)

public:
    explicit WindowEndWatch(QWindow *window);

signals:
    void sgEnded();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
