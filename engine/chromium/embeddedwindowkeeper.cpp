#include "engine/chromium/embeddedwindowkeeper.h"

#include "engine/chromium/embeddedwindow.h"

#include <QWindow>

namespace {

// Window managers let a window go within moments of its being taken.
constexpr int kCheckIntervalMs = 250;
constexpr int kChecks = 12;

} // namespace

EmbeddedWindowKeeper::EmbeddedWindowKeeper(QWindow *embedded, QWindow *holder)
    : QObject(embedded)
    , m_embedded(embedded)
    , m_holder(holder)
    , m_checksLeft(kChecks)
{
    connect(&m_checks, &QTimer::timeout, this, &EmbeddedWindowKeeper::onCheck);
    m_checks.start(kCheckIntervalMs);
    connect(holder, &QWindow::xChanged, this, &EmbeddedWindowKeeper::onHolderMoved);
    connect(holder, &QWindow::yChanged, this, &EmbeddedWindowKeeper::onHolderMoved);
}

void EmbeddedWindowKeeper::onCheck()
{
    if (--m_checksLeft <= 0)
        m_checks.stop();
    const QSize pixels = m_holder->size() * m_holder->devicePixelRatio();
    const WId holder = m_holder->winId();
    if (!EmbeddedWindow::isInPlace(m_embedded->winId(), holder, pixels)) {
        EmbeddedWindow::putInPlace(m_embedded->winId(), holder, pixels);
        m_checksLeft = kChecks;
        m_checks.start();
    }
    // The browser may still hold the place its window had as the window manager's.
    EmbeddedWindow::tellScreenPlace(m_embedded->winId());
}

void EmbeddedWindowKeeper::onHolderMoved()
{
    EmbeddedWindow::tellScreenPlace(m_embedded->winId());
}
