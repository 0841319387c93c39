#include "engine/qtwebengine/qtenginepage.h"

#include "engine/windowendwatch.h"

#include "engine/bridgecall.h"
#include "engine/engineprofile.h"
#include "engine/hangquestionview.h"
#include "engine/pagerequests.h"
#include "engine/qtwebengine/bridgeendpoint.h"
#include "engine/qtwebengine/clipboardgate.h"
#include "engine/qtwebengine/pagecontextmenu.h"
#include "engine/qtwebengine/pagefullscreen.h"
#include "engine/qtwebengine/pagenotice.h"
#include "engine/qtwebengine/pagepermissions.h"
#include "engine/qtwebengine/pagepointerlock.h"
#include "engine/qtwebengine/pagescriptdialogs.h"
#include "engine/qtwebengine/playergestures.h"
#include "engine/qtwebengine/shellwebpage.h"
#include "engine/qtwebengine/viewactivation.h"
#include "engine/wakelockrequest.h"
#include "tools/processes.h"

#include <QApplication>
#include <QTimer>
#include <QWebChannel>
#include <QWebEngineCertificateError>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNavigationRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWindow>

namespace {

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
    , m_permissions(new PagePermissions(this, m_clipboard))
    , m_pointerLock(new PagePointerLock(this, m_notice))
    , m_fullScreen(new PageFullScreen(this, m_view.get(), m_notice))
{
    setUpPage();

    m_view->setPage(m_page);
    m_view->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    m_view->setWindowTitle(options.windowTitle);
    m_view->resize(options.width > 0 ? options.width : PageOptions::kDefaultWidth,
        options.height > 0 ? options.height : PageOptions::kDefaultHeight);
    new PageContextMenu(this, m_view.get());
    // The page's first load gives the view a child that renders through the
    // GPU, and a native window made before would be replaced by another one.
    // Running a script sets the page up without loading anything.
    m_page->runJavaScript(QString());
    // The native window comes when first asked for: making it takes the GUI thread, which is
    // the engine's too, and the page's first load need not wait for it.
    m_view->installEventFilter(this);
    if (options.visible)
        m_view->show();
}

QtEnginePage::~QtEnginePage()
{
    if (QWindow *window = m_view->windowHandle())
        window->removeEventFilter(this);
}

void QtEnginePage::setUpPage()
{
    m_channel = new QWebChannel(m_page);
    m_channel->registerObject(BridgeEndpoint::channelObjectName(),
        new BridgeEndpoint([this](const BridgeCall &call) { emit sgBridgeCall(call); },
            [this](const QString &origin) { m_pointerLock->onKept(origin); },
            [this](const QString &what, const QString &lock, const QString &origin) {
                return onWakeLock(what, lock, origin);
            },
            m_channel));
    m_page->setWebChannel(m_channel, QWebEngineScript::ApplicationWorld);
    m_page->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, m_pluginsAllowed);
    m_clipboard->setPage(m_page);
    m_permissions->setPage(m_page);
    m_pointerLock->setPage(m_page);
    m_fullScreen->setPage(m_page);

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
    connect(m_page, &QWebEnginePage::windowCloseRequested, this, &EnginePage::sgCloseRequested);
    connect(m_page, &QWebEnginePage::visibleChanged, this, &QtEnginePage::onPageVisibleChanged);
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
    m_view->winId();
    return m_view->windowHandle();
}

void QtEnginePage::onWindowMade()
{
    QWindow *window = m_view->windowHandle();
    if (!window || window == m_window)
        return;
    m_window = window;
    window->installEventFilter(this);
    // Closing the window, or a window it was put into, takes the page with it.
    connect(
        new WindowEndWatch(window), &WindowEndWatch::sgEnded, this, &QtEnginePage::sgWindowClosed);
    connect(window, &QWindow::activeChanged, this, &QtEnginePage::onActiveChanged);
}

// The window system tells a window it is exposed as soon as it is shown, even inside a window
// that is not, and tells it again once that window shows. The first paint sets up the window's
// GPU drawing on the GUI thread, which is the engine's too: put into a hidden window (the
// start-up window stays hidden while its page loads), the page's window paints once it shows.
bool QtEnginePage::isViewable() const
{
    for (const QWindow *window = m_window; window; window = window->parent()) {
        if (!window->isVisible())
            return false;
    }
    return true;
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

void QtEnginePage::setVisibleToPlayer(bool visible)
{
    m_visibleToPlayer = visible;
    m_page->setVisible(visible && m_view->isVisible());
}

// The view tells its page only of its own showing and hiding: put into a window of the shell,
// it stays shown while that window is minimised or hidden, and a page the player cannot see
// would be shown again whenever the view is.
void QtEnginePage::onPageVisibleChanged(bool visible)
{
    if (visible && !m_visibleToPlayer)
        m_page->setVisible(false);
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

// The engine refuses a screen wake lock on its own: the page's script (wakelock.js) asks the
// shell instead.
bool QtEnginePage::onWakeLock(const QString &what, const QString &lock, const QString &origin)
{
    if (what == QLatin1String("release"))
        emit sgWakeLockReleased(lock);
    if (what != QLatin1String("request"))
        return false;
    WakeLockRequest request(lock, QUrl(origin));
    emit sgWakeLockRequested(request);
    return request.isGranted();
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
    m_fullScreen->leave();
}

bool QtEnginePage::holdsPointerLock() const
{
    return m_pointerLock->isHeld();
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
    PopupRequest popup { request.requestedUrl(), request.isUserInitiated(), {} };
    if (!popup.userGesture) {
        emit sgPopupRequested(popup);
        return;
    }
    PlayerGestures::ask(m_page, this, [this, popup](const PlayerGesture &gesture) mutable {
        popup.gesture = gesture;
        emit sgPopupRequested(popup);
    });
}

void QtEnginePage::onNavigationRequested(QWebEngineNavigationRequest &request)
{
    NavigationRequest navigation(request.url(), request.isMainFrame());
    emit sgNavigationRequested(navigation);
    if (navigation.isRejected())
        request.reject();
    else if (navigation.isMainFrame())
        m_permissions->answerAhead(navigation.url());
}

// The load fails; the administrator's switch keeps the engine from asking.
void QtEnginePage::onCertificateError(const QWebEngineCertificateError &error)
{
    QWebEngineCertificateError answer = error;
    answer.rejectCertificate();
    emit sgCertificateError(error.url(), error.description());
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
        ViewActivation::activate(m_view.get());
    emit sgFocused();
}

bool QtEnginePage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view.get()) {
        if (event->type() == QEvent::WinIdChange)
            onWindowMade();
        return EnginePage::eventFilter(watched, event);
    }
    if (event->type() == QEvent::Expose && m_window->isExposed() && !isViewable())
        return true;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::TouchBegin:
        m_clipboard->onPlayerInput();
        break;
    default:
        break;
    }
    return EnginePage::eventFilter(watched, event);
}
