#include "cef/qtwebengine/pointerlocknotice.h"

#include <QTimer>

namespace {

constexpr int kShownMs = 3000;
constexpr int kTopMargin = 24;

} // namespace

PointerLockNotice::PointerLockNotice(QWidget *view)
    : QLabel(tr("Press Escape to release the mouse"), view)
    , m_hideTimer(new QTimer(this))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setStyleSheet(QStringLiteral("background: rgba(0, 0, 0, 180); color: white; padding: 10px 16px;"
                                 "border-radius: 6px; font-size: 15px;"));
    hide();
    m_hideTimer->setSingleShot(true);
    m_hideTimer->setInterval(kShownMs);
    connect(m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
}

void PointerLockNotice::showBriefly()
{
    adjustSize();
    move((parentWidget()->width() - width()) / 2, kTopMargin);
    show();
    raise();
    m_hideTimer->start();
}
