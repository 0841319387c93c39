#include "window/qcefview.h"

#include "app/dirhelper.h"
#include "app/programicon.h"
#include "cef/bridgepush.h"
#include "cef/cefbrowser.h"
#include "cef/cefcookiemanager.h"
#include "cef/cefprocessmessage.h"
#include "cef/qcefapp.h"
#include "cef/qcefclient.h"
#include "cef/qcefengine.h"
#include "tools/tools.h"
#include "window/qie.h"
#include "window/windowdraghook.h"
#include "window/windowplacement.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <QUrl>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

namespace {

constexpr int kEngineTickMs = 10;
constexpr int kLogoDelayMs = 2000;

bool isOn(const QString &flag)
{
    return flag == QLatin1String("1");
}

QString windowList(const QStringList &names)
{
    return QLatin1Char('[') + names.join(QLatin1Char(',')) + QLatin1Char(']');
}

// The browser's own top-level window, found by its native handle.
QWindow *windowWithHandle(WId handle)
{
    const QWindowList windows = QGuiApplication::allWindows();
    for (QWindow *window : windows) {
        if (window->handle() && window->winId() == handle)
            return window;
    }
    return nullptr;
}

} // namespace

QCefView *QCefView::instance()
{
    static QCefView *view = new QCefView;
    return view;
}

QCefView::QCefView() = default;

QCefView::~QCefView() = default;

void QCefView::init(QWindow *mainWindow, QCefEngine *engineHost)
{
    m_mainWindow = mainWindow;
    m_engineHost = engineHost;

    m_engineTimer = new QTimer(this);
    m_engineTimer->setInterval(kEngineTickMs);
    connect(m_engineTimer, &QTimer::timeout, this, &QCefView::onCefTimer, Qt::QueuedConnection);

    m_trayIcon = new QSystemTrayIcon(ProgramIcon::icon(), this);
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, &QCefView::onTrayActivated);

    m_logoTimer = new QTimer(this);
    m_logoTimer->setInterval(kLogoDelayMs);
    connect(m_logoTimer, &QTimer::timeout, this, &QCefView::onLogoTimer);

    connect(qApp, &QCoreApplication::aboutToQuit, this, &QCefView::closeLegacyWindows);
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
    const auto found = m_windows.find(name);
    return found == m_windows.end() ? nullptr : found->second.get();
}

void QCefView::setDragging(bool dragging)
{
    m_dragging = dragging;
}

void QCefView::raiseFrontWindows(int browserId)
{
    for (const auto &entry : m_windows) {
        const WindowRecord &record = *entry.second;
        if (record.front && record.client && record.browserId != browserId && record.window)
            record.window->raise();
    }
}

// Opening:

void QCefView::openWindow(const QString &objectName, const QString &fatherName, const QString &ie,
    const QString &url, const QString &rect, const QString &align, const QString &valign,
    const QString &needHide, const QString &lostFocusHide, const QString &front, bool visible)
{
    if (!m_engineHost)
        return;
    if (findWindow(objectName)) {
        load(objectName, url);
        return;
    }

    auto record = std::make_unique<WindowRecord>();
    record->objectName = objectName;
    record->url = url;
    record->lostFocusHide = isOn(lostFocusHide);
    record->front = isOn(front);
    record->isIE = isOn(ie);

    const WindowPlacement placement
        = placeWindow(fatherName, rect, align, valign, record->lostFocusHide);
    record->openWidth = placement.openWidth;
    record->openHeight = placement.openHeight;
    record->openX = placement.frame.x();
    record->openY = placement.frame.y();
    record->width = placement.frame.width();
    record->height = placement.frame.height();
    record->offsetX = placement.offsetX;
    record->offsetY = placement.offsetY;
    record->marginRight = placement.marginRight;
    record->marginBottom = placement.marginBottom;

    QObject *fatherObject = nullptr;
    if (WindowRecord *father = findWindow(fatherName)) {
        if (QWindow *fatherWindow = sceneWindow(*father))
            fatherObject = fatherWindow->focusObject();
        father->children.prepend(objectName);
        record->fatherName = fatherName;
        if (isOn(needHide)) {
            hideSiblingsThatNeedHide(fatherName);
            record->needHide = true;
        }
    }

    const QString json = openWindowJson(objectName, placement.frame, visible, record->front);
    WindowRecord &stored = *record;
    m_windows[objectName] = std::move(record);
    emit sgOpenNewWindow(fatherObject, json);

    if (!stored.isIE)
        createBrowser(stored);
    m_pendingWindows.append(objectName);
    if (m_engineTimerStarted)
        m_engineTimer->start();
}

WindowPlacement QCefView::placeWindow(const QString &fatherName, const QString &rect,
    const QString &align, const QString &valign, bool lostFocusHide) const
{
    const QPoint cursor = QCursor::pos();
    const WindowPlacement::Request request { rect, Tools::instance()->getNowZoomFactor(cursor),
        align, valign, lostFocusHide };
    const WindowRecord *father = findWindow(fatherName);
    if (!father)
        return WindowPlacement::forRoot(request, Tools::instance()->getNowDesktopRect(cursor));

    // A father the scene has created but the tick has not attached yet still
    // has its window; one the scene never made keeps its announced place.
    const QWindow *fatherWindow = sceneWindow(*father);
    const QPoint position
        = fatherWindow ? fatherWindow->position() : QPoint(father->openX, father->openY);
    return WindowPlacement::forChild(request,
        { QRect(position, QSize(father->width, father->height)), father->openWidth,
            father->openHeight });
}

QString QCefView::openWindowJson(
    const QString &objectName, const QRect &frame, bool visible, bool front) const
{
    QJsonObject json { { QStringLiteral("objectName"), objectName },
        { QStringLiteral("x"), frame.x() }, { QStringLiteral("y"), frame.y() },
        { QStringLiteral("width"), frame.width() }, { QStringLiteral("height"), frame.height() },
        { QStringLiteral("flags"), int(m_mainWindow->flags()) },
        { QStringLiteral("visible"), visible } };
    if (front)
        json.insert(QStringLiteral("modality"), 1);
    return QString::fromUtf8(QJsonDocument(json).toJson());
}

void QCefView::hideSiblingsThatNeedHide(const QString &fatherName)
{
    for (const auto &entry : m_windows) {
        const WindowRecord &sibling = *entry.second;
        if (sibling.fatherName == fatherName && sibling.needHide && sibling.window)
            sibling.window->setVisibility(QWindow::Hidden);
    }
}

// While the engine is not ready no client is made; the tick asks again.
void QCefView::createBrowser(WindowRecord &record)
{
    record.client = m_engineHost->app()->createBrowser(
        QStringLiteral("app"), false, record.url, record.openWidth, record.openHeight);
    if (!record.client)
        return;
    QCefClient *client = record.client.data();
    connect(client, &QCefClient::sgCloseBrowser, this, &QCefView::onCloseBrowser);
    connect(client, &QCefClient::sgLoadEnd, this, &QCefView::onLoadEnd);
    connect(client, &QCefClient::sgRaiseFrontWindows, this, &QCefView::raiseFrontWindows);
    connect(client, &QCefClient::sgHookPopup, this,
        [this](const QString &script) { sendToWeb(m_hookPopupName, script); });
    connect(client, &QCefClient::sgDownload, this, &QCefView::onDownload);
    connect(client, &QCefClient::sgSendCookie, this, &QCefView::onSendCookie);
}

QWindow *QCefView::sceneWindow(const WindowRecord &record) const
{
    if (record.window)
        return record.window;
    return m_mainWindow->findChild<QWindow *>(record.objectName);
}

// Attachment:

void QCefView::onCefTimer()
{
    attachNextPending();
    // Nothing left to attach: the engine needs no pumping here, so the timer
    // rests until the next window opens.
    if (m_pendingWindows.isEmpty())
        m_engineTimer->stop();
}

void QCefView::attachNextPending()
{
    if (m_pendingWindows.isEmpty())
        return;
    WindowRecord *record = findWindow(m_pendingWindows.first());
    if (!record) {
        m_pendingWindows.removeFirst();
        return;
    }
    if (!record->isIE && !record->client)
        createBrowser(*record);
    QWindow *window = m_mainWindow->findChild<QWindow *>(record->objectName);
    if (window && attach(*record, window))
        m_pendingWindows.removeFirst();
}

bool QCefView::attach(WindowRecord &record, QWindow *window)
{
    if (!record.isIE) {
        if (!record.client || record.client->getWindowHandle() == -1)
            return false;
        QWindow *browserWindow = windowWithHandle(WId(record.client->getWindowHandle()));
        if (!browserWindow)
            return false;
        collectCookies(record);
        embedBrowserWindow(record, window, browserWindow);
    } else {
        embedLegacyWidget(record, window);
    }
    record.window = window;
    window->setTitle(record.objectName);
    record.savedVisibility = window->visibility();
    trackGeometry(record, window);

    window->setWidth(window->width() + 1);
    window->setWidth(window->width() - 1);
    window->setHeight(window->height() + 1);
    window->setHeight(window->height() - 1);
    if (const WindowRecord *father = findWindow(record.fatherName); father && father->window)
        window->setPosition(father->window->position() + QPoint(record.offsetX, record.offsetY));
    return true;
}

// Legacy windows opened later carry the cookies the engine would send to this
// window's address now.
void QCefView::collectCookies(const WindowRecord &record)
{
    if (CefCookieManager *cookies = CefCookieManager::GetGlobalManager())
        cookies->VisitUrlCookies(record.url, true, record.client.data());
}

// The browser's window moves into the scene's window and fills it.
void QCefView::embedBrowserWindow(WindowRecord &record, QWindow *window, QWindow *browserWindow)
{
    browserWindow->setParent(window);
    browserWindow->resize(record.width, record.height);
    browserWindow->setPosition(0, 0);
    browserWindow->setVisible(true);
    record.browserWindow = browserWindow;
    record.browserId = record.client->getBrowser()->identifier();

    connect(record.client.data(), &QCefClient::sgWebMsgReceived, this, &QCefView::sgWebMsgReceived);
    connect(window, &QWindow::widthChanged, browserWindow, &QWindow::setWidth);
    connect(window, &QWindow::heightChanged, browserWindow, &QWindow::setHeight);
}

// The widget's own native window becomes a child of the scene's window.
void QCefView::embedLegacyWidget(WindowRecord &record, QWindow *window)
{
    auto *widget = new QIE(legacyProfile(), record.url, m_cookieTable);
    widget->winId();
    widget->windowHandle()->setParent(window);
    widget->navigate(record.url);
    widget->setName(record.objectName);
    widget->resize(record.width, record.height);
    widget->move(0, 0);
    widget->show();
    record.ieWidget = widget;

    connect(window, &QWindow::widthChanged, widget,
        [widget](int width) { widget->resize(width, widget->height()); });
    connect(window, &QWindow::heightChanged, widget,
        [widget](int height) { widget->resize(widget->width(), height); });
    connect(widget, &QIE::sgClose, this, &QCefView::onIECloseBrowser);
}

// One store for every legacy window, kept apart from the engine windows' own,
// under the data folder.
QWebEngineProfile *QCefView::legacyProfile()
{
    if (!m_legacyProfile) {
        m_legacyProfile = new QWebEngineProfile(QStringLiteral("legacy"), this);
        const QString path = DirHelper::instance()->legacyPath();
        m_legacyProfile->setPersistentStoragePath(path);
        m_legacyProfile->setCachePath(path + QStringLiteral("/cache"));
    }
    return m_legacyProfile;
}

void QCefView::trackGeometry(WindowRecord &record, QWindow *window)
{
    const QString name = record.objectName;
    connect(window, &QWindow::widthChanged, this, [this, name](int width) {
        if (WindowRecord *tracked = findWindow(name)) {
            tracked->width = width;
            followFather(name, Change::Width);
        }
    });
    connect(window, &QWindow::heightChanged, this, [this, name](int height) {
        if (WindowRecord *tracked = findWindow(name)) {
            tracked->height = height;
            followFather(name, Change::Height);
        }
    });
    connect(window, &QWindow::xChanged, this, [this, name] {
        if (!m_dragging)
            followFather(name, Change::X);
    });
    connect(window, &QWindow::yChanged, this, [this, name] {
        if (!m_dragging)
            followFather(name, Change::Y);
    });
}

// A window that changed keeps its distance to its father's edge, and carries
// its children along; their own tracking carries the grandchildren.
void QCefView::followFather(const QString &name, Change change)
{
    WindowRecord *record = findWindow(name);
    if (!record || !record->window)
        return;
    if (const WindowRecord *father = findWindow(record->fatherName)) {
        if (change == Change::Width)
            record->marginRight = father->width - record->offsetX - record->width;
        if (change == Change::Height)
            record->marginBottom = father->height - record->offsetY - record->height;
    }
    const QStringList children = record->children;
    for (const QString &childName : children) {
        const WindowRecord *child = findWindow(childName);
        if (!child || !child->window)
            continue;
        QWindow *window = record->window;
        switch (change) {
        case Change::X:
            child->window->setX(window->x() + child->offsetX);
            break;
        case Change::Y:
            child->window->setY(window->y() + child->offsetY);
            break;
        case Change::Width:
            child->window->setWidth(window->width() - child->marginRight - child->offsetX);
            break;
        case Change::Height:
            child->window->setHeight(window->height() - child->marginBottom - child->offsetY);
            break;
        }
    }
}

// Queries:

QString QCefView::getCefClients(const QString &objectName, bool containSelf) const
{
    const WindowRecord *record = findWindow(objectName);
    if (!record)
        return QStringLiteral("[]");
    QStringList names = record->children;
    if (!record->fatherName.isEmpty()) {
        const WindowRecord *father = findWindow(record->fatherName);
        names = father ? father->children : QStringList();
    }
    if (!containSelf)
        names.removeOne(objectName);
    return windowList(names);
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
    if (!record || !record->client || !record->client->getBrowser())
        return;
    record->client->getBrowser()->mainFrame()->sendProcessMessage(
        PID_RENDERER, CefProcessMessage(msg));
}

void QCefView::test()
{
}

// Operations:

WindowRecord *QCefView::attachedWindow(const QString &name) const
{
    WindowRecord *record = findWindow(name);
    return record && record->window ? record : nullptr;
}

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
    if (const WindowRecord *record = attachedWindow(objectName))
        closeOrHide(*record);
}

void QCefView::closeAllBrowser()
{
    QStringList names;
    for (const auto &entry : m_windows)
        names.append(entry.first);
    for (const QString &name : qAsConst(names))
        closeWindow(name);
}

void QCefView::onCloseBrowser(CefRefPtr<CefBrowser> browser)
{
    for (const auto &entry : m_windows) {
        const WindowRecord &record = *entry.second;
        if (record.client && record.client->getBrowser() == browser) {
            const QString name = record.objectName;
            removeFromFather(record);
            emit sgCloseWindow(name);
            unregister(name);
            return;
        }
    }
}

void QCefView::onIECloseBrowser(const QString &objectName)
{
    if (const WindowRecord *record = findWindow(objectName)) {
        record->ieWidget->deleteLater();
        removeFromFather(*record);
        emit sgCloseWindow(objectName);
    }
    unregister(objectName);
}

// A legacy browser has to go while the engine is still there; the deletions
// this defers run once more after the event loop has ended.
void QCefView::closeLegacyWindows()
{
    QList<QWindow *> legacyWindows;
    for (const auto &entry : m_windows) {
        if (entry.second->ieWidget)
            legacyWindows.append(entry.second->window);
    }
    for (QWindow *window : qAsConst(legacyWindows))
        window->close();
}

void QCefView::removeFromFather(const WindowRecord &record)
{
    if (WindowRecord *father = findWindow(record.fatherName))
        father->children.removeOne(record.objectName);
}

void QCefView::unregister(const QString &name)
{
    m_windows.erase(name);
    if (m_currentPopup == name)
        m_currentPopup.clear();
}

void QCefView::setWindowStatus(const QString &objectName, const QString &status)
{
    WindowRecord *record = attachedWindow(objectName);
    if (!record)
        return;
    const QPoint cursor = QCursor::pos();
    if (status == QLatin1String("Maximized")) {
        saveNormalGeometry(*record);
        applyGeometry(record->window, Tools::instance()->getNowAvailableRect(cursor));
        record->maximized = true;
        record->fullScreen = false;
    } else if (status == QLatin1String("FullScreen")) {
        saveNormalGeometry(*record);
        applyGeometry(record->window, Tools::instance()->getNowDesktopRect(cursor));
        record->fullScreen = true;
    } else if (status == QLatin1String("Windowed")) {
        record->window->setVisibility(QWindow::Windowed);
        if (record->maximized || record->fullScreen) {
            record->maximized = false;
            record->fullScreen = false;
            applyGeometry(record->window,
                QRect(record->normalX, record->normalY, record->normalWidth, record->normalHeight));
        }
    } else if (status == QLatin1String("Minimized")) {
        m_mainWindow->setVisibility(QWindow::Minimized);
    }
}

void QCefView::saveNormalGeometry(WindowRecord &record)
{
    record.normalX = record.window->x();
    record.normalY = record.window->y();
    record.normalWidth = record.window->width();
    record.normalHeight = record.window->height();
}

// One call per coordinate, so each change reaches the children on its own.
void QCefView::applyGeometry(QWindow *window, const QRect &frame)
{
    window->setX(frame.x());
    window->setY(frame.y());
    window->setWidth(frame.width());
    window->setHeight(frame.height());
}

void QCefView::restoreFullScreenWindows()
{
    for (const auto &entry : m_windows) {
        WindowRecord &record = *entry.second;
        if (!record.fullScreen || !record.window)
            continue;
        record.fullScreen = false;
        applyGeometry(record.window,
            QRect(record.normalX, record.normalY, record.normalWidth, record.normalHeight));
    }
}

void QCefView::switchWindow(const QString &objectName, const QString &needHide)
{
    WindowRecord *record = attachedWindow(objectName);
    if (!record)
        return;
    if (isOn(needHide)) {
        for (const auto &entry : m_windows) {
            WindowRecord &other = *entry.second;
            const bool hides = record->fatherName.isEmpty()
                ? record->children.contains(other.objectName)
                : other.fatherName == record->fatherName && other.needHide
                    && other.objectName != objectName;
            if (hides && other.window) {
                other.window->setVisible(false);
                other.shown = false;
            }
        }
    }
    const QWindow::Visibility visibility = record->window->visibility();
    if (visibility == QWindow::Hidden || visibility == QWindow::Minimized) {
        record->window->setVisibility(QWindow::AutomaticVisibility);
        record->shown = true;
    }
    record->window->raise();
    raiseFrontWindows(record->browserId);
    if (WindowRecord *father = findWindow(record->fatherName)) {
        father->children.removeOne(objectName);
        father->children.prepend(objectName);
    }
}

void QCefView::moveWindow(const QString &objectName)
{
    if (WindowRecord *record = attachedWindow(objectName); record && m_dragHook)
        m_dragHook->startMove(record);
}

void QCefView::resizeWindow(const QString &objectName, const QString &width, const QString &height)
{
    WindowRecord *record = attachedWindow(objectName);
    if (!record || !m_dragHook)
        return;
    m_dragHook->startResize(record, isOn(width) ? record->window->width() : 0,
        isOn(height) ? record->window->height() : 0);
}

// The focus went to another window of the shell: an open popup closes.
void QCefView::hideWindow(const QString &objectName)
{
    if (!m_currentPopup.isEmpty() && m_currentPopup != objectName) {
        if (const WindowRecord *popup = attachedWindow(m_currentPopup))
            popup->window->close();
        m_currentPopup.clear();
    }
    const WindowRecord *record = attachedWindow(objectName);
    if (!record)
        return;
    if (record->lostFocusHide)
        m_currentPopup = objectName;
    if (!record->shown)
        record->window->setVisible(false);
}

void QCefView::setWindowHidden(bool flag)
{
    if (!flag) {
        m_trayIcon->hide();
        restoreShell();
        return;
    }
    m_mainWindow->setVisibility(QWindow::Hidden);
    for (const auto &entry : m_windows) {
        WindowRecord &record = *entry.second;
        if (!record.window)
            continue;
        record.savedVisibility = record.window->visibility();
        record.window->setVisibility(QWindow::Hidden);
    }
}

void QCefView::restoreShell()
{
    m_mainWindow->setVisibility(QWindow::Windowed);
    for (const auto &entry : m_windows) {
        const WindowRecord &record = *entry.second;
        if (record.window)
            record.window->setVisibility(record.savedVisibility);
    }
}

// Without a system tray (a bare X server has none) there is nothing to show.
void QCefView::setTrayIcon(bool flag)
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        m_trayIcon->setVisible(flag);
}

void QCefView::onTrayActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::Trigger)
        return;
    m_trayIcon->hide();
    restoreShell();
}

// A legacy window goes back to the address it was opened with.
void QCefView::reload(const QString &objectName)
{
    const WindowRecord *record = attachedWindow(objectName);
    if (record && record->ieWidget)
        record->ieWidget->navigate(record->url);
    else if (record && record->client)
        record->client->getBrowser()->reloadIgnoreCache();
}

void QCefView::load(const QString &objectName, const QString &url)
{
    const WindowRecord *record = attachedWindow(objectName);
    if (record && record->ieWidget)
        record->ieWidget->navigate(url);
    else if (record && record->client)
        record->client->getBrowser()->mainFrame()->loadUrl(url);
}

void QCefView::openUrl(const QString &url)
{
    QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

void QCefView::setHookPopup(const QString &objectName)
{
    m_hookPopupName = objectName;
}

// Both run in the engine's own threads: the scene goes on meanwhile.
void QCefView::clearIECache()
{
    legacyProfile()->clearHttpCache();
    legacyProfile()->cookieStore()->deleteAllCookies();
}

// The name goes in as a JSON string, so that any name reaches the page as
// itself and never as script. The object keeps its members sorted, which puts
// "Download" first, where pages have always found it.
void QCefView::onDownload(
    CefRefPtr<CefBrowser> browser, int progress, const QString &state, const QString &fileName)
{
    QJsonObject push { { QStringLiteral("Download"), fileName } };
    if (state == QLatin1String("Downloading"))
        push.insert(QStringLiteral("Progress"), QString::number(progress));
    else if (state == QLatin1String("Succeed"))
        push.insert(QStringLiteral("State"), state);
    const QString script = BridgePush::script(push);
    for (const auto &entry : m_windows) {
        if (entry.second->browserId == browser->identifier())
            sendToWeb(entry.first, script);
    }
}

void QCefView::onSendCookie(const QString &cookieName, const QString &cookie)
{
    m_cookieTable.insert(cookieName, cookie);
}

// Splash hand-over: the window whose page loaded last appears two seconds
// later, and the scene closes its splash.
void QCefView::onLoadEnd(CefRefPtr<CefBrowser> browser)
{
    m_lastLoadedBrowser = browser;
    m_logoTimer->start(kLogoDelayMs);
}

void QCefView::onLogoTimer()
{
    if (!m_lastLoadedBrowser)
        return;
    for (const auto &entry : m_windows) {
        const WindowRecord &record = *entry.second;
        if (record.client && record.window
            && record.browserId == m_lastLoadedBrowser->identifier()) {
            record.window->setVisible(true);
            emit sgCloseLogo();
            m_logoTimer->stop();
        }
    }
}
