#include "engine/chromium/chromiumpage.h"

#include "engine/bridgecall.h"
#include "engine/chromium/appwindowfinder.h"
#include "engine/chromium/chromiumfilechooser.h"
#include "engine/chromium/devtoolspipe.h"
#include "engine/chromium/embeddedwindowkeeper.h"
#include "engine/chromium/gesturequery.h"
#include "engine/chromium/pagecover.h"
#include "engine/chromium/pageinput.h"
#include "engine/chromium/pagescripts.h"
#include "engine/chromium/permissionpresets.h"
#include "engine/chromium/tabmute.h"
#include "engine/chromium/windowsight.h"
#include "engine/enginelog.h"
#include "engine/engineprofile.h"
#include "engine/hangquestionview.h"
#include "engine/pagerequests.h"
#include "engine/wakelockrequest.h"
#include "engine/windowendwatch.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QWindow>

namespace {

// The window shows within a second of the target on an idle machine.
constexpr int kWindowSearchMs = 50;
constexpr int kWindowSearchTries = 400;

// The browser reports a failed load by its error's name; the shell knows
// the engine's numbers. Names not listed count as a generic failure.
int netErrorCode(const QString &errorText)
{
    static const QHash<QString, int> codes {
        { QStringLiteral("net::ERR_FAILED"), -2 },
        { QStringLiteral("net::ERR_TIMED_OUT"), -7 },
        { QStringLiteral("net::ERR_CONNECTION_CLOSED"), -100 },
        { QStringLiteral("net::ERR_CONNECTION_RESET"), -101 },
        { QStringLiteral("net::ERR_CONNECTION_REFUSED"), -102 },
        { QStringLiteral("net::ERR_NAME_NOT_RESOLVED"), -105 },
        { QStringLiteral("net::ERR_INTERNET_DISCONNECTED"), -106 },
        { QStringLiteral("net::ERR_ADDRESS_UNREACHABLE"), -109 },
        { QStringLiteral("net::ERR_CERT_AUTHORITY_INVALID"), -202 },
        { QStringLiteral("net::ERR_UNSAFE_PORT"), -312 },
        { QStringLiteral("net::ERR_EMPTY_RESPONSE"), -324 },
    };
    return codes.value(errorText, -2);
}

QJsonObject sourceParams(const QString &source, const QString &world = QString())
{
    QJsonObject params { { QStringLiteral("source"), source } };
    if (!world.isEmpty())
        params.insert(QStringLiteral("worldName"), world);
    return params;
}

// Reloads and steps through history load a document as much as a new address does.
bool isSameDocument(const QString &navigationType)
{
    return navigationType == QLatin1String("sameDocument")
        || navigationType == QLatin1String("historySameDocument");
}

QString placeholderPrefix()
{
    return QStringLiteral("data:text/html,");
}

} // namespace

ChromiumPage::ChromiumPage(DevToolsPipe *pipe, const PageScripts &scripts, const QString &mark,
    const PageOptions &options, QObject *parent)
    : EnginePage(parent)
    , m_pipe(pipe)
    , m_scripts(scripts)
    , m_mark(mark)
    , m_bridge(
          scripts.world, scripts.binding,
          [this](const BridgeCall &call) { emit sgBridgeCall(call); },
          [this](const QJsonArray &report) { onReport(report); })
    , m_navigations(pipe, [this](NavigationRequest &request) { onNavigationAsked(request); })
    , m_input(new PageInput(this, pipe, m_session, [this] { return m_bridge.currentWorld(); }))
    , m_windowSearch(new QTimer(this))
    , m_window(new QWindow())
    , m_dialogs(pipe, this, options.scriptDialogs)
    , m_files(new ChromiumFileChooser(pipe, this))
{
    m_bridge.setWakeLockReceiver([this](const QString &what, const QString &lock,
                                     const QString &origin) { onWakeLock(what, lock, origin); });
    m_windowSearch->setInterval(kWindowSearchMs);
    connect(m_windowSearch, &QTimer::timeout, this, &ChromiumPage::lookForWindow);
    m_window->setFlags(Qt::Window | Qt::FramelessWindowHint);
    m_window->setTitle(options.windowTitle);
    m_window->resize(options.width > 0 ? options.width : PageOptions::kDefaultWidth,
        options.height > 0 ? options.height : PageOptions::kDefaultHeight);
    m_window->create();
    m_showAtOpen = options.visible;
    connect(new WindowEndWatch(m_window), &WindowEndWatch::sgEnded, this,
        &ChromiumPage::sgWindowClosed);
}

ChromiumPage::~ChromiumPage()
{
    if (!m_targetId.isEmpty())
        m_pipe->send(
            QStringLiteral("Target.closeTarget"), { { QStringLiteral("targetId"), m_targetId } });
    dropHangQuestion();
    delete m_window.data();
}

QString ChromiumPage::placeholderUrl(const QString &mark)
{
    return placeholderPrefix() + mark;
}

QString ChromiumPage::markOf(const QString &url)
{
    return url.startsWith(placeholderPrefix()) ? url.mid(placeholderPrefix().size()) : QString();
}

QJsonObject ChromiumPage::autoAttachParams()
{
    const auto type = [](const char *name) {
        return QJsonObject { { QStringLiteral("type"), QLatin1String(name) } };
    };
    return { { QStringLiteral("autoAttach"), true },
        { QStringLiteral("waitForDebuggerOnStart"), true }, { QStringLiteral("flatten"), true },
        { QStringLiteral("filter"), QJsonArray { type("page"), type("iframe") } } };
}

bool ChromiumPage::ownsSession(const QString &sessionId) const
{
    return sessionId == m_session || m_frameSessions.contains(sessionId);
}

void ChromiumPage::onAttached(const QString &sessionId, const QJsonObject &targetInfo)
{
    if (!m_session.isEmpty()) {
        m_frameSessions.insert(sessionId);
        setUpTarget(sessionId, false);
        return;
    }
    m_session = sessionId;
    m_targetId = targetInfo.value(QStringLiteral("targetId")).toString();
    // A page target's id is its main frame's.
    m_bridge.setMainFrame(m_targetId);
    m_navigations.setMainFrame(m_targetId);
    setUpTarget(sessionId, true);
    m_windowSearch->start();
}

// Each target waits for this before its first script: the scripts and the
// binding are there for its first document already. The page's first load
// leaves the placeholder's render process for a new one, which gets only the
// set-up the old one has answered: that load waits for every answer.
void ChromiumPage::setUpTarget(const QString &sessionId, bool mainFrame)
{
    QPointer<ChromiumPage> self(this);
    const auto send = [&](const QString &method, const QJsonObject &params = {}) {
        DevToolsPipe::Reply answered;
        if (mainFrame) {
            ++m_setUpUnanswered;
            answered = [self](const QJsonObject &) {
                if (self)
                    self->onSetUpAnswered();
            };
        }
        m_pipe->send(method, params, sessionId, answered);
    };
    // Every target holds its documents' requests for the shell, and tells the popups they ask for.
    send(QStringLiteral("Page.enable"));
    send(QStringLiteral("Fetch.enable"), NavigationGuard::fetchParams());
    send(QStringLiteral("Page.setInterceptFileChooserDialog"),
        ChromiumFileChooser::interceptParams());
    if (mainFrame) {
        send(QStringLiteral("Inspector.enable"));
        send(QStringLiteral("Runtime.enable"));
        send(QStringLiteral("Network.enable"));
        send(QStringLiteral("Runtime.addBinding"),
            { { QStringLiteral("name"), m_scripts.binding },
                { QStringLiteral("executionContextName"), m_scripts.world } });
    }
    send(QStringLiteral("Page.addScriptToEvaluateOnNewDocument"),
        sourceParams(m_scripts.pageScript));
    send(QStringLiteral("Page.addScriptToEvaluateOnNewDocument"),
        sourceParams(m_input->menuScript(), m_scripts.world));
    send(QStringLiteral("Page.addScriptToEvaluateOnNewDocument"),
        sourceParams(m_scripts.bridgeScript, m_scripts.world));
    send(QStringLiteral("Target.setAutoAttach"), autoAttachParams());
    send(QStringLiteral("Runtime.runIfWaitingForDebugger"));
}

void ChromiumPage::onSetUpAnswered()
{
    if (--m_setUpUnanswered != 0)
        return;
    // A tab of a browser started again comes unmuted.
    if (m_audioMuted)
        setAudioMuted(true);
    if (!m_pendingUrl.isEmpty())
        navigate(std::exchange(m_pendingUrl, QString()));
}

void ChromiumPage::onEvent(
    const QString &method, const QJsonObject &params, const QString &sessionId)
{
    if (method == QLatin1String("Target.detachedFromTarget")) {
        onDetached(params.value(QStringLiteral("sessionId")).toString());
        return;
    }
    if (method == QLatin1String("Fetch.requestPaused")) {
        m_navigations.onRequestPaused(params, sessionId);
        return;
    }
    if (method == QLatin1String("Page.windowOpen")) {
        onWindowOpen(params);
        return;
    }
    if (method == QLatin1String("Page.fileChooserOpened")) {
        m_files->onOpened(params, sessionId, m_window);
        return;
    }
    if (sessionId != m_session)
        return;
    if (method.startsWith(QLatin1String("Page.javascriptDialog")))
        m_dialogs.onEvent(method, params, sessionId);
    else if (method == QLatin1String("Inspector.targetCrashed"))
        onRendererGone();
    else if (method.startsWith(QLatin1String("Runtime.")))
        m_bridge.onRuntimeEvent(method, params);
    else if (method.startsWith(QLatin1String("Page.")))
        onPageEvent(method, params);
    else if (method.startsWith(QLatin1String("Network.")))
        onNetworkEvent(method, params);
}

void ChromiumPage::onDetached(const QString &sessionId)
{
    if (m_frameSessions.remove(sessionId) || sessionId != m_session)
        return;
    m_session.clear();
    m_targetId.clear();
    m_setUpUnanswered = 0;
    m_windowSearch->stop();
    emit sgWindowClosed();
}

void ChromiumPage::onBrowserEnded()
{
    m_session.clear();
    m_targetId.clear();
    m_frameSessions.clear();
    m_setUpUnanswered = 0;
    m_windowSearch->stop();
    m_windowTries = 0;
    dropHangQuestion();
    delete m_browserWindow.data();
    onRendererGone();
}

void ChromiumPage::onPageEvent(const QString &method, const QJsonObject &params)
{
    if (method == QLatin1String("Page.frameStartedNavigating")) {
        if (params.value(QStringLiteral("frameId")).toString() != m_targetId
            || isSameDocument(params.value(QStringLiteral("navigationType")).toString()))
            return;
        const QString url = params.value(QStringLiteral("url")).toString();
        const bool load = url != placeholderUrl(m_mark) && url != m_htmlUrl;
        const bool fromServer
            = url.startsWith(QLatin1String("http:")) || url.startsWith(QLatin1String("https:"));
        m_load = { QUrl(url), params.value(QStringLiteral("loaderId")).toString(), 0,
            load && fromServer, load && !fromServer, false, false };
        if (m_load.told)
            emit sgLoadStarted(m_load.url);
    } else if (method == QLatin1String("Page.frameNavigated")) {
        const QJsonObject frame = params.value(QStringLiteral("frame")).toObject();
        if (frame.contains(QStringLiteral("parentId")))
            return;
        const QString url = frame.value(QStringLiteral("url")).toString();
        // The placeholder the window was found by is no address of the page's.
        if (url != placeholderUrl(m_mark))
            m_url = QUrl(url);
        // The document before may still commit or finish while the load is under way.
        m_load.committed = frame.value(QStringLiteral("loaderId")).toString() == m_load.loaderId;
        if (m_load.committed && m_load.told && !m_load.failed)
            emit sgLoadCommitted(m_url);
    } else if (method == QLatin1String("Page.loadEventFired")) {
        if (!m_load.committed)
            return;
        if (m_load.told && !m_load.failed)
            emit sgLoadFinished(m_load.url, m_load.httpStatus);
        m_load.told = false;
    }
}

void ChromiumPage::onNetworkEvent(const QString &method, const QJsonObject &params)
{
    if (params.value(QStringLiteral("requestId")).toString() != m_load.loaderId)
        return;
    if (method == QLatin1String("Network.responseReceived")) {
        m_load.httpStatus = params.value(QStringLiteral("response"))
                                .toObject()
                                .value(QStringLiteral("status"))
                                .toInt();
    } else if (method == QLatin1String("Network.loadingFailed")) {
        // A stopped load tells nothing.
        if (params.value(QStringLiteral("canceled")).toBool())
            m_load.failed = true;
        else
            failLoad(m_load.loaderId, params.value(QStringLiteral("errorText")).toString());
    }
}

// A load the browser refuses before any request (an unsafe port, say) shows
// only in the answer to the navigation.
void ChromiumPage::failLoad(const QString &loaderId, const QString &errorText)
{
    if (loaderId == m_load.loaderId)
        tellLoadStarted();
    if (loaderId != m_load.loaderId || !m_load.told || m_load.failed)
        return;
    m_load.failed = true;
    // The shell logs a certificate it cannot trust apart from other failures.
    if (errorText.startsWith(QLatin1String("net::ERR_CERT_")))
        emit sgCertificateError(m_load.url, errorText);
    emit sgLoadFailed(m_load.url, netErrorCode(errorText), errorText);
}

// The browser tells a load as it starts, before its request is paused for the shell: a refused
// one is never told.
void ChromiumPage::onNavigationAsked(NavigationRequest &request)
{
    emit sgNavigationRequested(request);
    if (!request.isMainFrame() || request.isRejected())
        return;
    PermissionsAhead ahead(request.url());
    emit sgPermissionsAheadNeeded(ahead);
    PermissionPresets::answerAhead(m_pipe, ahead);
    m_notifyingOrigin = ahead.grants(PermissionRequest::Feature::Notifications)
        ? PermissionPresets::originOf(request.url())
        : QString();
    tellLoadStarted();
}

void ChromiumPage::tellLoadStarted()
{
    if (!std::exchange(m_load.awaitsRequest, false))
        return;
    m_load.told = true;
    emit sgLoadStarted(m_load.url);
}

// Told by the frame that asked, before the browser makes the window; the profile closes that
// window's target before its first request. A popup Chromium blocks itself (one without the
// player's gesture) is told too, and never made.
void ChromiumPage::onWindowOpen(const QJsonObject &params)
{
    PopupRequest popup { QUrl(params.value(QStringLiteral("url")).toString()),
        params.value(QStringLiteral("userGesture")).toBool(), {} };
    if (!popup.userGesture) {
        emit sgPopupRequested(popup);
        return;
    }
    GestureQuery::ask(m_pipe, m_session, m_bridge.currentWorld(), this,
        [this, popup](const PlayerGesture &gesture) mutable {
            popup.gesture = gesture;
            emit sgPopupRequested(popup);
        });
}

// Chromium maps its app window on its own time.
void ChromiumPage::lookForWindow()
{
    const WId id = AppWindowFinder::find(m_mark);
    if (id) {
        m_windowSearch->stop();
        qCDebug(lcEngine).noquote() << "Chromium's window for" << m_mark << "found";
        takeBrowserWindow(id);
        return;
    }
    if (++m_windowTries >= kWindowSearchTries) {
        m_windowSearch->stop();
        qCWarning(lcEngine).noquote() << "Chromium's window for" << m_mark << "did not show";
    }
}

void ChromiumPage::takeBrowserWindow(WId id)
{
    // The shell's window took the page's along as it went.
    if (!m_window)
        return;
    if (!m_window->parent() && m_showAtOpen)
        m_window->setVisible(true);
    m_browserWindow = QWindow::fromWinId(id);
    m_browserWindow->setParent(m_window);
    m_browserWindow->setPosition(0, 0);
    m_browserWindow->resize(m_window->size());
    m_browserWindow->setVisible(true);
    connect(m_window, &QWindow::widthChanged, m_browserWindow, &QWindow::setWidth);
    connect(m_window, &QWindow::heightChanged, m_browserWindow, &QWindow::setHeight);
    new EmbeddedWindowKeeper(m_browserWindow, m_window);
    m_input->setWindow(m_browserWindow);
    if (!m_visibleToPlayer)
        WindowSight::setHidden(id, true);
}

QWindow *ChromiumPage::window() const
{
    return m_window;
}

QUrl ChromiumPage::url() const
{
    return m_url;
}

void ChromiumPage::load(const QUrl &url)
{
    navigate(url.toString(QUrl::FullyEncoded));
}

void ChromiumPage::loadHtml(const QString &html)
{
    m_htmlUrl = QStringLiteral("data:text/html;charset=utf-8;base64,")
        + QString::fromLatin1(html.toUtf8().toBase64());
    navigate(m_htmlUrl);
}

void ChromiumPage::navigate(const QString &url)
{
    if (m_session.isEmpty() || m_setUpUnanswered > 0) {
        m_pendingUrl = url;
        return;
    }
    QPointer<ChromiumPage> self(this);
    m_pipe->send(QStringLiteral("Page.navigate"), { { QStringLiteral("url"), url } }, m_session,
        [self](const QJsonObject &result) {
            const QString errorText = result.value(QStringLiteral("errorText")).toString();
            if (self && !errorText.isEmpty())
                self->failLoad(result.value(QStringLiteral("loaderId")).toString(), errorText);
        });
}

void ChromiumPage::runJavaScript(const QString &code)
{
    if (!m_session.isEmpty())
        m_pipe->send(QStringLiteral("Runtime.evaluate"), { { QStringLiteral("expression"), code } },
            m_session);
}

void ChromiumPage::reloadBypassingCache()
{
    if (!m_session.isEmpty())
        m_pipe->send(
            QStringLiteral("Page.reload"), { { QStringLiteral("ignoreCache"), true } }, m_session);
}

void ChromiumPage::setAudioMuted(bool muted)
{
    m_audioMuted = muted;
    if (m_tabMute && !m_targetId.isEmpty())
        m_tabMute->setMuted(m_targetId, muted);
}

void ChromiumPage::setVisibleToPlayer(bool visible)
{
    m_visibleToPlayer = visible;
    if (m_browserWindow)
        WindowSight::setHidden(m_browserWindow->winId(), !visible);
}

// The page's script (wakelock.js) asks the shell for the lock; the browser refuses its own. The
// answer goes to the bridge's world, which tells the frame that asked; the lock's name is the
// page's, and goes as data.
void ChromiumPage::onWakeLock(const QString &what, const QString &lock, const QString &origin)
{
    bool granted = false;
    if (what == QLatin1String("release")) {
        emit sgWakeLockReleased(lock);
    } else if (what == QLatin1String("request")) {
        WakeLockRequest request(lock, QUrl(origin));
        emit sgWakeLockRequested(request);
        granted = request.isGranted();
    }
    const QString arguments = QString::fromUtf8(
        QJsonDocument(QJsonArray { lock, granted }).toJson(QJsonDocument::Compact));
    m_pipe->send(QStringLiteral("Runtime.evaluate"),
        { { QStringLiteral("expression"),
              QStringLiteral("lumenWakeLockAnswer.apply(null, %1)").arg(arguments) },
            { QStringLiteral("contextId"), m_bridge.currentWorld() } },
        m_session);
}

// The page's script (notification.js) hands the shell what the browser would show itself.
void ChromiumPage::onReport(const QJsonArray &report)
{
    if (report.at(0).toString() != QLatin1String("notification")) {
        m_input->onReport(report);
        return;
    }
    const QString origin = report.at(3).toString();
    if (!origin.isEmpty() && origin == m_notifyingOrigin)
        emit sgNotificationShown(report.at(1).toString(), report.at(2).toString());
    else
        qCDebug(lcEngine).noquote() << "a notification of" << origin << "not shown: not granted";
}

// An evaluation needs the renderer's main thread: a page stuck in a script gives no answer.
void ChromiumPage::ping()
{
    if (m_session.isEmpty())
        return;
    QPointer<ChromiumPage> self(this);
    m_pipe->send(QStringLiteral("Runtime.evaluate"),
        { { QStringLiteral("expression"), QStringLiteral("0") } }, m_session,
        [self](const QJsonObject &result) {
            if (self && !result.contains(QStringLiteral("error")))
                emit self->sgPingAnswered();
        });
}

// The renderer crashes on the shell's word: its end tells as a kill.
bool ChromiumPage::endRenderer()
{
    if (m_session.isEmpty() || m_endingRenderer)
        return false;
    m_endingRenderer = true;
    m_pipe->send(QStringLiteral("Page.crash"), {}, m_session);
    return true;
}

// The target stays, showing Chromium's own notice, and its next load starts a new renderer
// that runs the page's scripts and binding as before. A renderer killed from outside tells as a
// crash: the browser reports no difference.
void ChromiumPage::onRendererGone()
{
    m_load = {};
    m_dialogs.forgetShown();
    const RendererEnd end = m_endingRenderer ? RendererEnd::Killed : RendererEnd::Crashed;
    m_endingRenderer = false;
    emit sgRendererEnded(end);
}

void ChromiumPage::askAboutHang()
{
    if (m_hangQuestion || !m_browserWindow)
        return;
    m_hangQuestion = new PageCover(m_browserWindow->winId());
    auto *question = new HangQuestionView(m_hangQuestion);
    connect(question, &HangQuestionView::sgAnswered, this, [this](HangChoice choice) {
        dropHangQuestion();
        emit sgHangAnswered(choice);
    });
    m_hangQuestion->showOverPage();
}

void ChromiumPage::dropHangQuestion()
{
    if (m_hangQuestion)
        m_hangQuestion->dismiss();
    m_hangQuestion = nullptr;
}

void ChromiumPage::leaveFullScreen()
{
    m_input->leaveFullScreen();
}

bool ChromiumPage::holdsPointerLock() const
{
    return m_input->holdsPointerLock();
}

bool ChromiumPage::isWaitingForPlayer() const
{
    return m_dialogs.isWaitingForPlayer();
}
