#include "engine/qtwebengine/scriptdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QWindow>

ScriptDialog::ScriptDialog(QWidget *view, const Question &question)
    : PageOverlay(view)
{
    fillBox(question);
    followOuterWindow();
    fitToView();
}

ScriptDialog *ScriptDialog::open(QWidget *view, const Question &question)
{
    auto *dialog = new ScriptDialog(view, question);
    dialog->show();
    dialog->raise();
    dialog->takeFocus();
    return dialog;
}

void ScriptDialog::fillBox(const Question &question)
{
    QWidget *box = this->box();
    QLayout *layout = box->layout();
    auto *asker = new QLabel(tr("%1 says").arg(question.origin), box);
    asker->setTextFormat(Qt::PlainText);
    asker->setWordWrap(true);
    asker->setStyleSheet(QStringLiteral("font-weight: bold"));
    layout->addWidget(asker);
    layout->addWidget(makeMessage(question.message, box));
    if (question.kind == Kind::Prompt) {
        m_text = new QLineEdit(question.defaultText, box);
        connect(m_text, &QLineEdit::returnPressed, this, [this] { answer(true); });
        layout->addWidget(m_text);
    }
    if (question.offerStop) {
        m_stop = new QCheckBox(tr("Prevent this page from creating additional dialogs"), box);
        layout->addWidget(m_stop);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, box);
    if (question.kind != Kind::Alert)
        buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { answer(true); });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { answer(false); });
    layout->addWidget(buttons);
    // As browsers do, typing replaces the page's suggestion.
    if (m_text)
        m_text->selectAll();
    m_focus = m_text ? static_cast<QWidget *>(m_text) : buttons->button(QDialogButtonBox::Ok);
}

// The message gives way first when the view is small: it scrolls, the rest stays whole.
QWidget *ScriptDialog::makeMessage(const QString &message, QWidget *box)
{
    auto *label = new QLabel(message);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_message = new QScrollArea(box);
    m_message->setFrameShape(QFrame::NoFrame);
    m_message->setWidgetResizable(true);
    m_message->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_message->setWidget(label);
    return m_message;
}

// Put into a window of the shell, the view's window has a parent, and the
// window manager shows and hides that parent: the view hears of none of it.
// The parent's showing counts as the view's, once the view's window is on
// screen, where alone it can be given the keys.
void ScriptDialog::followOuterWindow()
{
    QWindow *window = view()->windowHandle();
    if (!window)
        return;
    window->installEventFilter(this);
    QWindow *outer = window;
    while (outer->parent())
        outer = outer->parent();
    connect(outer, &QWindow::visibleChanged, this,
        [this](bool visible) { m_focusWhenExposed = visible; });
}

void ScriptDialog::takeFocus()
{
    activateWindow();
    m_focus->setFocus();
}

void ScriptDialog::answer(bool accepted)
{
    if (m_answered)
        return;
    m_answered = true;
    emit sgAnswered(
        { accepted, m_text ? m_text->text() : QString(), m_stop && m_stop->isChecked() });
    deleteLater();
}

void ScriptDialog::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        answer(true);
        return;
    case Qt::Key_Escape:
        answer(false);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

// The dialog has the keys once the player can see it.
bool ScriptDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched == view()) {
        fitToView();
        takeFocus();
    } else if (event->type() == QEvent::Expose && m_focusWhenExposed
        && watched == view()->windowHandle() && view()->windowHandle()->isExposed()) {
        m_focusWhenExposed = false;
        takeFocus();
    }
    return PageOverlay::eventFilter(watched, event);
}
