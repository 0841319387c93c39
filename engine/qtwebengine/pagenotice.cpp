#include "engine/qtwebengine/pagenotice.h"

#include <QTimer>

namespace {

constexpr int kShownMs = 4000;
constexpr int kMargin = 24;

} // namespace

PageNotice::PageNotice(QWidget *view)
    : QLabel(view)
    , m_hideTimer(new QTimer(this))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setStyleSheet(QStringLiteral("background: rgba(0, 0, 0, 180); color: white; padding: 10px 16px;"
                                 "border-radius: 6px; font-size: 15px;"));
    setTextFormat(Qt::PlainText);
    hide();
    m_hideTimer->setSingleShot(true);
    m_hideTimer->setInterval(kShownMs);
    connect(m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
}

void PageNotice::showBriefly(const QString &text)
{
    setText(text);
    // A long origin wraps rather than leaving the view.
    setWordWrap(false);
    const int width = qMax(1, qMin(sizeHint().width(), parentWidget()->width() - 2 * kMargin));
    setWordWrap(true);
    resize(width, heightForWidth(width));
    move((parentWidget()->width() - width) / 2, kMargin);
    show();
    raise();
    m_hideTimer->start();
}
