#include "window/splashhandover.h"

#include "cef/cefbrowser.h"
#include "window/windowrecord.h"
#include "window/windowregistry.h"

#include <QTimer>

namespace {

constexpr int kDelayMs = 2000;

} // namespace

SplashHandover::SplashHandover(const WindowRegistry &registry, QObject *parent)
    : QObject(parent)
    , m_registry(registry)
    , m_delay(new QTimer(this))
{
    m_delay->setInterval(kDelayMs);
    connect(m_delay, &QTimer::timeout, this, &SplashHandover::onDelayOver);
}

void SplashHandover::onLoadEnd(CefRefPtr<CefBrowser> browser)
{
    if (!browser)
        return;
    m_loadedBrowsers.insert(browser->identifier());
    m_delay->start(kDelayMs);
}

// A window not attached yet is looked for again on the next round.
void SplashHandover::onDelayOver()
{
    bool shown = false;
    for (auto id = m_loadedBrowsers.begin(); id != m_loadedBrowsers.end();) {
        const WindowRecord *record = m_registry.findByBrowser(*id);
        if (!record || !record->client || !record->window) {
            ++id;
            continue;
        }
        record->window->setVisible(true);
        id = m_loadedBrowsers.erase(id);
        shown = true;
    }
    if (shown)
        emit sgCloseLogo();
    if (m_loadedBrowsers.isEmpty())
        m_delay->stop();
}
