#include "cef/qtwebengine/scriptdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWindow>

namespace {

const int kBoxWidth = 420;
// Between the box and the edges of what the player sees of the view.
const int kMargin = 8;

} // namespace

ScriptDialog::ScriptDialog(QWidget *view, const Question &question)
    : QWidget(view)
    , m_view(view)
{
    // Covers the whole page: the page takes no input while its dialog is up.
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("ScriptDialog { background: rgba(0, 0, 0, 96); }"));
    m_box = makeBox(question);
    view->installEventFilter(this);
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

QWidget *ScriptDialog::makeBox(const Question &question)
{
    auto *box = new QWidget(this);
    box->setObjectName(QStringLiteral("box"));
    box->setAttribute(Qt::WA_StyledBackground);
    box->setStyleSheet(QStringLiteral("#box { background: palette(window); border-radius: 6px; }"));
    auto *layout = new QVBoxLayout(box);
    auto *asker = new QLabel(tr("%1 says").arg(question.origin), box);
    asker->setTextFormat(Qt::PlainText);
    asker->setWordWrap(true);
    asker->setStyleSheet(QStringLiteral("font-weight: bold"));
    layout->addWidget(asker);
    layout->addWidget(makeMessage(question.message, box), 1);
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
    return box;
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

// What the player sees of the view: a window larger than its screen, or partly
// off it, still shows the whole dialog.
void ScriptDialog::fitToView()
{
    setGeometry(m_view->rect());
    QRect seen = rect();
    if (const QScreen *screen = m_view->screen()) {
        const QRect available = screen->availableGeometry();
        const QRect onScreen
            = seen.intersected(QRect(m_view->mapFromGlobal(available.topLeft()), available.size()));
        if (!onScreen.isEmpty())
            seen = onScreen;
    }
    const QRect inner = seen.adjusted(kMargin, kMargin, -kMargin, -kMargin);
    const int width = qMax(1, qMin(kBoxWidth, inner.width()));
    m_box->setFixedWidth(width);
    const int wanted = m_box->layout()->totalHeightForWidth(width);
    const int height = qMax(1, qMin(wanted, inner.height()));
    m_box->setFixedHeight(height);
    m_box->move(inner.x() + (inner.width() - width) / 2, inner.y() + (inner.height() - height) / 2);
}

// Put into a window of the shell, the view's window has a parent, and the
// window manager shows and hides that parent: the view hears of none of it.
// The parent's showing counts as the view's, once the view's window is on
// screen, where alone it can be given the keys.
void ScriptDialog::followOuterWindow()
{
    QWindow *window = m_view->windowHandle();
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

// The view may be resized, moved or shown while the dialog is up: it keeps
// covering it, and has the keys once the player can see it.
bool ScriptDialog::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::Move:
        fitToView();
        break;
    case QEvent::Show:
        fitToView();
        takeFocus();
        break;
    case QEvent::Expose:
        if (m_focusWhenExposed && watched == m_view->windowHandle()
            && m_view->windowHandle()->isExposed()) {
            m_focusWhenExposed = false;
            takeFocus();
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
