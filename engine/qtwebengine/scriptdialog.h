#pragma once

#include "engine/pageoverlay.h"

class QCheckBox;
class QLineEdit;
class QScrollArea;

// A page's script dialog, drawn by the shell over the page's own view and
// answered whenever the player gets to it: nothing waits for it but the page
// that asked. Kept to the keyboard (Enter accepts, Escape cancels, the text
// field of a prompt has the focus), naming the origin that asks; in a small
// window the buttons stay in reach and a long message scrolls.
// Runs on the GUI thread. Deletes itself once answered; goes with its view.
class ScriptDialog : public PageOverlay
{
    Q_OBJECT
    Q_DISABLE_COPY(ScriptDialog)

public:
    enum class Kind { Alert, Confirm, Prompt };

    struct Question
    {
        Kind kind = Kind::Alert;
        QString origin;
        QString message;
        QString defaultText;
        // Offers to stop this page's dialogs.
        bool offerStop = false;
    };

    struct Answer
    {
        bool accepted = false;
        QString text;
        bool stopDialogs = false;
    };

    // Over the view at once, or as soon as the view is on screen.
    static ScriptDialog *open(QWidget *view, const Question &question);

signals:
    // Once, just before the dialog goes.
    void sgAnswered(const ScriptDialog::Answer &answer);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ScriptDialog(QWidget *view, const Question &question);
    void fillBox(const Question &question);
    QWidget *makeMessage(const QString &message, QWidget *box);
    void followOuterWindow();
    void takeFocus();
    void answer(bool accepted);

    QScrollArea *m_message = nullptr;
    QLineEdit *m_text = nullptr;
    QCheckBox *m_stop = nullptr;
    QWidget *m_focus = nullptr;
    bool m_answered = false;
    // The window around the view's own was shown: the keys go to the dialog once it is on screen.
    bool m_focusWhenExposed = false;
};
