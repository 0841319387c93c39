#include "engine/chromium/pagecover.h"

#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

#include <X11/Xlib.h>

namespace {

constexpr int kFollowMs = 200;

// As the X server has it: Qt hears of no size the browser gives its own window.
QSize sizeOf(const QWindow *window)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display())
        return window->size();
    Window root = 0;
    int x = 0;
    int y = 0;
    unsigned int width = 0;
    unsigned int height = 0;
    unsigned int border = 0;
    unsigned int depth = 0;
    if (!XGetGeometry(
            x11->display(), window->winId(), &root, &x, &y, &width, &height, &border, &depth))
        return window->size();
    return QSize(int(width), int(height));
}

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
    const QRect page(QPoint(0, 0), sizeOf(m_pageWindow.get()));
    if (geometry() != page)
        setGeometry(page);
}
