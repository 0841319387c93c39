#include "fakeengine.h"

#include "app/originpolicy.h"
#include "engine/bridgecall.h"
#include "engine/pagerequests.h"
#include "engine/wakelockrequest.h"
#include "fakedownload.h"

#include <QPlatformSurfaceEvent>
#include <QTimer>

#include <algorithm>

FakePage::FakePage(const PageOptions &options)
    : m_window(std::make_unique<QWindow>())
{
    m_window->setFlags(Qt::Window | Qt::FramelessWindowHint);
    m_window->setTitle(options.windowTitle);
    m_window->resize(
        options.width > 0 ? options.width : 800, options.height > 0 ? options.height : 600);
    m_window->create();
    m_window->installEventFilter(this);
    if (options.visible)
        m_window->show();
}

FakePage::~FakePage()
{
    m_window->removeEventFilter(this);
}

void FakePage::load(const QUrl &url)
{
    m_url = url;
    m_html.clear();
    m_loads.append(url);
    emit sgLoadStarted(url);
    if (m_serving)
        QTimer::singleShot(0, this, [this, url] {
            if (m_url == url)
                finishLoad();
        });
}

void FakePage::loadHtml(const QString &html)
{
    m_url = QUrl(QStringLiteral("data:text/html,shell"));
    m_html = html;
}

// Reported on a later turn of the event loop, as the engine reports it.
bool FakePage::endRenderer()
{
    ++m_endedRenderers;
    QTimer::singleShot(0, this, [this] { endRenderer(RendererEnd::Killed); });
    return true;
}

void FakePage::answerHangQuestion(HangChoice choice)
{
    m_askingAboutHang = false;
    emit sgHangAnswered(choice);
}

void FakePage::finishLoad(int httpStatus)
{
    ++m_finishedLoads;
    emit sgLoadFinished(m_url, httpStatus);
}

void FakePage::failLoad(int networkError, const QString &errorText)
{
    emit sgLoadFailed(m_url, networkError, errorText);
}

void FakePage::callBridge(const QString &name, const QString &id, const QString &request)
{
    // The main frame's own call: the engine reports its document's origin on both.
    callBridgeFrom(OriginPolicy::originOf(m_url), name, id, request);
}

bool FakePage::navigate(const QUrl &url, bool mainFrame)
{
    NavigationRequest request(url, mainFrame);
    emit sgNavigationRequested(request);
    return !request.isRejected();
}

PermissionRequest FakePage::requestPermission(
    const QUrl &origin, const QVector<PermissionRequest::Feature> &features, const QString &name)
{
    PermissionRequest request(origin, features, name);
    emit sgPermissionRequested(request);
    return request;
}

PermissionsAhead FakePage::askPermissionsAhead(const QUrl &url)
{
    PermissionsAhead request(url);
    emit sgPermissionsAheadNeeded(request);
    return request;
}

PointerLockRequest FakePage::requestPointerLock(const QUrl &origin, const PlayerGesture &gesture)
{
    PointerLockRequest request(origin, gesture);
    emit sgPointerLockRequested(request);
    return request;
}

ScriptDialogRequest FakePage::askScriptDialog(const QUrl &askingOrigin, bool canWait)
{
    ScriptDialogRequest request(
        ScriptDialogRequest::Kind::Alert, QStringLiteral("hello"), askingOrigin, m_url, canWait);
    emit sgScriptDialogRequested(request);
    return request;
}

void FakePage::requestPopup(const QUrl &url, bool userGesture, const QString &actingOrigin)
{
    const QString pageOrigin = OriginPolicy::originOf(m_url);
    emit sgPopupRequested(
        { url, userGesture, { actingOrigin.isEmpty() ? pageOrigin : actingOrigin, pageOrigin } });
}

FullScreenRequest FakePage::requestFullScreen(bool on, const QUrl &origin)
{
    FullScreenRequest request(on, origin.isEmpty() ? QUrl(OriginPolicy::originOf(m_url)) : origin);
    emit sgFullScreenRequested(request);
    return request;
}

bool FakePage::openContextMenu(int targets)
{
    ContextMenuRequest request(targets);
    emit sgContextMenuRequested(request);
    return !request.isSuppressed();
}

void FakePage::callBridgeFrom(
    const QString &origin, const QString &name, const QString &id, const QString &request)
{
    emit sgBridgeCall({ name, id, request, origin, OriginPolicy::originOf(m_url) });
}

// An answer left open is a refusal, as the engine takes it.
FakeDownload *FakePage::startDownload(
    const QUrl &url, const QString &suggestedFileName, qint64 totalBytes)
{
    auto *download = new FakeDownload(url, suggestedFileName, totalBytes, this);
    emit sgDownloadRequested(download);
    if (download->state() == EngineDownload::State::Requested)
        download->cancel();
    return download;
}

bool FakePage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::PlatformSurface
        && static_cast<QPlatformSurfaceEvent *>(event)->surfaceEventType()
            == QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed) {
        emit sgWindowClosed();
    }
    return EnginePage::eventFilter(watched, event);
}

FakeProfile::~FakeProfile()
{
    for (const QPointer<FakePage> &page : std::as_const(m_pages))
        delete page.data();
}

EnginePage *FakeProfile::createPage(const PageOptions &options)
{
    auto *page = new FakePage(options);
    page->setServing(m_serving);
    m_pages.append(page);
    return page;
}

void FakeProfile::setCookie(const QNetworkCookie &cookie, const QUrl &origin)
{
    m_cookiesSet.append({ cookie, origin });
    addCookie(cookie);
}

void FakeProfile::deleteCookie(const QNetworkCookie &cookie)
{
    m_cookiesDeleted.append(cookie);
    removeCookie(cookie);
}

QList<FakePage *> FakeProfile::pages() const
{
    QList<FakePage *> pages;
    for (const QPointer<FakePage> &page : m_pages) {
        if (page)
            pages.append(page);
    }
    return pages;
}

FakePage *FakeProfile::pageIn(const QWindow *window) const
{
    const QList<FakePage *> all = pages();
    const auto in = std::find_if(all.cbegin(), all.cend(),
        [window](FakePage *page) { return window && page->window()->parent() == window; });
    return in == all.cend() ? nullptr : *in;
}

bool FakeEngine::start(const EngineSettings &settings)
{
    m_settings = settings;
    m_profile = std::make_unique<FakeProfile>();
    return true;
}

bool FakePage::requestWakeLock(const QUrl &origin, const QString &lock)
{
    WakeLockRequest request(lock, origin);
    emit sgWakeLockRequested(request);
    return request.isGranted();
}
