#include "engine/chromium/chromiumprofile.h"

#include "engine/chromium/chromiumcookies.h"
#include "engine/chromium/chromiumdownloads.h"
#include "engine/chromium/chromiumpage.h"
#include "engine/chromium/chromiumprocess.h"
#include "engine/chromium/devtoolspipe.h"
#include "engine/chromium/permissionpresets.h"
#include "engine/chromium/tabmute.h"
#include "engine/enginelog.h"

#include <QRandomGenerator>

namespace {

QString newMark()
{
    return QStringLiteral("lumen-page-%1")
        .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

} // namespace

ChromiumProfile::ChromiumProfile(
    ChromiumProcess *process, const PageScripts &scripts, QObject *parent)
    : EngineProfile(parent)
    , m_process(process)
    , m_pipe(process->pipe())
    , m_scripts(scripts)
    , m_cookies(new ChromiumCookies(m_pipe, this))
    , m_downloads(new ChromiumDownloads(
          m_pipe, process->profilePath() + QStringLiteral("/downloads"), this))
    , m_tabMute(new TabMute(m_pipe, process->profilePath() + QStringLiteral("/tabmute"), this))
{
    process->setParent(this);
    connect(m_cookies, &ChromiumCookies::sgAdded, this, &EngineProfile::sgCookieAdded);
    connect(m_cookies, &ChromiumCookies::sgRemoved, this, &EngineProfile::sgCookieRemoved);
    connect(m_pipe, &DevToolsPipe::sgEvent, this, &ChromiumProfile::onEvent);
    connect(process, &ChromiumProcess::sgEnded, this, &ChromiumProfile::onBrowserEnded);
    connect(process, &ChromiumProcess::sgStartedAgain, this, &ChromiumProfile::setUpBrowser);
    setUpBrowser();
}

// Windows open once the browser answers on its pipe: it holds its profile folder by then, which
// a second start needs to find to hand over to it.
void ChromiumProfile::setUpBrowser()
{
    PermissionPresets::refuseEverywhere(m_pipe);
    m_downloads->setUpBrowser();
    m_tabMute->install();
    QPointer<ChromiumProfile> self(this);
    m_pipe->send(QStringLiteral("Target.setAutoAttach"), ChromiumPage::autoAttachParams(),
        QString(), [self](const QJsonObject &) {
            if (!self)
                return;
            qCDebug(lcEngine) << "Chromium answers on its pipe";
            self->m_browserReady = true;
            for (const QString &mark : std::exchange(self->m_unopened, {})) {
                // A page closed while the browser started has no window to get.
                if (self->m_pages.value(mark))
                    self->m_process->openAppWindow(ChromiumPage::placeholderUrl(mark));
            }
        });
}

// Every page lives on in a window of the next browser.
void ChromiumProfile::onBrowserEnded()
{
    m_browserReady = false;
    m_downloads->onBrowserEnded();
    for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it) {
        if (!it.value())
            continue;
        if (!m_unopened.contains(it.key()))
            m_unopened.append(it.key());
        it.value()->onBrowserEnded();
    }
}

// The pages left go before the browser they live in.
ChromiumProfile::~ChromiumProfile()
{
    for (const QPointer<ChromiumPage> &page : std::as_const(m_pages))
        delete page.data();
}

EnginePage *ChromiumProfile::createPage(const PageOptions &options)
{
    const QString mark = newMark();
    auto *page = new ChromiumPage(m_pipe, m_scripts, mark, options);
    page->setTabMute(m_tabMute);
    connect(page, &ChromiumPage::sgNotificationShown, this, &EngineProfile::sgNotification);
    m_pages.insert(mark, page);
    if (m_browserReady)
        m_process->openAppWindow(ChromiumPage::placeholderUrl(mark));
    else
        m_unopened.append(mark);
    return page;
}

void ChromiumProfile::setCookie(const QNetworkCookie &cookie, const QUrl &origin)
{
    m_cookies->set(cookie, origin);
}

void ChromiumProfile::deleteCookie(const QNetworkCookie &cookie)
{
    m_cookies->remove(cookie);
}

void ChromiumProfile::deleteAllCookies()
{
    m_cookies->removeAll();
}

// Only a page's session clears the browser's cache: with no page there, the
// next page to come clears it before its first load.
void ChromiumProfile::clearHttpCache()
{
    m_cachePurgeOwed = true;
    for (const QPointer<ChromiumPage> &page : std::as_const(m_pages)) {
        if (page && !page->session().isEmpty()) {
            purgeCache(page->session());
            return;
        }
    }
}

void ChromiumProfile::purgeCache(const QString &sessionId)
{
    m_cachePurgeOwed = false;
    m_pipe->send(QStringLiteral("Network.clearBrowserCache"), {}, sessionId);
}

void ChromiumProfile::onEvent(
    const QString &method, const QJsonObject &params, const QString &sessionId)
{
    if (method == QLatin1String("Target.attachedToTarget")) {
        onAttached(params, sessionId);
        return;
    }
    ChromiumPage *page = pageOfSession(sessionId);
    m_cookies->onEvent(method, params);
    m_downloads->onEvent(method, params, page);
    // The browser tells a page's own end on its session; a frame's, on the page's.
    const QString detached = params.value(QStringLiteral("sessionId")).toString();
    if (page)
        page->onEvent(method, params, sessionId);
    else if (ChromiumPage *owner = pageOfSession(detached))
        owner->onDetached(detached);
}

// A page target is one of this profile's pages when its first address
// carries the page's mark; a frame of another process belongs to the page
// whose session found it. A page target with an opener is a popup its opener
// has told of: no window of the browser's own may stay, and it goes before it
// asks for anything. So does the window of a page that was closed before its
// window came. The browser has mapped its window by then, and unmaps it
// a tenth of a second later: no command keeps it from making one. Any other
// target runs on untouched.
void ChromiumProfile::onAttached(const QJsonObject &params, const QString &parentSessionId)
{
    const QString sessionId = params.value(QStringLiteral("sessionId")).toString();
    const QJsonObject target = params.value(QStringLiteral("targetInfo")).toObject();
    qCDebug(lcEngine).noquote() << "Chromium attached"
                                << target.value(QStringLiteral("type")).toString()
                                << target.value(QStringLiteral("url")).toString();
    const QString mark = ChromiumPage::markOf(target.value(QStringLiteral("url")).toString());
    ChromiumPage *page = pageOfSession(parentSessionId);
    if (!page)
        page = m_pages.value(mark);
    if (page && m_cachePurgeOwed)
        purgeCache(sessionId);
    if (page)
        page->onAttached(sessionId, target);
    else if (target.contains(QStringLiteral("openerId")) || m_pages.contains(mark)) {
        m_pipe->send(QStringLiteral("Target.closeTarget"),
            { { QStringLiteral("targetId"), target.value(QStringLiteral("targetId")) } });
        // Held for the pipe in its opener's render process, the popup would keep that process
        // waiting after both are gone, and the next page of the site the browser put there would
        // never run a script. Let go after the close, it loads nothing.
        m_pipe->send(QStringLiteral("Runtime.runIfWaitingForDebugger"), {}, sessionId);
    } else
        m_pipe->send(QStringLiteral("Runtime.runIfWaitingForDebugger"), {}, sessionId);
}

ChromiumPage *ChromiumProfile::pageOfSession(const QString &sessionId) const
{
    if (sessionId.isEmpty())
        return nullptr;
    for (const QPointer<ChromiumPage> &page : m_pages) {
        if (page && page->ownsSession(sessionId))
            return page;
    }
    return nullptr;
}
