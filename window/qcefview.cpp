#include "window/qcefview.h"

#include "app/logexcerpt.h"
#include "app/tspdlog.h"
#include "cef/cefbrowser.h"
#include "cef/qcefengine.h"
#include "engine/browserengine.h"
#include "engine/engineprofile.h"
#include "window/browserattacher.h"
#include "window/browserwiring.h"
#include "window/downloadpush.h"
#include "window/legacywindows.h"
#include "window/pagesight.h"
#include "window/popuphook.h"
#include "window/qie.h"
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
#include "window/windowstatuscontrol.h"

#include <QDesktopServices>
#include <QNetworkCookie>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int kEngineTickMs = 10;

bool isOn(const QString &flag)
{
    return flag == QLatin1String("1");
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
    m_splash = new SplashHandover(m_registry, this);
    connect(m_splash, &SplashHandover::sgCloseLogo, this, &QCefView::sgCloseLogo);
    m_popups = new PopupHook(m_registry, this);
    m_status = new WindowStatusControl(m_mainWindow, m_registry, this);
    m_wiring = new BrowserWiring(
        *m_engineHost, m_registry, { *this, *m_splash, *m_popups, *m_status }, this);
    m_attacher = new BrowserAttacher(
        m_mainWindow, m_registry, *m_legacy, *m_follower,
        [this](WindowRecord &record) { m_wiring->createBrowser(record); }, this);
    connect(m_attacher, &BrowserAttacher::sgAttached, m_wiring, &BrowserWiring::onAttached);
    m_sight = new PageSight(m_registry, this);
    connect(m_attacher, &BrowserAttacher::sgAttached, m_sight, &PageSight::onAttached);
    m_visibility = new ShellVisibility(m_mainWindow, m_registry, this);
    if (EngineProfile *profile = m_engineHost->engine().profile()) {
        connect(
            profile, &EngineProfile::sgNotification, m_visibility, &ShellVisibility::showMessage);
    }
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
        m_wiring->createBrowser(record);
    m_attacher->enqueue(objectName);
    if (m_engineTimerStarted)
        m_engineTimer->start();
}

void QCefView::openNotSetUpWindow(
    const QString &objectName, const QString &rect, const QString &align, const QString &valign)
{
    m_wiring->showNotSetUpNext();
    openWindow(objectName, QString(), QString(), QString(), rect, align, valign, QString(),
        QString(), QString(), false);
}

void QCefView::onCefTimer()
{
    m_attacher->attachNextPending();
    // Nothing left to attach: the engine needs no pumping here, so the timer
    // rests until the next window opens.
    if (!m_attacher->hasPending())
        m_engineTimer->stop();
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

void QCefView::sendToWeb(const QString &objectName, const QString &msg)
{
    const WindowRecord *record = findWindow(objectName);
    if (const CefRefPtr<CefBrowser> browser = record ? record->browser() : nullptr)
        browser->executeJavaScript(msg);
}

// The scene's debug panel has a "test" button bound here, which by design does nothing.
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
        if (record.browser() == browser)
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
    m_status->setStatus(objectName, status);
}

void QCefView::restoreFullScreenWindows()
{
    m_status->restoreFullScreenWindows();
}

bool QCefView::holdsPointerLock() const
{
    return m_status->holdsPointerLock();
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
    m_popups->setWindow(objectName);
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
