#include "cef/screenwakelocks.h"

#include "app/logexcerpt.h"
#include "app/originpolicy.h"
#include "app/tspdlog.h"
#include "cef/cefbrowser.h"
#include "engine/enginepage.h"
#include "engine/wakelockrequest.h"
#include "tools/screensaverinhibitor.h"

ScreenWakeLocks *ScreenWakeLocks::instance()
{
    static ScreenWakeLocks *locks = new ScreenWakeLocks;
    return locks;
}

ScreenWakeLocks::ScreenWakeLocks()
    : m_inhibitor(new ScreenSaverInhibitor(this))
{
}

// The page belongs to the browser: it goes first.
void ScreenWakeLocks::watch(const CefBrowser &browser, EnginePage &page)
{
    const QObject *key = &page;
    connect(&page, &EnginePage::sgWakeLockRequested, this,
        [this, &browser, key](WakeLockRequest &request) { onRequested(browser, key, request); });
    connect(&page, &EnginePage::sgWakeLockReleased, this,
        [this, key](const QString &lock) { release(key, lock); });
    connect(&page, &EnginePage::sgLoadStarted, this, [this, key] { releaseAll(key); });
    connect(&page, &EnginePage::sgRendererEnded, this, [this, key] { releaseAll(key); });
    connect(&page, &QObject::destroyed, this, [this, key] { releaseAll(key); });
    connect(&browser, &CefBrowser::sgVisibleToPlayerChanged, this, [this, key](bool visible) {
        if (!visible)
            releaseAll(key);
    });
}

void ScreenWakeLocks::onRequested(
    const CefBrowser &browser, const QObject *page, WakeLockRequest &request)
{
    if (!OriginPolicy::configured().trusts(request.origin())) {
        const QString origin = OriginPolicy::originOf(request.origin());
        if (!m_refusedOrigins.contains(origin)) {
            m_refusedOrigins.insert(origin);
            TSpdlog::instance()->otherWarn(
                QStringLiteral("Screen wake lock refused to %1: not a trusted origin")
                    .arg(LogExcerpt::of(origin)));
        }
        return;
    }
    if (!browser.isVisibleToPlayer())
        return;
    request.grant();
    m_held[page].insert(request.lock());
    m_inhibitor->setInhibited(true);
}

void ScreenWakeLocks::release(const QObject *page, const QString &lock)
{
    const auto held = m_held.find(page);
    if (held == m_held.end())
        return;
    held->remove(lock);
    if (held->isEmpty())
        releaseAll(page);
}

void ScreenWakeLocks::releaseAll(const QObject *page)
{
    m_held.remove(page);
    m_inhibitor->setInhibited(isHeld());
}
