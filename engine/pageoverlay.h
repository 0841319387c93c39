#pragma once

#include <QWidget>

// A question of the shell drawn over a page's own view: the page is dimmed
// and takes no input while it is up, and the question's box stays whole
// within what the player sees of the view, however small or moved.
// Runs on the GUI thread. A child of the page's view.
class PageOverlay : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(PageOverlay)

protected:
    explicit PageOverlay(QWidget *view);

    QWidget *view() const { return m_view; }
    // Where the question goes; its layout is the question's to fill.
    QWidget *box() const { return m_box; }
    // After the box's contents changed.
    void fitToView();
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_view;
    QWidget *m_box;
};
