#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;

// A page's script dialog, drawn by the shell over the page's own view: modal
// to that page only (a local event loop keeps every other window working),
// kept to the keyboard (Enter accepts, Escape cancels, the text field of a
// prompt has the focus), naming the origin that asks.
// Runs on the GUI thread. Lives until answered, or until its view goes.
class ScriptDialog : public QWidget
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

    // Returns once the player answered; a view that goes first is a cancel.
    static Answer ask(QWidget *view, const Question &question);

signals:
    void sgAnswered(bool accepted);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ScriptDialog(QWidget *view, const Question &question);
    QWidget *makeBox(const Question &question);

    QLineEdit *m_text = nullptr;
    QCheckBox *m_stop = nullptr;
};
