#include "cef/qtwebengine/hangquestionview.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const int kBoxMaximumWidth = 420;

} // namespace

HangQuestionView::HangQuestionView(QWidget *view)
    : QWidget(view)
{
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("HangQuestionView { background: rgba(0, 0, 0, 96); }"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(makeBox(), 0, Qt::AlignCenter);
    setGeometry(view->rect());
    view->installEventFilter(this);
}

QWidget *HangQuestionView::makeBox()
{
    auto *box = new QWidget(this);
    box->setObjectName(QStringLiteral("box"));
    box->setAttribute(Qt::WA_StyledBackground);
    box->setStyleSheet(QStringLiteral("#box { background: palette(window); border-radius: 6px; }"));
    // A small window still shows the whole box, its words wrapped.
    box->setMaximumWidth(kBoxMaximumWidth);
    auto *layout = new QVBoxLayout(box);
    auto *title = new QLabel(tr("The page is not responding"), box);
    title->setStyleSheet(QStringLiteral("font-weight: bold"));
    layout->addWidget(title);
    auto *message = new QLabel(
        tr("You can wait for it to respond, or reload it: what it shows may be lost."), box);
    message->setWordWrap(true);
    layout->addWidget(message);
    auto *buttons = new QDialogButtonBox(box);
    QPushButton *wait = buttons->addButton(tr("Wait"), QDialogButtonBox::AcceptRole);
    wait->setObjectName(QStringLiteral("wait"));
    buttons->addButton(tr("Reload"), QDialogButtonBox::DestructiveRole)
        ->setObjectName(QStringLiteral("reload"));
    connect(buttons, &QDialogButtonBox::clicked, this, [this, wait](QAbstractButton *button) {
        emit sgAnswered(
            button == wait ? EnginePage::HangChoice::Wait : EnginePage::HangChoice::Reload);
    });
    layout->addWidget(buttons);
    wait->setDefault(true);
    wait->setFocus();
    return box;
}

void HangQuestionView::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        emit sgAnswered(EnginePage::HangChoice::Wait);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

// The view may be resized while the question is up: it keeps covering it.
bool HangQuestionView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize)
        setGeometry(static_cast<QWidget *>(watched)->rect());
    return QWidget::eventFilter(watched, event);
}
