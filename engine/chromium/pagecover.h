#pragma once

#include <QWidget>

#include <memory>

class QTimer;
class QWindow;

// A window of the shell inside the page's own window, as large as it and over everything the
// browser draws there: no widget can be drawn over a window of another program, but the X server
// shows a child window over its parent's drawing, embedded or not. It holds a question of the
// shell (its child widgets) and keeps the page from the player's input while it shows. It follows
// the page window's size, which the browser may change too, while it shows.
// Its window's parent is a handle of its own on the page's window, which the shell's windows,
// the page's handle among them, cannot take along when they go.
// Runs on the GUI thread.
class PageCover : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(PageCover)

public:
    explicit PageCover(WId pageWindow);
    ~PageCover() override;

    // Over the page, with the keys.
    void showOverPage();
    // Hides it and lets it go later.
    void dismiss();

private:
    void fitToPage();

    std::unique_ptr<QWindow> m_pageWindow;
    QTimer *m_follow;
};
