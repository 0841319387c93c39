#include "cef/qtwebengine/scriptdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const int kBoxWidth = 420;

} // namespace

ScriptDialog::ScriptDialog(QWidget *view, const Question &question)
    : QWidget(view)
{
    // Covers the whole page: the page takes no input while its dialog is up.
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("ScriptDialog { background: rgba(0, 0, 0, 96); }"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(makeBox(question), 0, Qt::AlignCenter);
    setGeometry(view->rect());
    view->installEventFilter(this);
}

QWidget *ScriptDialog::makeBox(const Question &question)
{
    auto *box = new QWidget(this);
    box->setObjectName(QStringLiteral("box"));
    box->setAttribute(Qt::WA_StyledBackground);
    box->setStyleSheet(QStringLiteral("#box { background: palette(window); border-radius: 6px; }"));
    box->setFixedWidth(kBoxWidth);
    auto *layout = new QVBoxLayout(box);
    auto *asker = new QLabel(tr("%1 says").arg(question.origin), box);
    asker->setTextFormat(Qt::PlainText);
    asker->setStyleSheet(QStringLiteral("font-weight: bold"));
    layout->addWidget(asker);
    auto *message = new QLabel(question.message, box);
    message->setTextFormat(Qt::PlainText);
    message->setWordWrap(true);
    layout->addWidget(message);
    if (question.kind == Kind::Prompt) {
        m_text = new QLineEdit(question.defaultText, box);
        connect(m_text, &QLineEdit::returnPressed, this, [this] { emit sgAnswered(true); });
        layout->addWidget(m_text);
    }
    if (question.offerStop) {
        m_stop = new QCheckBox(tr("Prevent this page from creating additional dialogs"), box);
        layout->addWidget(m_stop);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, box);
    if (question.kind != Kind::Alert)
        buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { emit sgAnswered(true); });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { emit sgAnswered(false); });
    layout->addWidget(buttons);
    // As browsers do, typing replaces the page's suggestion.
    if (m_text) {
        m_text->selectAll();
        m_text->setFocus();
    } else
        buttons->button(QDialogButtonBox::Ok)->setFocus();
    return box;
}

ScriptDialog::Answer ScriptDialog::ask(QWidget *view, const Question &question)
{
    QPointer<ScriptDialog> dialog(new ScriptDialog(view, question));
    bool accepted = false;
    QEventLoop loop;
    connect(dialog, &ScriptDialog::sgAnswered, &loop, [&](bool answer) {
        accepted = answer;
        loop.quit();
    });
    connect(dialog, &QObject::destroyed, &loop, &QEventLoop::quit);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    loop.exec();
    if (!dialog)
        return {};
    Answer answer { accepted, dialog->m_text ? dialog->m_text->text() : QString(),
        dialog->m_stop && dialog->m_stop->isChecked() };
    delete dialog;
    return answer;
}

void ScriptDialog::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit sgAnswered(true);
        return;
    case Qt::Key_Escape:
        emit sgAnswered(false);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

// The view may be resized while the dialog is up: it keeps covering it.
bool ScriptDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize)
        setGeometry(static_cast<QWidget *>(watched)->rect());
    return QWidget::eventFilter(watched, event);
}
