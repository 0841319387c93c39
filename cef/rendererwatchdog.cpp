#include "cef/rendererwatchdog.h"

#include "engine/enginepage.h"

#include <QTimer>
#include <QWindow>

namespace {

// Pings per limit: an answer lost on the way (the page went to another
// render process) is made up by the next ping well before the limit.
constexpr int kPingsPerLimit = 3;

} // namespace

RendererWatchdog::RendererWatchdog(EnginePage *page, int limitMs)
    : QObject(page)
    , m_page(*page)
    , m_limitMs(limitMs)
    , m_tick(new QTimer(this))
{
    connect(page, &EnginePage::sgPingAnswered, this, &RendererWatchdog::onPingAnswered);
    connect(m_tick, &QTimer::timeout, this, &RendererWatchdog::onTick);
    m_tick->start(m_limitMs / kPingsPerLimit);
}

void RendererWatchdog::onTick()
{
    if (!isShown() || m_page.isWaitingForPlayer()) {
        m_waiting.invalidate();
        return;
    }
    if (m_waiting.isValid() && m_waiting.elapsed() >= m_limitMs) {
        m_waiting.invalidate();
        m_reported = true;
        emit sgUnanswered();
        return;
    }
    if (!m_waiting.isValid())
        m_waiting.start();
    m_page.ping();
}

void RendererWatchdog::onPingAnswered()
{
    m_waiting.invalidate();
    if (!m_reported)
        return;
    m_reported = false;
    emit sgAnsweredAgain();
}

bool RendererWatchdog::isShown() const
{
    for (const QWindow *window = m_page.window(); window; window = window->parent()) {
        if (!window->isVisible())
            return false;
    }
    return true;
}
