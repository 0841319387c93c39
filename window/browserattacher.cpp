#include "window/browserattacher.h"

#include "cef/cefbrowser.h"
#include "window/legacywindows.h"
#include "window/windowfollower.h"
#include "window/windowregistry.h"

#include <QWindow>

BrowserAttacher::BrowserAttacher(QWindow *mainWindow, WindowRegistry &registry,
    LegacyWindows &legacy, WindowFollower &follower,
    std::function<void(WindowRecord &)> createBrowser, QObject *parent)
    : QObject(parent)
    , m_mainWindow(mainWindow)
    , m_registry(registry)
    , m_legacy(legacy)
    , m_follower(follower)
    , m_createBrowser(std::move(createBrowser))
{
}

void BrowserAttacher::enqueue(const QString &name)
{
    m_pending.append(name);
}

QWindow *BrowserAttacher::sceneWindow(const WindowRecord &record) const
{
    if (record.window)
        return record.window;
    return m_mainWindow->findChild<QWindow *>(record.objectName);
}

void BrowserAttacher::attachNextPending()
{
    if (m_pending.isEmpty())
        return;
    WindowRecord *record = m_registry.find(m_pending.first());
    if (!record) {
        m_pending.removeFirst();
        return;
    }
    if (!record->isIE && !record->client)
        m_createBrowser(*record);
    QWindow *window = m_mainWindow->findChild<QWindow *>(record->objectName);
    if (window && attach(*record, window)) {
        m_pending.removeFirst();
        emit sgAttached(record->objectName);
    }
}

bool BrowserAttacher::attach(WindowRecord &record, QWindow *window)
{
    if (!record.isIE) {
        const CefRefPtr<CefBrowser> browser = record.browser();
        QWindow *browserWindow = browser ? browser->window() : nullptr;
        if (!browserWindow)
            return false;
        m_legacy.collectCookies(record);
        record.browserId = browser->identifier();
        embed(record, window, browserWindow);
    } else {
        embed(record, window, m_legacy.open(record));
    }
    record.window = window;
    window->setTitle(record.objectName);
    record.savedVisibility = window->visibility();
    m_follower.track(record, window);
    settle(record, window);
    return true;
}

// The page's window moves into the scene's window and fills it.
void BrowserAttacher::embed(WindowRecord &record, QWindow *window, QWindow *browserWindow)
{
    browserWindow->setParent(window);
    browserWindow->resize(record.size);
    browserWindow->setPosition(0, 0);
    browserWindow->setVisible(true);
    record.browserWindow = browserWindow;

    connect(window, &QWindow::widthChanged, browserWindow, &QWindow::setWidth);
    connect(window, &QWindow::heightChanged, browserWindow, &QWindow::setHeight);
    // Qt moves a child window with its parent without a word to it, and the engine learns
    // where its view is on the screen only from its own window's moves: it would open a
    // <select> list where the window stood when the page was shown.
    const auto tellMoved = [browserWindow] { emit browserWindow->xChanged(browserWindow->x()); };
    connect(window, &QWindow::xChanged, browserWindow, tellMoved);
    connect(window, &QWindow::yChanged, browserWindow, tellMoved);
}

// A size nudge makes the freshly reparented content lay itself out; a child
// takes its place beside its father as the father stands now.
void BrowserAttacher::settle(const WindowRecord &record, QWindow *window)
{
    window->setWidth(window->width() + 1);
    window->setWidth(window->width() - 1);
    window->setHeight(window->height() + 1);
    window->setHeight(window->height() - 1);
    if (const WindowRecord *father = m_registry.find(record.fatherName); father && father->window)
        window->setPosition(father->window->position() + record.offset);
}
