#pragma once

#include "cef/enginepage.h"

#include <QWidget>

// The shell's question over a page that does not respond: wait for it, or
// reload it. Drawn over the page's own view, which takes no input while it
// shows. Enter and Escape wait: a key meant for the game never reloads it.
// Runs on the GUI thread. A child of the page's view.
class HangQuestionView : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(HangQuestionView)

public:
    explicit HangQuestionView(QWidget *view);

signals:
    void sgAnswered(EnginePage::HangChoice choice);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *makeBox();
};
