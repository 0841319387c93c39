#include "cef/cefbrowser.h"

#include "app/tspdlog.h"
#include "cef/cefdownloaditem.h"
#include "cef/hangquestion.h"
#include "cef/permissionanswers.h"
#include "cef/pointerlockanswer.h"
#include "cef/qcefclient.h"
#include "cef/qcefv8handler.h"
#include "cef/scriptdialogjudge.h"
#include "engine/bridgecall.h"
#include "engine/enginedownload.h"
#include "engine/engineprofile.h"
#include "engine/pagerequests.h"
#include "tools/downloadlanding.h"
#include "tools/urlrules.h"

#include <QTimer>

namespace {

// Reserved, so it never names a server: its links never leave the shell.
const char shellLinkHost[] = "lumen-shell.invalid";

int lastIdentifier = 0;

} // namespace

void CefBrowser::createBrowser(EngineProfile *profile, const PageOptions &options,
    const CefRefPtr<QCefClient> &client, const QString &url)
{
    QTimer::singleShot(
        0, client.data(), [profile = QPointer<EngineProfile>(profile), options, client, url] {
            if (!profile)
                return;
            CefRefPtr<CefBrowser> browser(
                new CefBrowser(profile->createPage(options), client.data()));
            client->OnAfterCreated(browser);
            browser->loadUrl(url);
        });
}

CefBrowser::CefBrowser(EnginePage *page, QCefClient *client)
    : m_identifier(++lastIdentifier)
    , m_client(client)
    , m_page(page)
    , m_bridge(new QCefV8Handler(this))
{
    page->setParent(this);
    connectPage();
}

CefBrowser::~CefBrowser() = default;

void CefBrowser::connectPage()
{
    EnginePage *page = m_page.data();
    connect(page, &EnginePage::sgLoadStarted, this, &CefBrowser::onLoadStarted);
    connect(page, &EnginePage::sgLoadCommitted, this, [this] {
        if (m_client)
            m_client->OnLoadCommitted(sharedFromThis());
    });
    connect(page, &EnginePage::sgLoadFinished, this, &CefBrowser::onLoadFinished);
    connect(page, &EnginePage::sgLoadFailed, this, &CefBrowser::onLoadFailed);
    connect(page, &EnginePage::sgCertificateError, this,
        [this](const QUrl &url, const QString &description) {
            if (m_client)
                m_client->OnCertificateError(url.host(), description);
        });
    connect(page, &EnginePage::sgRendererEnded, this, &CefBrowser::onRendererEnded);
    connect(new HangQuestion(page), &HangQuestion::sgReloadChosen, this, [this] {
        if (m_client)
            m_client->OnRenderProcessUnresponsive(sharedFromThis());
    });
    // What the shell decides of a page's requests, each decider a child of the page.
    new PermissionAnswers(page);
    new PointerLockAnswer(page);
    new ScriptDialogJudge(page);
    connect(page, &EnginePage::sgPopupRequested, this, &CefBrowser::onPopupRequested);
    connect(page, &EnginePage::sgContextMenuRequested, this, &CefBrowser::onContextMenuRequested);
    connect(page, &EnginePage::sgNavigationRequested, this, &CefBrowser::onNavigationRequested);
    connect(page, &EnginePage::sgCloseRequested, this, &CefBrowser::closeBrowser);
    connect(page, &EnginePage::sgWindowClosed, this, &CefBrowser::closeBrowser);
    connect(page, &EnginePage::sgDownloadRequested, this, &CefBrowser::startDownload);
    connect(page, &EnginePage::sgFullScreenRequested, this, [this](FullScreenRequest &request) {
        if (m_client)
            m_client->OnFullScreenModeChange(sharedFromThis(), request);
    });
    connect(page, &EnginePage::sgFocused, this, [this] {
        if (m_client)
            m_client->OnGotFocus(sharedFromThis());
    });
    connect(page, &EnginePage::sgBridgeCall, m_bridge, &QCefV8Handler::callQML);
    connect(m_bridge, &QCefV8Handler::sgProcessMessage, this, [this](const QString &message) {
        if (m_client)
            m_client->OnProcessMessageReceived(message);
    });
}

WId CefBrowser::windowHandle() const
{
    return m_page && !m_closed ? m_page->window()->winId() : 0;
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
    if (m_page)
        m_page->setAudioMuted(muted);
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

void CefBrowser::closeBrowser()
{
    if (m_page)
        m_page->deleteLater();
    reportClosed();
}

// Once, and on a later turn of the event loop, as the engine reports it.
void CefBrowser::reportClosed()
{
    if (m_closed)
        return;
    m_closed = true;
    QTimer::singleShot(0, this, [this] {
        if (m_client)
            m_client->OnBeforeClose(sharedFromThis());
    });
}

void CefBrowser::onLoadStarted(const QUrl &url)
{
    if (m_client)
        m_client->OnLoadStart(sharedFromThis(), url.toString(QUrl::FullyEncoded));
}

void CefBrowser::onLoadFinished(const QUrl &, int httpStatus)
{
    if (m_client)
        m_client->OnLoadEnd(sharedFromThis(), httpStatus);
}

void CefBrowser::onLoadFailed(const QUrl &url, int networkError, const QString &errorText)
{
    if (m_client)
        m_client->OnLoadError(networkError, errorText, url.toString(QUrl::FullyEncoded));
}

void CefBrowser::onRendererEnded(EnginePage::RendererEnd end)
{
    if (end == EnginePage::RendererEnd::Normal || !m_client)
        return;
    m_client->OnRenderProcessTerminated(sharedFromThis(), end, url());
}

void CefBrowser::onPopupRequested(const PopupRequest &request)
{
    if (m_client)
        m_client->OnBeforePopup(request);
}

void CefBrowser::onContextMenuRequested(ContextMenuRequest &request)
{
    if (m_client)
        m_client->OnBeforeContextMenu(request);
}

void CefBrowser::onNavigationRequested(NavigationRequest &request)
{
    if (!UrlRules::staysInEngine(request.url())) {
        refuseNavigation(request);
        return;
    }
    if (request.url().host() != QLatin1String(shellLinkHost))
        return;
    request.reject();
    if (m_client)
        m_client->OnShellLink(sharedFromThis(), request.url().path().mid(1));
}

void CefBrowser::refuseNavigation(NavigationRequest &request)
{
    request.reject();
    const QString scheme = request.url().scheme().left(32);
    if (m_refusedSchemes.contains(scheme))
        return;
    m_refusedSchemes.insert(scheme);
    TSpdlog::instance()->otherWarn(QStringLiteral("navigation to a %1 address refused in window %2")
                                       .arg(scheme)
                                       .arg(m_identifier));
}

void CefBrowser::startDownload(EngineDownload *download)
{
    if (!m_client || !m_client->OnDownloadFrom(m_page->url(), download->url())) {
        download->cancel();
        return;
    }
    const QString target = m_client->OnBeforeDownload(download->suggestedFileName());
    m_downloadTargets.insert(download, target);
    download->accept(DownloadLanding::temporaryPath(target));
    // The engine may end a download before its last bytes are counted: the
    // end is reported once, with everything current.
    connect(download, &EngineDownload::sgReceived, this, [this, download] {
        if (download->state() == EngineDownload::State::InProgress)
            reportDownload(*download);
    });
    connect(download, &EngineDownload::sgFinished, this,
        [this, download] { reportDownload(*download); });
}

// Nobody resumes an interrupted download here: its partial file goes at once.
void CefBrowser::reportDownload(EngineDownload &download)
{
    if (!m_downloadTargets.contains(&download))
        return;
    const QString target = m_downloadTargets.value(&download);
    const EngineDownload::State state = download.state();
    const bool complete = state == EngineDownload::State::Completed;
    QString failure;
    if (state != EngineDownload::State::InProgress) {
        m_downloadTargets.remove(&download);
        failure = landingFailure(download, target);
    }
    if (m_client)
        m_client->OnDownloadUpdated(sharedFromThis(),
            CefDownloadItem(target, download.receivedBytes(), download.totalBytes(),
                complete && failure.isEmpty(), failure));
}

// Empty once the complete file has its name; else why not, its temporary file gone.
QString CefBrowser::landingFailure(const EngineDownload &download, const QString &target)
{
    const QString temporary = DownloadLanding::temporaryPath(target);
    if (download.state() == EngineDownload::State::Completed
        && DownloadLanding::land(temporary, target))
        return QString();
    DownloadLanding::discard(temporary);
    if (download.state() == EngineDownload::State::Completed)
        return QStringLiteral("the complete file could not take its name");
    const QString reason = download.interruptReason();
    return reason.isEmpty() ? QStringLiteral("cancelled") : reason;
}
