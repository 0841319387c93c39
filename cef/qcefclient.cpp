#include "cef/qcefclient.h"

#include "app/dirhelper.h"
#include "app/logexcerpt.h"
#include "app/originpolicy.h"
#include "app/tspdlog.h"
#include "cef/bridgepush.h"
#include "cef/cefbrowser.h"
#include "cef/cefdownloaditem.h"
#include "engine/pagerequests.h"
#include "tools/downloadlanding.h"
#include "tools/downloadname.h"
#include "tools/tools.h"
#include "tools/urlrules.h"

#include <QFileInfo>
#include <QJsonObject>
#include <QNetworkCookie>

namespace {

const int firstHttpErrorStatus = 400;

} // namespace

int QCefClient::getWindowHandle() const
{
    return m_created ? static_cast<int>(m_browser->windowHandle()) : -1;
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

// As browsers do, another site's frame filling the screen is named to the player, with the way
// out; the portal's own pages are not.
void QCefClient::OnFullScreenModeChange(
    const CefRefPtr<CefBrowser> &browser, FullScreenRequest &request)
{
    if (request.isOn() && !OriginPolicy::configured().trusts(request.origin()))
        request.tellThePlayer();
    emit sgFullScreenModeChange(browser, request);
}

void QCefClient::OnAfterCreated(const CefRefPtr<CefBrowser> &browser)
{
    m_browser = browser;
    m_created = true;
}

void QCefClient::OnBeforeClose(const CefRefPtr<CefBrowser> &browser)
{
    emit sgCloseBrowser(browser);
}

void QCefClient::OnLoadStart(const CefRefPtr<CefBrowser> &browser, const QString &url)
{
    emit sgLoadStart(browser, url);
}

void QCefClient::OnLoadCommitted(const CefRefPtr<CefBrowser> &browser)
{
    emit sgLoadCommitted(browser);
}

void QCefClient::OnLoadEnd(const CefRefPtr<CefBrowser> &browser, int httpStatusCode)
{
    if (httpStatusCode >= firstHttpErrorStatus)
        emit sgLoadFailed(browser, httpStatusCode, QString(), browser->url());
    if (httpStatusCode != 200)
        return;
    m_loadSucceeded = true;
    emit sgLoadEnd(browser);
}

void QCefClient::OnLoadError(int errorCode, const QString &errorText, const QString &failedUrl)
{
    if (m_browser)
        emit sgLoadFailed(m_browser, errorCode, errorText, failedUrl);
    if (m_loadSucceeded)
        return;
    TSpdlog::instance()->netError(QStringLiteral("code:%1 message:%2 url:%3")
                                      .arg(QString::number(errorCode), errorText, failedUrl));
}

void QCefClient::OnCertificateError(const QString &host, const QString &description)
{
    TSpdlog::instance()->netError(
        QStringLiteral("certificate error on %1: %2").arg(host, description));
}

void QCefClient::OnRenderProcessTerminated(
    const CefRefPtr<CefBrowser> &browser, EnginePage::RendererEnd status, const QString &lastUrl)
{
    emit sgRenderProcessTerminated(browser, status, lastUrl);
}

void QCefClient::OnRenderProcessUnresponsive(const CefRefPtr<CefBrowser> &browser)
{
    emit sgRenderProcessUnresponsive(browser);
}

void QCefClient::OnShellLink(const CefRefPtr<CefBrowser> &browser, const QString &command)
{
    emit sgShellLink(browser, command);
}

void QCefClient::OnBeforeContextMenu(ContextMenuRequest &request)
{
    if (request.targets() & ContextMenuRequest::Page)
        request.suppress();
}

void QCefClient::OnGotFocus(const CefRefPtr<CefBrowser> &browser)
{
    emit sgRaiseFrontWindows(browser->identifier());
}

void QCefClient::OnProcessMessageReceived(const QString &message)
{
    emit sgWebMsgReceived(message);
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
        TSpdlog::instance()->otherError(
            QStringLiteral("download of %1 failed: %2")
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
