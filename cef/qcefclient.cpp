#include "cef/qcefclient.h"

#include "app/dirhelper.h"
#include "app/logexcerpt.h"
#include "app/originpolicy.h"
#include "app/tspdlog.h"
#include "cef/bridgepush.h"
#include "cef/cefbrowser.h"
#include "cef/cefdownloaditem.h"
#include "cef/downloadfollower.h"
#include "cef/hangquestion.h"
#include "cef/permissionanswers.h"
#include "cef/pointerlockanswer.h"
#include "cef/qcefv8handler.h"
#include "cef/screenwakelocks.h"
#include "cef/scriptdialogjudge.h"
#include "engine/enginedownload.h"
#include "engine/pagerequests.h"
#include "tools/downloadlanding.h"
#include "tools/downloadname.h"
#include "tools/urlrules.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QNetworkCookie>

namespace {

const int firstHttpErrorStatus = 400;
// Reserved, so it never names a server: its links never leave the shell.
const char shellLinkHost[] = "lumen-shell.invalid";

} // namespace

void QCefClient::OnAfterCreated(const CefRefPtr<CefBrowser> &browser, EnginePage &page)
{
    m_browser = browser;
    m_bridge = new QCefV8Handler(this);
    m_downloads = new DownloadFollower(this);
    connect(browser.data(), &CefBrowser::sgClosed, this, &QCefClient::OnBeforeClose);
    listenToLoads(page);
    listenToRequests(page);
    connect(&page, &EnginePage::sgFocused, this,
        [this] { emit sgRaiseFrontWindows(m_browser->identifier()); });
    connect(&page, &EnginePage::sgBridgeCall, m_bridge, &QCefV8Handler::callQML);
    connect(m_bridge, &QCefV8Handler::sgProcessMessage, this, &QCefClient::sgWebMsgReceived);
    connect(m_downloads, &DownloadFollower::sgUpdated, this,
        [this](const CefDownloadItem &item) { OnDownloadUpdated(m_browser, item); });
}

void QCefClient::listenToLoads(EnginePage &page)
{
    connect(&page, &EnginePage::sgLoadStarted, this, &QCefClient::OnLoadStart);
    connect(&page, &EnginePage::sgLoadCommitted, this, [this] { emit sgLoadCommitted(m_browser); });
    connect(&page, &EnginePage::sgLoadFinished, this, &QCefClient::OnLoadEnd);
    connect(&page, &EnginePage::sgLoadFailed, this, &QCefClient::OnLoadError);
    connect(&page, &EnginePage::sgCertificateError, this, &QCefClient::OnCertificateError);
    connect(&page, &EnginePage::sgRendererEnded, this, &QCefClient::OnRenderProcessTerminated);
    connect(new HangQuestion(&page), &HangQuestion::sgReloadChosen, this,
        [this] { emit sgRenderProcessUnresponsive(m_browser); });
}

void QCefClient::listenToRequests(EnginePage &page)
{
    connect(&page, &EnginePage::sgPopupRequested, this, &QCefClient::OnBeforePopup);
    connect(&page, &EnginePage::sgContextMenuRequested, this, &QCefClient::OnBeforeContextMenu);
    connect(&page, &EnginePage::sgNavigationRequested, this, &QCefClient::OnBeforeBrowse);
    connect(&page, &EnginePage::sgFullScreenRequested, this, &QCefClient::OnFullScreenModeChange);
    connect(&page, &EnginePage::sgDownloadRequested, this, &QCefClient::OnDownloadRequested);
    connect(&page, &EnginePage::sgCloseRequested, m_browser.data(), &CefBrowser::closeBrowser);
    connect(&page, &EnginePage::sgWindowClosed, m_browser.data(), &CefBrowser::closeBrowser);
    // What the shell decides of a page's requests, each decider a child of the page.
    new PermissionAnswers(&page);
    new PointerLockAnswer(&page);
    new ScriptDialogJudge(&page);
    ScreenWakeLocks::instance()->watch(*m_browser, page);
}

// The address goes in as a JSON string: the hook window's page must get an
// object whatever characters the address holds. Only addresses a window may
// load are passed on: the hook page would open them.
void QCefClient::OnBeforePopup(const PopupRequest &request)
{
    if (!UrlRules::mayNavigate(request.url)) {
        TSpdlog::instance()->otherWarn(
            QStringLiteral("popup to a %1 address refused").arg(request.url.scheme().left(32)));
        return;
    }
    const QString targetUrl = request.url.toString(QUrl::FullyEncoded);
    const QString refusal = popupRefusal(request, OriginPolicy::configured());
    if (!refusal.isEmpty()) {
        TSpdlog::instance()->otherWarn(
            QStringLiteral("popup to %1 refused: %2").arg(LogExcerpt::of(targetUrl), refusal));
        return;
    }
    emit sgHookPopup(BridgePush::script({ { QStringLiteral("HookPopup"), targetUrl } }), targetUrl);
}

// Browsers open no popup the player did not ask for; an ad's frame the
// player clicked gets none hooked either, and the page that holds it is named.
// The popup is the document's the player acted in last: a click elsewhere a
// moment before neither opens nor blocks it.
QString QCefClient::popupRefusal(const PopupRequest &request, const OriginPolicy &policy)
{
    if (!request.userGesture)
        return QStringLiteral("no click or key of the player");
    const PlayerGesture &gesture = request.gesture;
    if (gesture.actingOrigin.isEmpty())
        return QStringLiteral("asked for by an unknown document in %1").arg(gesture.pageOrigin);
    for (const QString &origin : { gesture.actingOrigin, gesture.pageOrigin }) {
        if (!policy.trusts(QUrl(origin)))
            return QStringLiteral("asked for by %1 in %2")
                .arg(gesture.actingOrigin, gesture.pageOrigin);
    }
    return QString();
}

// The portal's own pages fill the screen unnamed; the way out is told with the name.
void QCefClient::OnFullScreenModeChange(FullScreenRequest &request)
{
    if (request.isOn() && !OriginPolicy::configured().trusts(request.origin()))
        request.tellThePlayer();
    emit sgFullScreenModeChange(m_browser, request);
}

void QCefClient::OnBeforeClose()
{
    emit sgCloseBrowser(m_browser);
}

void QCefClient::OnLoadStart(const QUrl &url)
{
    emit sgLoadStart(m_browser, url.toString(QUrl::FullyEncoded));
}

void QCefClient::OnLoadEnd(const QUrl &, int httpStatusCode)
{
    if (httpStatusCode >= firstHttpErrorStatus)
        emit sgLoadFailed(m_browser, httpStatusCode, QString(), m_browser->url());
    if (httpStatusCode != 200)
        return;
    m_loadSucceeded = true;
    emit sgLoadEnd(m_browser);
}

void QCefClient::OnLoadError(const QUrl &url, int errorCode, const QString &errorText)
{
    const QString failedUrl = url.toString(QUrl::FullyEncoded);
    emit sgLoadFailed(m_browser, errorCode, errorText, failedUrl);
    if (m_loadSucceeded)
        return;
    TSpdlog::instance()->netError(QStringLiteral("code:%1 message:%2 url:%3")
            .arg(QString::number(errorCode), errorText, failedUrl));
}

void QCefClient::OnCertificateError(const QUrl &url, const QString &description)
{
    TSpdlog::instance()->netError(
        QStringLiteral("certificate error on %1: %2").arg(url.host(), description));
}

void QCefClient::OnRenderProcessTerminated(EnginePage::RendererEnd status)
{
    if (status != EnginePage::RendererEnd::Normal)
        emit sgRenderProcessTerminated(m_browser, status, m_browser->url());
}

void QCefClient::OnBeforeContextMenu(ContextMenuRequest &request)
{
    if (request.targets() & ContextMenuRequest::Page)
        request.suppress();
}

void QCefClient::OnBeforeBrowse(NavigationRequest &request)
{
    if (!UrlRules::staysInEngine(request.url())) {
        refuseNavigation(request);
        return;
    }
    if (request.url().host() != QLatin1String(shellLinkHost))
        return;
    request.reject();
    emit sgShellLink(m_browser, request.url().path().mid(1));
}

void QCefClient::refuseNavigation(NavigationRequest &request)
{
    request.reject();
    const QString scheme = request.url().scheme().left(32);
    if (m_refusedSchemes.contains(scheme))
        return;
    m_refusedSchemes.insert(scheme);
    TSpdlog::instance()->otherWarn(QStringLiteral("navigation to a %1 address refused in window %2")
            .arg(scheme)
            .arg(m_browser->identifier()));
}

// A data: address says nothing of the document that made it: it counts as no one's.
bool QCefClient::OnDownloadFrom(const QUrl &pageUrl, const QUrl &downloadUrl)
{
    const QUrl source
        = downloadUrl.scheme() == QLatin1String("blob") ? QUrl(downloadUrl.path()) : downloadUrl;
    const OriginPolicy policy = OriginPolicy::configured();
    for (const QUrl &url : { pageUrl, source }) {
        if (!policy.trusts(url)) {
            TSpdlog::instance()->otherWarn(
                QStringLiteral("download refused from %1").arg(OriginPolicy::originOf(url)));
            return false;
        }
    }
    return true;
}

void QCefClient::OnDownloadRequested(EngineDownload *download)
{
    if (!OnDownloadFrom(QUrl(m_browser->url()), download->url())) {
        download->cancel();
        return;
    }
    m_downloads->follow(download, OnBeforeDownload(download->suggestedFileName()));
}

QString QCefClient::OnBeforeDownload(const QString &suggestedName)
{
    return DownloadLanding::freePath(
        DirHelper::instance()->downloadPath(), DownloadName::visible(suggestedName));
}

// While the size is unknown no percentage exists: only the completion is told.
void QCefClient::OnDownloadUpdated(
    const CefRefPtr<CefBrowser> &browser, const CefDownloadItem &item)
{
    const QString baseName = QFileInfo(item.fullPath()).baseName();
    if (!item.failure().isEmpty()) {
        TSpdlog::instance()->otherError(QStringLiteral("download of %1 failed: %2")
                .arg(QFileInfo(item.fullPath()).fileName(), item.failure()));
        emit sgDownload(browser, -1, QStringLiteral("Failed"), baseName);
        return;
    }
    if (item.totalBytes() > 0) {
        const int progress = static_cast<int>(item.receivedBytes() * 100 / item.totalBytes());
        if (progress != m_lastProgress) {
            m_lastProgress = progress;
            emit sgDownload(browser, progress, QStringLiteral("Downloading"), baseName);
        }
    }
    if (item.isComplete())
        emit sgDownload(browser, -1, QStringLiteral("Succeed"), baseName);
}

bool QCefClient::Visit(const QNetworkCookie &cookie, int, int, bool &)
{
    emit sgSendCookie(QString::fromUtf8(cookie.name()), QString::fromUtf8(cookie.value()));
    emit sgCollectCookie(cookie);
    return true;
}
