#include "window/qcefview.h"

#include "app/logexcerpt.h"
#include "app/tspdlog.h"
#include "cef/cefbrowser.h"
#include "cef/qcefapp.h"
#include "cef/qcefclient.h"
#include "cef/qcefengine.h"
#include "engine/browserengine.h"
#include "engine/engineprofile.h"
#include "engine/pagerequests.h"
#include "tools/tools.h"
#include "window/browserattacher.h"
#include "window/downloadpush.h"
#include "window/errorpage.h"
#include "window/legacywindows.h"
#include "window/loadfailurerecovery.h"
#include "window/qie.h"
#include "window/rendererrecovery.h"
#include "window/shellvisibility.h"
#include "window/splashhandover.h"
#include "window/windowdraghook.h"
#include "window/windowfocus.h"
#include "window/windowfollower.h"
#include "window/windowlog.h"
#include "window/windowname.h"
#include "window/windownavigation.h"
#include "window/windowopener.h"
#include "window/windowrequestguard.h"
#include "window/windowstates.h"

#include <QCursor>
#include <QDesktopServices>
#include <QNetworkCookie>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int kEngineTickMs = 10;
// The window the shell opens at start; its error page stands in for the splash.
const QString kStartupWindow = QStringLiteral("login");

bool isOn(const QString &flag)
{
    return flag == QLatin1String("1");
}

CefRefPtr<CefBrowser> browserOfRecord(const WindowRecord *record)
{
    return record && record->client ? record->client->getBrowser() : CefRefPtr<CefBrowser>();
}

// A game's full-screen element leaves full screen with its window, and the game hears of it.
void endPageFullScreen(const WindowRecord &record)
{
    if (const CefRefPtr<CefBrowser> browser = browserOfRecord(&record))
        browser->exitFullScreen();
}

} // namespace

QCefView *QCefView::instance()
{
    static QCefView *view = new QCefView;
    return view;
}

QCefView::QCefView()
    : m_focus(m_registry)
{
}

QCefView::~QCefView() = default;

void QCefView::init(QWindow *mainWindow, QCefEngine *engineHost)
{
    m_mainWindow = mainWindow;
    m_engineHost = engineHost;

    m_engineTimer = new QTimer(this);
    m_engineTimer->setInterval(kEngineTickMs);
    connect(m_engineTimer, &QTimer::timeout, this, &QCefView::onCefTimer, Qt::QueuedConnection);

    m_follower = new WindowFollower(m_registry, this);
    m_legacy = new LegacyWindows(m_registry, *m_engineHost, this);
    connect(m_legacy, &LegacyWindows::sgClosed, this, &QCefView::onIECloseBrowser);
    m_attacher = new BrowserAttacher(
        m_mainWindow, m_registry, *m_legacy, *m_follower,
        [this](WindowRecord &record) { createBrowser(record); }, this);
    connect(m_attacher, &BrowserAttacher::sgAttached, this, &QCefView::onAttached);
    m_visibility = new ShellVisibility(m_mainWindow, m_registry, this);
    if (EngineProfile *profile = m_engineHost->engine().profile()) {
        connect(
            profile, &EngineProfile::sgNotification, m_visibility, &ShellVisibility::showMessage);
    }
    m_splash = new SplashHandover(m_registry, this);
    connect(m_splash, &SplashHandover::sgCloseLogo, this, &QCefView::sgCloseLogo);
    m_opener = std::make_unique<WindowOpener>(m_mainWindow, m_registry, *m_attacher);
}

void QCefView::startEngineTimer()
{
    m_engineTimerStarted = true;
    m_engineTimer->start();
}

void QCefView::setDragHook(WindowDragHook *hook)
{
    m_dragHook = hook;
}

WindowRecord *QCefView::findWindow(const QString &name) const
{
    return m_registry.find(name);
}

const QHash<QString, QString> &QCefView::cookieTable() const
{
    return m_legacy->cookieTable();
}

void QCefView::setDragging(bool dragging)
{
    m_follower->setDragging(dragging);
}

void QCefView::raiseFrontWindows(int browserId)
{
    m_focus.raiseFrontWindows(browserId);
}

// Opening:

void QCefView::openWindow(const QString &objectName, const QString &fatherName, const QString &ie,
    const QString &url, const QString &rect, const QString &align, const QString &valign,
    const QString &needHide, const QString &lostFocusHide, const QString &front, bool visible)
{
    if (const QString problem = WindowName::problem(objectName); !problem.isEmpty()) {
        TSpdlog::instance()->otherWarn(QStringLiteral("Open refused for the window \"%1\": %2")
                                           .arg(LogExcerpt::of(objectName), problem));
        return;
    }
    if (!m_engineHost) {
        qCWarning(lcWindow) << "a window opens before the engine is there:" << objectName;
        return;
    }
    if (findWindow(objectName)) {
        load(objectName, url);
        return;
    }
    if (!WindowRequestGuard::allowsOpen(objectName, url, m_registry.count()))
        return;
    WindowOpener::Opening opening = m_opener->open({ objectName, fatherName, ie, url, rect, align,
        valign, needHide, lostFocusHide, front, visible });
    WindowRecord &record = m_registry.add(std::move(opening.record));
    emit sgOpenNewWindow(opening.fatherObject, opening.json);

    if (!record.isIE)
        createBrowser(record);
    m_attacher->enqueue(objectName);
    if (m_engineTimerStarted)
        m_engineTimer->start();
}

void QCefView::openNotSetUpWindow(
    const QString &objectName, const QString &rect, const QString &align, const QString &valign)
{
    m_notSetUp = true;
    openWindow(objectName, QString(), QString(), QString(), rect, align, valign, QString(),
        QString(), QString(), false);
}

// While the engine is not ready no client is made; the tick asks again.
void QCefView::createBrowser(WindowRecord &record)
{
    record.client = m_engineHost->app()->createBrowser(QStringLiteral("app"), false, record.url,
        record.openSize.width(), record.openSize.height());
    if (!record.client) {
        qCDebug(lcWindow) << "no browser yet for" << record.objectName;
        return;
    }
    QCefClient *client = record.client.data();
    connect(client, &QCefClient::sgCloseBrowser, this, &QCefView::onCloseBrowser);
    connect(client, &QCefClient::sgLoadEnd, this, &QCefView::onLoadEnd);
    connect(client, &QCefClient::sgRaiseFrontWindows, this, &QCefView::raiseFrontWindows);
    connect(client, &QCefClient::sgHookPopup, this, &QCefView::onHookPopup);
    connect(client, &QCefClient::sgFullScreenModeChange, this, &QCefView::onFullScreenModeChange);
    connect(client, &QCefClient::sgDownload, this, &QCefView::onDownload);
    connect(client, &QCefClient::sgSendCookie, this, &QCefView::onSendCookie);
    connect(client, &QCefClient::sgCollectCookie, this, &QCefView::onCollectCookie);

    const bool startup = record.objectName == kStartupWindow;
    if (startup && m_notSetUp) {
        m_notSetUp = false;
        showNotSetUp(client);
        return;
    }
    auto *failures = new LoadFailureRecovery(record.objectName, startup, client);
    if (startup)
        connect(failures, &LoadFailureRecovery::sgShowBeforeLoaded, m_splash,
            &SplashHandover::onLoadEnd);
    new RendererRecovery(record.objectName, *failures, client);
}

// No page loads, so no load can fail or end: the page is put in as soon as the browser exists
// (it is made in the next turn of the event loop) and takes over from the splash at once.
void QCefView::showNotSetUp(QCefClient *client)
{
    connect(
        client, &QCefClient::sgShellLink, this, [](CefRefPtr<CefBrowser>, const QString &command) {
            if (command == QLatin1String("quit"))
                Tools::instance()->quitApp();
        });
    QTimer::singleShot(0, client, [this, client] {
        if (const CefRefPtr<CefBrowser> browser = client->getBrowser()) {
            browser->loadHtml(ErrorPage::notSetUpHtml());
            m_splash->onLoadEnd(browser);
        }
    });
}

void QCefView::onCefTimer()
{
    m_attacher->attachNextPending();
    // Nothing left to attach: the engine needs no pumping here, so the timer
    // rests until the next window opens.
    if (!m_attacher->hasPending())
        m_engineTimer->stop();
}

// Page requests reach the scene once the browser is in its window.
void QCefView::onAttached(const QString &name)
{
    const WindowRecord *record = findWindow(name);
    if (record && record->client)
        connect(record->client.data(), &QCefClient::sgWebMsgReceived, this,
            &QCefView::sgWebMsgReceived);
}

// Queries:

QString QCefView::getCefClients(const QString &objectName, bool containSelf) const
{
    return m_registry.familyList(objectName, containSelf);
}

QString QCefView::getFatherName(const QString &objectName) const
{
    const WindowRecord *record = findWindow(objectName);
    if (!record)
        return QString();
    return record->fatherName.isEmpty() ? objectName : record->fatherName;
}

bool QCefView::getNeedHide(const QString &objectName) const
{
    const WindowRecord *record = findWindow(objectName);
    return record && record->needHide;
}

CefRefPtr<CefBrowser> QCefView::browserOf(const QString &objectName) const
{
    return browserOfRecord(findWindow(objectName));
}

void QCefView::sendToWeb(const QString &objectName, const QString &msg)
{
    if (const CefRefPtr<CefBrowser> browser = browserOf(objectName))
        browser->executeJavaScript(msg);
}

// The page asking gets no window either way; the log tells of a popup no page heard of.
void QCefView::onHookPopup(const QString &script, const QString &url)
{
    const CefRefPtr<CefBrowser> hook = browserOf(m_hookPopupName);
    if (!hook) {
        TSpdlog::instance()->otherWarn(
            QStringLiteral("popup to %1 dropped: no window takes popups").arg(LogExcerpt::of(url)));
        return;
    }
    hook->executeJavaScript(script);
}

void QCefView::test()
{
}

// Operations:

// A popup only hides: it stays registered and opens again at once.
void QCefView::closeOrHide(const WindowRecord &record)
{
    if (record.lostFocusHide)
        record.window->hide();
    else
        record.window->close();
}

void QCefView::closeWindow(const QString &objectName)
{
    if (const WindowRecord *record = m_registry.findAttached(objectName))
        closeOrHide(*record);
}

void QCefView::closeAllBrowser()
{
    const QStringList names = m_registry.names();
    for (const QString &name : names)
        closeWindow(name);
}

void QCefView::onCloseBrowser(CefRefPtr<CefBrowser> browser)
{
    const WindowRecord *closed = nullptr;
    m_registry.forEach([&closed, &browser](const WindowRecord &record) {
        if (record.client && record.client->getBrowser() == browser)
            closed = &record;
    });
    if (closed)
        forget(*closed);
}

void QCefView::onIECloseBrowser(const QString &objectName)
{
    if (const WindowRecord *record = findWindow(objectName)) {
        record->ieWidget->deleteLater();
        forget(*record);
    }
}

// The scene destroys its window; the name is free again.
void QCefView::forget(const WindowRecord &record)
{
    const QString name = record.objectName;
    m_registry.remove(name);
    m_focus.forget(name);
    emit sgCloseWindow(name);
}

void QCefView::setWindowStatus(const QString &objectName, const QString &status)
{
    WindowRecord *record = m_registry.findAttached(objectName);
    if (!record)
        return;
    const QPoint cursor = QCursor::pos();
    const bool wasFullScreen = record->fullScreen;
    if (status == QLatin1String("Maximized"))
        WindowStates::maximize(*record, Tools::instance()->getNowAvailableRect(cursor));
    else if (status == QLatin1String("FullScreen"))
        WindowStates::enterFullScreen(*record, Tools::instance()->getNowDesktopRect(cursor));
    else if (status == QLatin1String("Windowed"))
        WindowStates::restoreWindowed(*record);
    else if (status == QLatin1String("Minimized"))
        m_mainWindow->setVisibility(QWindow::Minimized);
    if (wasFullScreen && !record->fullScreen)
        endPageFullScreen(*record);
}

void QCefView::restoreFullScreenWindows()
{
    m_registry.forEach([](WindowRecord &record) {
        if (!record.fullScreen)
            return;
        WindowStates::leaveFullScreen(record);
        endPageFullScreen(record);
    });
}

bool QCefView::holdsPointerLock() const
{
    bool held = false;
    m_registry.forEach([&held](const WindowRecord &record) {
        const CefRefPtr<CefBrowser> browser = browserOfRecord(&record);
        held = held || (browser && browser->holdsPointerLock());
    });
    return held;
}

// A game's element fills the screen its window is on, in the state the portal's "FullScreen"
// gives, so that Escape and F11 end it as they end that. Only a window of the shell's follows.
void QCefView::onFullScreenModeChange(CefRefPtr<CefBrowser> browser, FullScreenRequest &request)
{
    WindowRecord *record = m_registry.findByBrowser(browser->identifier());
    if (!record || !record->window)
        return;
    request.accept();
    if (!request.isOn())
        WindowStates::leaveFullScreen(*record);
    else if (!record->fullScreen)
        WindowStates::enterFullScreen(
            *record, Tools::instance()->getNowDesktopRect(record->window->geometry().center()));
}

void QCefView::switchWindow(const QString &objectName, const QString &needHide)
{
    WindowRecord *record = m_registry.findAttached(objectName);
    if (!record)
        return;
    m_focus.switchTo(*record, isOn(needHide));
    m_registry.bringToFront(*record);
}

void QCefView::moveWindow(const QString &objectName)
{
    if (WindowRecord *record = m_registry.findAttached(objectName); record && m_dragHook)
        m_dragHook->startMove(record);
}

void QCefView::resizeWindow(const QString &objectName, const QString &width, const QString &height)
{
    WindowRecord *record = m_registry.findAttached(objectName);
    if (!record || !m_dragHook)
        return;
    m_dragHook->startResize(record, isOn(width) ? record->window->width() : 0,
        isOn(height) ? record->window->height() : 0);
}

void QCefView::hideWindow(const QString &objectName)
{
    m_focus.onFocusTo(objectName);
}

void QCefView::onFocusWindowChanged(QWindow *window)
{
    m_focus.onFocusWindowChanged(window);
}

void QCefView::setWindowHidden(bool flag)
{
    m_visibility->setHidden(flag);
}

void QCefView::setTrayIcon(bool flag)
{
    m_visibility->setTrayIconVisible(flag);
}

void QCefView::hideToTray()
{
    m_visibility->hideToTray();
}

bool QCefView::isShellHidden() const
{
    return m_visibility->isHidden();
}

void QCefView::bringBack()
{
    m_visibility->bringBack();
}

void QCefView::reload(const QString &objectName)
{
    if (const WindowRecord *record = m_registry.findAttached(objectName))
        WindowNavigation::reload(*record);
}

void QCefView::load(const QString &objectName, const QString &url)
{
    if (const WindowRecord *record = m_registry.findAttached(objectName))
        WindowNavigation::load(*record, url);
}

void QCefView::openUrl(const QString &url)
{
    if (!WindowRequestGuard::allowsDesktop(url))
        return;
    QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

void QCefView::setHookPopup(const QString &objectName)
{
    if (!WindowRequestGuard::allowsHookPopup(objectName, findWindow(objectName)))
        return;
    m_hookPopupName = objectName;
}

void QCefView::clearIECache()
{
    m_legacy->clearCache();
}

void QCefView::onDownload(
    CefRefPtr<CefBrowser> browser, int progress, const QString &state, const QString &fileName)
{
    if (const WindowRecord *record = m_registry.findByBrowser(browser->identifier()))
        sendToWeb(record->objectName, DownloadPush::script(progress, state, fileName));
}

void QCefView::onSendCookie(const QString &cookieName, const QString &cookie)
{
    m_legacy->onSendCookie(cookieName, cookie);
}

void QCefView::onCollectCookie(const QNetworkCookie &cookie)
{
    m_legacy->onCollectCookie(cookie);
}

void QCefView::onLoadEnd(CefRefPtr<CefBrowser> browser)
{
    m_splash->onLoadEnd(browser);
}
