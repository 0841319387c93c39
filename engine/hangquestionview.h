#pragma once

#include "engine/enginepage.h"
#include "engine/pageoverlay.h"

// The shell's question over a page that does not respond: wait for it, or
// reload it. Enter and Escape wait: a key meant for the game never reloads it.
// Runs on the GUI thread. A child of the page's view.
class HangQuestionView : public PageOverlay
{
    Q_OBJECT
    Q_DISABLE_COPY(HangQuestionView)

public:
    explicit HangQuestionView(QWidget *view);

signals:
    void sgAnswered(EnginePage::HangChoice choice);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void fillBox();
};
