#include "window/fullscreenexit.h"

#include "cef/cefbrowser.h"

#include <QWindow>

#include <utility>

namespace {

// A display server that never sizes the window must not keep the game in full screen.
constexpr int kLongestWaitMs = 1000;

} // namespace

void FullScreenExit::tellWhenSized(
    const CefRefPtr<CefBrowser> &browser, QWindow *pageWindow, const QSize &size)
{
    if (!pageWindow || pageWindow->size() == size)
        browser->exitFullScreen();
    else
        new FullScreenExit(browser, pageWindow, size);
}

FullScreenExit::FullScreenExit(
    const CefRefPtr<CefBrowser> &browser, QWindow *pageWindow, const QSize &size)
    : QObject(pageWindow)
    , m_browser(browser)
    , m_pageWindow(pageWindow)
    , m_size(size)
{
    // Queued: the window's own content takes the size after the window reports it.
    connect(pageWindow, &QWindow::widthChanged, this, &FullScreenExit::onGeometryChanged,
        Qt::QueuedConnection);
    connect(pageWindow, &QWindow::heightChanged, this, &FullScreenExit::onGeometryChanged,
        Qt::QueuedConnection);
    m_longestWait.setSingleShot(true);
    connect(&m_longestWait, &QTimer::timeout, this, &FullScreenExit::tell);
    m_longestWait.start(kLongestWaitMs);
}

void FullScreenExit::onGeometryChanged()
{
    if (m_pageWindow->size() == m_size)
        tell();
}

void FullScreenExit::tell()
{
    if (std::exchange(m_told, true))
        return;
    m_longestWait.stop();
    m_browser->exitFullScreen();
    disconnect(m_pageWindow, nullptr, this, nullptr);
    deleteLater();
}
