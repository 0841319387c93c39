#include "cef/cefbrowser.h"

#include "cef/qcefclient.h"
#include "engine/enginepage.h"
#include "engine/engineprofile.h"

#include <QTimer>
#include <QUrl>

namespace {

int lastIdentifier = 0;

} // namespace

void CefBrowser::createBrowser(EngineProfile *profile, const PageOptions &options,
    const CefRefPtr<QCefClient> &client, const QString &url)
{
    QTimer::singleShot(
        0, client.data(), [profile = QPointer<EngineProfile>(profile), options, client, url] {
            if (!profile)
                return;
            EnginePage *page = profile->createPage(options);
            const CefRefPtr<CefBrowser> browser(new CefBrowser(page));
            client->OnAfterCreated(browser, *page);
            browser->loadUrl(url);
        });
}

CefBrowser::CefBrowser(EnginePage *page)
    : m_identifier(++lastIdentifier)
    , m_page(page)
{
    page->setParent(this);
}

CefBrowser::~CefBrowser() = default;

QWindow *CefBrowser::window() const
{
    return m_page && !m_closed ? m_page->window() : nullptr;
}

QString CefBrowser::url() const
{
    return m_page ? m_page->url().toString(QUrl::FullyEncoded) : QString();
}

void CefBrowser::loadUrl(const QString &url)
{
    if (m_page)
        m_page->load(QUrl::fromUserInput(url));
}

void CefBrowser::loadHtml(const QString &html)
{
    if (m_page)
        m_page->loadHtml(html);
}

void CefBrowser::executeJavaScript(const QString &code)
{
    if (m_page)
        m_page->runJavaScript(code);
}

void CefBrowser::reloadIgnoreCache()
{
    if (m_page)
        m_page->reloadBypassingCache();
}

void CefBrowser::setAudioMuted(bool muted)
{
    m_audioMuted = muted;
    applyMute();
}

void CefBrowser::setSilenced(bool silenced)
{
    m_silenced = silenced;
    applyMute();
}

void CefBrowser::applyMute()
{
    if (m_page)
        m_page->setAudioMuted(m_audioMuted || m_silenced);
}

void CefBrowser::setVisibleToPlayer(bool visible)
{
    if (m_page)
        m_page->setVisibleToPlayer(visible);
    if (visible == m_visibleToPlayer)
        return;
    m_visibleToPlayer = visible;
    emit sgVisibleToPlayerChanged(visible);
}

bool CefBrowser::terminateRenderProcess()
{
    return m_page && m_page->endRenderer();
}

void CefBrowser::exitFullScreen()
{
    if (m_page)
        m_page->leaveFullScreen();
}

bool CefBrowser::holdsPointerLock() const
{
    return m_page && m_page->holdsPointerLock();
}

// Reported as the engine reports it: once, and on a later turn of the event loop.
void CefBrowser::closeBrowser()
{
    if (m_page)
        m_page->deleteLater();
    if (m_closed)
        return;
    m_closed = true;
    QTimer::singleShot(0, this, &CefBrowser::sgClosed);
}
