#include "engine/hangquestionview.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QPushButton>

HangQuestionView::HangQuestionView(QWidget *view)
    : PageOverlay(view)
{
    fillBox();
    fitToView();
}

void HangQuestionView::fillBox()
{
    QWidget *box = this->box();
    QLayout *layout = box->layout();
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
