#include "engine/qtwebengine/qtenginepage.h"

#include "app/originpolicy.h"
#include "cef/permissionpolicy.h"
#include "cef/playergesture.h"
#include "engine/bridgecall.h"
#include "engine/engineprofile.h"
#include "engine/pagerequests.h"
#include "engine/qtwebengine/bridgeendpoint.h"
#include "engine/qtwebengine/clipboardgate.h"
#include "engine/qtwebengine/fullscreenanswer.h"
#include "engine/qtwebengine/hangquestionview.h"
#include "engine/qtwebengine/pagenotice.h"
#include "engine/qtwebengine/pagescriptdialogs.h"
#include "engine/qtwebengine/shellwebpage.h"
#include "tools/processes.h"

#include <QApplication>
#include <QMenu>
#include <QMetaEnum>
#include <QPlatformSurfaceEvent>
#include <QTimer>
#include <QWebChannel>
#include <QWebEngineCertificateError>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNavigationRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWindow>

#include <algorithm>

namespace {

// A side the caller leaves open.
const int defaultWidth = 800;
const int defaultHeight = 600;

int contextMenuTargets(const QWebEngineContextMenuRequest &request)
{
    int targets = ContextMenuRequest::Page;
    if (!request.linkUrl().isEmpty())
        targets |= ContextMenuRequest::Link;
    if (request.mediaType() != QWebEngineContextMenuRequest::MediaTypeNone)
        targets |= ContextMenuRequest::Media;
    if (!request.selectedText().isEmpty())
        targets |= ContextMenuRequest::Selection;
    if (request.isContentEditable())
        targets |= ContextMenuRequest::Editable;
    return targets;
}

EnginePage::RendererEnd rendererEnd(QWebEnginePage::RenderProcessTerminationStatus status)
{
    switch (status) {
    case QWebEnginePage::NormalTerminationStatus:
        return EnginePage::RendererEnd::Normal;
    case QWebEnginePage::AbnormalTerminationStatus:
        return EnginePage::RendererEnd::Abnormal;
    case QWebEnginePage::CrashedTerminationStatus:
        return EnginePage::RendererEnd::Crashed;
    case QWebEnginePage::KilledTerminationStatus:
        break;
    }
    return EnginePage::RendererEnd::Killed;
}

// What the policy must grant for the engine's feature; nothing it knows of:
// refused.
QVector<PermissionPolicy::Feature> policyFeatures(QWebEnginePage::Feature feature)
{
    switch (feature) {
    case QWebEnginePage::Notifications:
        return { PermissionPolicy::Feature::Notifications };
    case QWebEnginePage::MediaAudioCapture:
        return { PermissionPolicy::Feature::Microphone };
    case QWebEnginePage::MediaVideoCapture:
        return { PermissionPolicy::Feature::Camera };
    case QWebEnginePage::MediaAudioVideoCapture:
        return { PermissionPolicy::Feature::Microphone, PermissionPolicy::Feature::Camera };
    default:
        break;
    }
    return { PermissionPolicy::Feature::Other };
}

QWebEnginePage::PermissionPolicy permissionAnswer(bool granted)
{
    return granted ? QWebEnginePage::PermissionGrantedByUser
                   : QWebEnginePage::PermissionDeniedByUser;
}

} // namespace

QtEnginePage::QtEnginePage(
    QWebEngineProfile *profile, ScriptDialogScheme *dialogScheme, const PageOptions &options)
    : m_view(std::make_unique<QWebEngineView>())
    , m_dialogScheme(dialogScheme)
    , m_page(new ShellWebPage(profile, options.scriptDialogs, dialogScheme, this))
    , m_pluginsAllowed(options.pluginsAllowed)
    , m_scriptDialogs(options.scriptDialogs)
    , m_notice(new PageNotice(m_view.get()))
    , m_clipboard(new ClipboardGate(this))
{
    setUpPage();

    m_view->setPage(m_page);
    m_view->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    m_view->setWindowTitle(options.windowTitle);
    m_view->resize(options.width > 0 ? options.width : defaultWidth,
        options.height > 0 ? options.height : defaultHeight);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view.get(), &QWidget::customContextMenuRequested, this,
        &QtEnginePage::onContextMenuRequested);
    // The page's first load gives the view a child that renders through the
    // GPU, and a native window made before would be replaced by another one.
    // Running a script sets the page up without loading anything.
    m_page->runJavaScript(QString());
    m_view->winId();
    QWindow *window = m_view->windowHandle();
    window->installEventFilter(this);
    connect(window, &QWindow::activeChanged, this, &QtEnginePage::onActiveChanged);
    if (options.visible)
        m_view->show();
}

QtEnginePage::~QtEnginePage()
{
    m_view->windowHandle()->removeEventFilter(this);
}

void QtEnginePage::setUpPage()
{
    m_channel = new QWebChannel(m_page);
    m_channel->registerObject(BridgeEndpoint::channelObjectName(),
        new BridgeEndpoint([this](const BridgeCall &call) { emit sgBridgeCall(call); },
            [this](const QString &origin) { onPointerLockKept(origin); }, m_channel));
    m_page->setWebChannel(m_channel, QWebEngineScript::ApplicationWorld);
    m_page->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, m_pluginsAllowed);
    // Without it the engine refuses every element's request at once.
    m_page->settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);
    m_clipboard->setPage(m_page);

    connect(m_page, &QWebEnginePage::loadingChanged, this, &QtEnginePage::onLoadingChanged);
    connect(m_page, &QWebEnginePage::loadStarted, this, [this] { m_heldNavigation = nullptr; });
    connect(&m_page->scriptDialogs(), &PageScriptDialogs::sgLeaveChosen, this,
        &QtEnginePage::onLeaveChosen);
    connect(m_page, &QWebEnginePage::urlChanged, this, &QtEnginePage::onDocumentMayHaveChanged);
    connect(m_page, &QWebEnginePage::titleChanged, this, &QtEnginePage::onDocumentMayHaveChanged);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
        &QtEnginePage::onRenderProcessTerminated);
    connect(m_page, &QWebEnginePage::newWindowRequested, this, &QtEnginePage::onNewWindowRequested);
    connect(
        m_page, &QWebEnginePage::navigationRequested, this, &QtEnginePage::onNavigationRequested);
    connect(m_page, &QWebEnginePage::certificateError, this, &QtEnginePage::onCertificateError);
    connect(m_page, &QWebEnginePage::featurePermissionRequested, this,
        &QtEnginePage::onFeaturePermissionRequested);
    connect(m_page, &QWebEnginePage::windowCloseRequested, this, &EnginePage::sgCloseRequested);
    connect(
        m_page, &QWebEnginePage::fullScreenRequested, this, &QtEnginePage::onFullScreenRequested);
}

void QtEnginePage::replacePage()
{
    QWebEnginePage *ended = m_page;
    m_page = new ShellWebPage(ended->profile(), m_scriptDialogs, m_dialogScheme, this);
    setUpPage();
    m_view->setPage(m_page);
    ended->deleteLater();
}

QWindow *QtEnginePage::window() const
{
    return m_view->windowHandle();
}

QWebEnginePage *QtEnginePage::webPage() const
{
    return m_page;
}

QUrl QtEnginePage::url() const
{
    return m_page->url();
}

void QtEnginePage::load(const QUrl &url)
{
    navigate([this, url] { m_page->load(url); });
}

void QtEnginePage::loadHtml(const QString &html)
{
    m_page->setHtml(html);
}

void QtEnginePage::runJavaScript(const QString &code)
{
    m_page->runJavaScript(code);
}

void QtEnginePage::reloadBypassingCache()
{
    navigate([this] { m_page->triggerAction(QWebEnginePage::ReloadAndBypassCache); });
}

void QtEnginePage::setAudioMuted(bool muted)
{
    m_page->setAudioMuted(muted);
}

// An empty script in the shell's own world: the page can neither answer for
// its renderer nor hold the answer back, short of keeping its renderer busy.
void QtEnginePage::ping()
{
    m_page->runJavaScript(QString(), QWebEngineScript::ApplicationWorld,
        [alive = QPointer<QtEnginePage>(this)](const QVariant &) {
            if (alive)
                emit alive->sgPingAnswered();
        });
}

void QtEnginePage::navigate(const std::function<void()> &navigation)
{
    m_heldNavigation = navigation;
    navigation();
}

bool QtEnginePage::isWaitingForPlayer() const
{
    return m_page->scriptDialogs().isWaitingForPlayer();
}

// The page's own navigations are the page's to try again; the shell's it tries again itself.
void QtEnginePage::onLeaveChosen()
{
    if (const std::function<void()> navigation = m_heldNavigation)
        navigation();
}

// The engine has no call that ends a page's renderer; the system does it, and
// the engine reports the end as a kill.
bool QtEnginePage::endRenderer()
{
    return Processes::terminate(m_page->renderProcessPid());
}

void QtEnginePage::askAboutHang()
{
    if (m_hangQuestion)
        return;
    m_hangQuestion = new HangQuestionView(m_view.get());
    connect(
        m_hangQuestion, &HangQuestionView::sgAnswered, this, [this](EnginePage::HangChoice choice) {
            dropHangQuestion();
            emit sgHangAnswered(choice);
        });
    m_hangQuestion->show();
    m_hangQuestion->raise();
    m_hangQuestion->setFocus();
}

void QtEnginePage::dropHangQuestion()
{
    // Not from within its own report of the player's choice.
    if (m_hangQuestion) {
        m_hangQuestion->hide();
        m_hangQuestion->deleteLater();
    }
    m_hangQuestion = nullptr;
}

void QtEnginePage::leaveFullScreen()
{
    m_page->triggerAction(QWebEnginePage::ExitFullScreen);
}

// The engine hides the cursor for the whole program while one of its pages holds the pointer,
// and shows it again when the lock ends, by Escape, the window losing the focus or the page.
bool QtEnginePage::holdsPointerLock() const
{
    const QCursor *cursor = QGuiApplication::overrideCursor();
    return m_pointerLockGranted && cursor && cursor->shape() == Qt::BlankCursor;
}

void QtEnginePage::onLoadingChanged(const QWebEngineLoadingInfo &loading)
{
    // The shell's own pages are made from text (data: addresses, which the
    // engine reports as loaded with status 200): they are no page loads.
    const QUrl &url = loading.url();
    if (url.scheme() == QLatin1String("data"))
        return;
    // The engine reports an HTTP error page as a failed load carrying the status.
    const bool response = loading.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain;
    switch (loading.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        emit sgLoadStarted(url);
        break;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        emit sgLoadFinished(url, loading.errorCode());
        break;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        if (response)
            emit sgLoadFinished(url, loading.errorCode());
        else
            emit sgLoadFailed(url, loading.errorCode(), loading.errorString());
        break;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        break;
    }
}

// The engine tells no commit of its own. The address changes as a load starts; the title
// changes as the server's document takes the page's place, and the history holds the address
// only from then on. The shell's own pages made from text are no loads.
void QtEnginePage::onDocumentMayHaveChanged()
{
    const QUrl url = m_page->url();
    if (url.scheme() != QLatin1String("data") && m_page->history()->currentItem().url() == url)
        emit sgLoadCommitted(url);
}

// The engine gives the next render process of the page no working channel: a
// new page takes the place of the old one, as in a new window. Not from within
// the page's own report of the ended process.
void QtEnginePage::onRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status)
{
    if (status != QWebEnginePage::NormalTerminationStatus)
        QTimer::singleShot(0, this, &QtEnginePage::replacePage);
    emit sgRendererEnded(rendererEnd(status));
}

// Nothing opens unless the request is opened in a page: the shell opens none.
// The bridge's script world knows which documents the player's gestures went
// to; the engine tells only that there was one.
void QtEnginePage::onNewWindowRequested(QWebEngineNewWindowRequest &request)
{
    PopupRequest popup { request.requestedUrl(), request.isUserInitiated(), {}, {} };
    if (!popup.userGesture) {
        emit sgPopupRequested(popup);
        return;
    }
    askGestures([this, popup](const PlayerGesture &gesture) mutable {
        popup.pageOrigin = gesture.pageOrigin();
        popup.actingOrigin = gesture.actingOrigin();
        emit sgPopupRequested(popup);
    });
}

void QtEnginePage::askGestures(const std::function<void(const PlayerGesture &)> &answer)
{
    m_page->runJavaScript(QStringLiteral("lumenGestures()"), QWebEngineScript::ApplicationWorld,
        [self = QPointer<QtEnginePage>(this), answer](const QVariant &gesture) {
            if (self)
                answer(PlayerGesture::fromReport(gesture.toMap()));
        });
}

void QtEnginePage::onNavigationRequested(QWebEngineNavigationRequest &request)
{
    NavigationRequest navigation(request.url(), request.isMainFrame());
    emit sgNavigationRequested(navigation);
    if (navigation.isRejected())
        request.reject();
    else if (navigation.isMainFrame())
        answerPermissionsAhead(navigation.url());
}

// Every request is answered at once: nobody is there to ask.
void QtEnginePage::onFeaturePermissionRequested(const QUrl &origin, QWebEnginePage::Feature feature)
{
    // Pointer lock is no permission of the policy: it follows the player's gesture.
    if (feature == QWebEnginePage::MouseLock) {
        onMouseLockRequested(origin);
        return;
    }
    const PermissionPolicy policy = PermissionPolicy::configured();
    const QString name
        = QString::fromLatin1(QMetaEnum::fromType<QWebEnginePage::Feature>().valueToKey(feature));
    const QVector<PermissionPolicy::Feature> needed = policyFeatures(feature);
    const bool granted = std::all_of(needed.cbegin(), needed.cend(),
        [&](PermissionPolicy::Feature each) { return policy.answer(origin, each, name); });
    m_page->setFeaturePermission(origin, feature, permissionAnswer(granted));
}

// A page asks what a request would get (navigator.permissions.query) before
// it requests: the engine answers from what it was told, so the answers of
// the document's origin are given before the document exists. Clipboard
// writes follow one switch of the whole page (ClipboardGate), allowed by its main document.
void QtEnginePage::answerPermissionsAhead(const QUrl &url)
{
    const PermissionPolicy policy = PermissionPolicy::configured();
    const QUrl origin(OriginPolicy::originOf(url));
    m_clipboard->setAllowed(policy.grants(url, PermissionPolicy::Feature::ClipboardWrite));
    m_page->setFeaturePermission(origin, QWebEnginePage::Notifications,
        permissionAnswer(policy.grants(url, PermissionPolicy::Feature::Notifications)));
    m_page->setFeaturePermission(
        origin, QWebEnginePage::Geolocation, QWebEnginePage::PermissionDeniedByUser);
}

// The load fails; the administrator's switch keeps the engine from asking.
void QtEnginePage::onCertificateError(const QWebEngineCertificateError &error)
{
    QWebEngineCertificateError answer = error;
    answer.rejectCertificate();
    emit sgCertificateError(error.url(), error.description());
}

void QtEnginePage::onContextMenuRequested(const QPoint &position)
{
    const QWebEngineContextMenuRequest *request = m_view->lastContextMenuRequest();
    if (!request)
        return;
    ContextMenuRequest menu(contextMenuTargets(*request));
    emit sgContextMenuRequested(menu);
    if (menu.isSuppressed())
        return;
    QMenu *standard = m_view->createStandardContextMenu();
    standard->setAttribute(Qt::WA_DeleteOnClose);
    standard->popup(m_view->mapToGlobal(position));
}

// The engine names the frame that asked, which may be another site's than the page's.
void QtEnginePage::onFullScreenRequested(QWebEngineFullScreenRequest request)
{
    FullScreenRequest asked(request.toggleOn(), request.origin());
    emit sgFullScreenRequested(asked);
    if (!asked.isAccepted()) {
        request.reject();
        return;
    }
    if (m_fullScreenAnswer)
        m_fullScreenAnswer->answerNow();
    m_fullScreenAnswer = new FullScreenAnswer(m_view.get(), request, m_page);
    if (asked.isToldToThePlayer()) {
        m_notice->showBriefly(tr("%1 is now full screen. Press Escape to exit")
                                  .arg(OriginPolicy::originOf(request.origin())));
    }
}

// Games lock the pointer for mouse look. The engine asks for any request of a focused window,
// gesture or not, naming the page rather than the frame; browsers lock only for the document the
// player has just clicked or typed in. So the lock needs a recent gesture, and the bridge's world
// in the frame that gets it lets it go unless the player acted in that very document last; the
// document that kept it is named to the player. The engine lets the lock go on Escape and when
// the window loses the focus.
void QtEnginePage::onMouseLockRequested(const QUrl &origin)
{
    askGestures([this, origin](const PlayerGesture &gesture) { answerMouseLock(origin, gesture); });
}

void QtEnginePage::answerMouseLock(const QUrl &origin, const PlayerGesture &gesture)
{
    const bool granted = !gesture.actingOrigin().isEmpty();
    m_page->setFeaturePermission(origin, QWebEnginePage::MouseLock, permissionAnswer(granted));
    if (!granted)
        return;
    m_pointerLockGranted = true;
}

// Also for a frame's lock the engine gives without asking, after the frame let the pointer go
// itself.
void QtEnginePage::onPointerLockKept(const QString &origin)
{
    m_pointerLockGranted = true;
    m_notice->showBriefly(tr("%1 holds the mouse. Press Escape to release it").arg(origin));
}

// Put into a window of the shell, the view's window has a parent, and the widgets never count
// the view as the active window on their own: the engine would hold its page unfocused, and
// refuse what needs the focus, the pointer lock above all. Only when the view's own window has
// the focus: it counts as active too while merely its scene window has it, and two pages taking
// the focus from each other's scene windows handed it back and forth without end, keys landing
// in whichever window held it at that moment.
void QtEnginePage::onActiveChanged()
{
    if (!window()->isActive())
        return;
    if (QGuiApplication::focusWindow() == window() && QApplication::activeWindow() != m_view.get())
        QApplication::setActiveWindow(m_view.get());
    emit sgFocused();
}

bool QtEnginePage::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::TouchBegin:
        m_clipboard->onPlayerInput();
        break;
    default:
        break;
    }
    // Closing the window, or a window it was put into, takes the page with it.
    if (event->type() == QEvent::PlatformSurface
        && static_cast<QPlatformSurfaceEvent *>(event)->surfaceEventType()
            == QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed) {
        emit sgWindowClosed();
    }
    return EnginePage::eventFilter(watched, event);
}
