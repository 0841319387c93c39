#include "window/splashhandover.h"

#include "cef/cefbrowser.h"
#include "cef/qcefclient.h"
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
    m_lastLoadedBrowser = browser;
    m_delay->start(kDelayMs);
}

// A window not attached yet is looked for again on the next round.
void SplashHandover::onDelayOver()
{
    if (!m_lastLoadedBrowser)
        return;
    m_registry.forEach([this](const WindowRecord &record) {
        if (record.client && record.window
            && record.browserId == m_lastLoadedBrowser->identifier()) {
            record.window->setVisible(true);
            emit sgCloseLogo();
            m_delay->stop();
        }
    });
}
