#include "engine/pageoverlay.h"

#include <QEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace {

const int kBoxWidth = 420;
// Between the box and the edges of what the player sees of the view.
const int kMargin = 8;

} // namespace

PageOverlay::PageOverlay(QWidget *view)
    : QWidget(view)
    , m_view(view)
    , m_box(new QWidget(this))
{
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("PageOverlay { background: rgba(0, 0, 0, 96); }"));
    m_box->setObjectName(QStringLiteral("box"));
    m_box->setAttribute(Qt::WA_StyledBackground);
    m_box->setStyleSheet(
        QStringLiteral("#box { background: palette(window); border-radius: 6px; }"));
    new QVBoxLayout(m_box);
    view->installEventFilter(this);
}

// A window larger than its screen, or partly off it, still shows the whole box.
void PageOverlay::fitToView()
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

// The view may be resized or moved while the question is up: it keeps covering it.
bool PageOverlay::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        fitToView();
    return QWidget::eventFilter(watched, event);
}
