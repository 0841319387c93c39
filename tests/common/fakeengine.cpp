#include "fakeengine.h"

#include "app/originpolicy.h"
#include "engine/bridgecall.h"
#include "engine/pagerequests.h"

#include <QPlatformSurfaceEvent>
#include <QTimer>

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

void FakePage::failLoad(int networkError, const QString &errorText)
{
    emit sgLoadFailed(m_url, networkError, errorText);
}

void FakePage::callBridge(const QString &name, const QString &id, const QString &request)
{
    // The main frame's own call: the engine reports its document's origin on both.
    const QString origin = OriginPolicy::originOf(m_url);
    emit sgBridgeCall({ name, id, request, origin, origin });
}

bool FakePage::navigate(const QUrl &url)
{
    NavigationRequest request(url, true);
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
    m_pages.append(page);
    return page;
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

bool FakeEngine::start(const EngineSettings &settings)
{
    m_settings = settings;
    m_profile = std::make_unique<FakeProfile>();
    return true;
}
