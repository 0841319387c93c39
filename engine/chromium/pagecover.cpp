#include "engine/chromium/pagecover.h"

#include "engine/chromium/windowgeometry.h"

#include <QTimer>

namespace {

constexpr int kFollowMs = 200;

} // namespace

PageCover::PageCover(WId pageWindow)
    : QWidget(nullptr, Qt::FramelessWindowHint)
    , m_pageWindow(QWindow::fromWinId(pageWindow))
    , m_follow(new QTimer(this))
{
    setAttribute(Qt::WA_NativeWindow);
    winId();
    windowHandle()->setParent(m_pageWindow.get());
    m_follow->setInterval(kFollowMs);
    connect(m_follow, &QTimer::timeout, this, &PageCover::fitToPage);
}

// The handle would take the window along as its child.
PageCover::~PageCover()
{
    windowHandle()->setParent(nullptr);
}

void PageCover::showOverPage()
{
    fitToPage();
    show();
    raise();
    activateWindow();
    m_follow->start();
}

void PageCover::dismiss()
{
    m_follow->stop();
    hide();
    deleteLater();
}

void PageCover::fitToPage()
{
    const QRect onScreen = WindowGeometry::onScreen(m_pageWindow->winId());
    const QRect page(QPoint(0, 0), onScreen.isEmpty() ? m_pageWindow->size() : onScreen.size());
    if (geometry() != page)
        setGeometry(page);
}
