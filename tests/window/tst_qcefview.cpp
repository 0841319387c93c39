#include "cef/cefbrowser.h"
#include "cef/qcefclient.h"
#include "cef/screenwakelocks.h"
#include "debugcapture.h"
#include "engine/pagerequests.h"
#include "enginetest.h"
#include "fakeengine.h"
#include "fakeshell.h"
#include "window/qcefview.h"

#include <QElapsedTimer>
#include <QJSValue>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>

#include <algorithm>
#include <functional>
#include <utility>

namespace {

// Browsers appear, load and close on later turns of the event loop.
constexpr int kEngineTimeout = 5000;
// Past the splash hand-over's two seconds, for things that must not happen.
constexpr int kPastLogoDelayMs = 4000;

// The test installation trusts the loopback address; the fake engine serves every page of it.
const QString kSite = QStringLiteral("http://127.0.0.1:8");

bool isDescendant(const QObject *object, const QObject *ancestor)
{
    for (; object; object = object->parent()) {
        if (object == ancestor)
            return true;
    }
    return false;
}

// The arguments of one openWindow call, with the defaults most cases use.
class Opening
{
public:
    explicit Opening(const QString &name)
        : m_name(name)
    {
    }

    Opening &under(const QString &father)
    {
        m_father = father;
        return *this;
    }
    Opening &at(
        const QString &rect, const QString &align = QString(), const QString &valign = QString())
    {
        m_rect = rect;
        m_align = align;
        m_valign = valign;
        return *this;
    }
    Opening &page(const QString &path)
    {
        m_path = path;
        return *this;
    }
    Opening &url(const QString &url)
    {
        m_url = url;
        return *this;
    }
    Opening &needingHide()
    {
        m_needHide = QStringLiteral("1");
        return *this;
    }
    Opening &popup()
    {
        m_lostFocusHide = QStringLiteral("1");
        return *this;
    }
    Opening &inFront()
    {
        m_front = QStringLiteral("1");
        return *this;
    }
    Opening &hidden()
    {
        m_visible = false;
        return *this;
    }

    QString name() const { return m_name; }
    void openWith(QCefView *windows) const
    {
        windows->openWindow(m_name, m_father, QString(), m_url.isEmpty() ? kSite + m_path : m_url,
            m_rect, m_align, m_valign, m_needHide, m_lostFocusHide, m_front, m_visible);
    }

private:
    QString m_name;
    QString m_father;
    QString m_path = QStringLiteral("/red.html");
    QString m_url;
    QString m_rect = QStringLiteral("0,0,300,200");
    QString m_align;
    QString m_valign;
    QString m_needHide;
    QString m_lostFocusHide;
    QString m_front;
    bool m_visible = true;
};

// Holds back the engine's creation of one browser (a queued call to its
// client) and runs the rest of the program meanwhile: that browser is slow.
class BrowserCreationHold : public QObject
{
public:
    BrowserCreationHold(QObject *client, std::function<void()> whileHeld)
        : m_client(client)
        , m_whileHeld(std::move(whileHeld))
    {
        m_client->installEventFilter(this);
    }
    ~BrowserCreationHold() override
    {
        if (m_client)
            m_client->removeEventFilter(this);
    }

    bool held() const { return m_held; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::MetaCall && !m_held) {
            m_held = true;
            m_whileHeld();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QObject> m_client;
    std::function<void()> m_whileHeld;
    bool m_held = false;
};

} // namespace

// The window manager with the real scene on the fake engine: windows opened
// by name, attached, placed, followed, switched, hidden and closed.
class TestQCefView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    // Runs first: the splash is closed once for the whole process.
    void startupWindowAppearsAfterItsPageLoaded();
    void openingAnnouncesTheWindowToTheScene_data();
    void openingAnnouncesTheWindowToTheScene();
    void browserFillsItsSceneWindow();
    void openingAnExistingNameOnlyLoads();
    void schemeLessUrlLoadsOverHttp();
    void pagesAreReachedByWindowName();
    void popupWithoutHookWindowIsLogged();
    void childGrowsWithItsFatherUnlessPopup_data();
    void childGrowsWithItsFatherUnlessPopup();
    void childOfAnUnattachedFatherIsPlacedInIt();
    void queriesDescribeTheFamily();
    void slowBrowserKeepsLaterWindowsPending();
    void childrenFollowTheirFather();
    void windowStatesRestoreTheSavedGeometry_data();
    void windowStatesRestoreTheSavedGeometry();
    void minimizedActsOnTheMainView_data();
    void minimizedActsOnTheMainView();
    void elementFullScreenIsTheWindowsState();
    void needHideAndSwitching();
    void popupClosesWhenAnotherShellWindowIsFocused();
    void closingAPopupOnlyHidesIt();
    void hidingTheShellRestoresEachWindow();
    void pagesOutOfSightAreTold();
    void screenWakeLocksFollowTheirPage();
    void closingRemovesTheRecordOnceTheBrowserHasClosed();
    void closeForANameWithoutWindowIsHarmless();
    void namesThatBreakTheListAreRefused_data();
    void namesThatBreakTheListAreRefused();

private:
    void announce(const Opening &opening);
    WindowRecord *waitForAttachment(const QString &name);
    WindowRecord *open(const Opening &opening);
    WindowRecord *openLoaded(const Opening &opening);
    QQuickWindow *splash() const;
    QVariantMap sceneWindowMap() const;

    // Loads of the address's path by every page so far.
    int loadsOf(const QString &path) const;

    FakeShell m_shell;
    QCefView *m_windows = nullptr;
    QStringList m_opened;
};

void TestQCefView::initTestCase()
{
    // Closing the splash or the last test window must not end the run.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QVERIFY(m_shell.start());
    m_windows = m_shell.windows();
    m_shell.profile()->setServing(true);
}

void TestQCefView::cleanupTestCase()
{
    m_windows->closeAllBrowser();
}

void TestQCefView::init()
{
    m_opened.clear();
}

// Popups only hide on closeWindow: their scene window is closed directly.
// A window a failed case left unattached is closed once it attaches.
void TestQCefView::cleanup()
{
    QVERIFY(m_shell.scene().closeWindows(m_opened));
    m_windows->setDragging(false);
    m_shell.scene().view().setVisibility(QWindow::Windowed);
}

void TestQCefView::announce(const Opening &opening)
{
    m_opened.append(opening.name());
    opening.openWith(m_windows);
}

int TestQCefView::loadsOf(const QString &path) const
{
    int loads = 0;
    for (const FakePage *page : m_shell.profile()->pages()) {
        loads += std::count_if(page->loads().cbegin(), page->loads().cend(),
            [&path](const QUrl &url) { return url.path() == path; });
    }
    return loads;
}

WindowRecord *TestQCefView::waitForAttachment(const QString &name)
{
    const auto attached = [this, name] {
        const WindowRecord *record = m_windows->findWindow(name);
        return record && record->window;
    };
    return QTest::qWaitFor(attached, kEngineTimeout) ? m_windows->findWindow(name) : nullptr;
}

WindowRecord *TestQCefView::open(const Opening &opening)
{
    announce(opening);
    return waitForAttachment(opening.name());
}

// Attached, and its page has loaded with status 200.
WindowRecord *TestQCefView::openLoaded(const Opening &opening)
{
    announce(opening);
    QSignalSpy loadEnds(
        m_windows->findWindow(opening.name())->client.data(), &QCefClient::sgLoadEnd);
    WindowRecord *record = waitForAttachment(opening.name());
    return record && (!loadEnds.isEmpty() || loadEnds.wait(kEngineTimeout)) ? record : nullptr;
}

// The only window of the scene that has no name.
QQuickWindow *TestQCefView::splash() const
{
    const QList<QQuickWindow *> windows
        = m_shell.scene().view().rootObject()->findChildren<QQuickWindow *>(
            QString(), Qt::FindDirectChildrenOnly);
    for (QQuickWindow *window : windows) {
        if (window->objectName().isEmpty())
            return window;
    }
    return nullptr;
}

void TestQCefView::startupWindowAppearsAfterItsPageLoaded()
{
    QQuickWindow *logo = splash();
    QVERIFY(logo);
    QTRY_VERIFY(logo->isVisible());
    QCOMPARE(logo->flags(), m_shell.scene().view().flags());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QVERIFY(qAbs(logo->x() - (screen.width() - logo->width()) / 2) <= 1);
    QVERIFY(qAbs(logo->y() - (screen.height() - logo->height()) / 2) <= 1);
    QSignalSpy logoCloses(m_windows, &QCefView::sgCloseLogo);

    // A page that fails with 404 hands nothing over.
    m_shell.profile()->setServing(false);
    WindowRecord *missing = open(Opening("missing").page("/missing.html").hidden());
    m_shell.profile()->setServing(true);
    QVERIFY(missing);
    FakePage *missingPage = m_shell.waitForPage(QStringLiteral("missing"));
    QVERIFY(missingPage);
    missingPage->finishLoad(404);
    QTest::qWait(kPastLogoDelayMs);
    QCOMPARE(logoCloses.count(), 0);
    QVERIFY(!missing->window->isVisible());
    QVERIFY(logo->isVisible());

    // The start-up window, opened as the program opens it.
    QSignalSpy announced(m_windows, &QCefView::sgOpenNewWindow);
    m_opened.append(QStringLiteral("login"));
    m_windows->openWindow(QStringLiteral("login"), QString(), QString(),
        kSite + QStringLiteral("/red.html"), QStringLiteral("0,0,300,500"),
        QStringLiteral("Center"), QStringLiteral("VCenter"), QString(), QString(), QString(),
        false);
    QCOMPARE(announced.count(), 1);
    const QJsonObject json
        = QJsonDocument::fromJson(announced.at(0).at(1).toString().toUtf8()).object();
    QCOMPARE(json.value("x").toInt(), (screen.width() - 300) / 2);
    QCOMPARE(json.value("y").toInt(), (screen.height() - 500) / 2);
    QCOMPARE(json.value("visible").toBool(), false);
    QCefClient *loginClient = m_windows->findWindow(QStringLiteral("login"))->client.data();
    QSignalSpy loadEnds(loginClient, &QCefClient::sgLoadEnd);
    // As a portal opens a window once its own page has loaded: that window's page, loading
    // last, must not keep the start-up window from appearing.
    const Opening news = Opening("news").page("/green.html");
    QElapsedTimer sinceLoginLoaded;
    qint64 newsLoadedAfterMs = -1;
    QObject scope;
    connect(loginClient, &QCefClient::sgLoadEnd, &scope, [&] {
        if (sinceLoginLoaded.isValid())
            return;
        sinceLoginLoaded.start();
        announce(news);
        connect(m_windows->findWindow(news.name())->client.data(), &QCefClient::sgLoadEnd, &scope,
            [&] { newsLoadedAfterMs = sinceLoginLoaded.elapsed(); });
    });
    WindowRecord *login = waitForAttachment(QStringLiteral("login"));
    QVERIFY(login);
    QTRY_COMPARE_WITH_TIMEOUT(loadEnds.count(), 1, kEngineTimeout);
    QVERIFY(!login->window->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(newsLoadedAfterMs >= 0, kEngineTimeout);
    QVERIFY2(
        newsLoadedAfterMs < 2000, "the other page loaded after the hand-over, proving nothing");

    QTRY_VERIFY_WITH_TIMEOUT(login->window->isVisible(), kEngineTimeout);
    QCOMPARE(logoCloses.count(), 1);
    QVERIFY(!logo->isVisible());
    QCOMPARE(login->window->geometry(),
        QRect((screen.width() - 300) / 2, (screen.height() - 500) / 2, 300, 500));
    QVERIFY(!missing->window->isVisible());
}

void TestQCefView::openingAnnouncesTheWindowToTheScene_data()
{
    QTest::addColumn<QString>("rect");
    QTest::addColumn<QString>("align");
    QTest::addColumn<QString>("valign");
    QTest::addColumn<bool>("front");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QRect>("frame");

    const QString none;
    QTest::newRow("rect gives the corners") << QStringLiteral("10,20,310,220") << none << none
                                            << false << true << QRect(10, 20, 300, 200);
    const QSize screen = QGuiApplication::primaryScreen()->size();
    QTest::newRow("centred, odd width")
        << QStringLiteral("0,0,301,201") << QStringLiteral("Center") << QStringLiteral("VCenter")
        << false << true
        << QRect((screen.width() - 301) / 2, (screen.height() - 201) / 2, 301, 201);
    QTest::newRow("right bottom") << QStringLiteral("0,0,300,200") << QStringLiteral("Right")
                                  << QStringLiteral("Bottom") << false << true
                                  << QRect(screen.width() - 300, screen.height() - 200, 300, 200);
    QTest::newRow("hidden") << QStringLiteral("10,20,310,220") << none << none << false << false
                            << QRect(10, 20, 300, 200);
    QTest::newRow("front is modal") << QStringLiteral("10,20,310,220") << none << none << true
                                    << true << QRect(10, 20, 300, 200);
}

void TestQCefView::openingAnnouncesTheWindowToTheScene()
{
    QFETCH(QString, rect);
    QFETCH(QString, align);
    QFETCH(QString, valign);
    QFETCH(bool, front);
    QFETCH(bool, visible);
    QFETCH(QRect, frame);
    QSignalSpy announced(m_windows, &QCefView::sgOpenNewWindow);
    Opening opening("announced");
    opening.at(rect, align, valign);
    if (front)
        opening.inFront();
    if (!visible)
        opening.hidden();
    announce(opening);

    QCOMPARE(announced.count(), 1);
    QVERIFY(!announced.at(0).at(0).value<QObject *>());
    const QByteArray text = announced.at(0).at(1).toString().toUtf8();
    const QJsonDocument document = QJsonDocument::fromJson(text);
    QCOMPARE(text, document.toJson(QJsonDocument::Indented));
    QJsonObject expected { { "objectName", "announced" }, { "x", frame.x() }, { "y", frame.y() },
        { "width", frame.width() }, { "height", frame.height() },
        { "flags", int(m_shell.scene().view().flags()) }, { "visible", visible } };
    if (front)
        expected.insert("modality", 1);
    QCOMPARE(document.object(), expected);

    // The scene made the window from exactly these properties.
    const WindowRecord *record = waitForAttachment(QStringLiteral("announced"));
    QVERIFY(record);
    // Attachment nudges the size to bring the browser in; the X server's answers to the
    // nudge may still be on their way.
    QTRY_COMPARE(record->window->geometry(), frame);
    QCOMPARE(record->window->isVisible(), visible);
    QCOMPARE(record->window->modality(), front ? Qt::WindowModal : Qt::NonModal);
    QCOMPARE(record->window->title(), QStringLiteral("announced"));
    QCOMPARE(record->size, frame.size());
}

void TestQCefView::browserFillsItsSceneWindow()
{
    WindowRecord *record = open(Opening("onscreen").at("100,100,400,300"));
    QVERIFY(record);
    QCOMPARE(record->browserWindow->parent(), record->window);
    QCOMPARE(record->browserWindow->geometry(), QRect(0, 0, 300, 200));
    QCOMPARE(record->browserId, record->client->getBrowser()->identifier());
    QCOMPARE(record->window->geometry(), QRect(100, 100, 300, 200));

    // The browser keeps filling the window as it grows.
    record->window->setWidth(400);
    QTRY_COMPARE(record->browserWindow->width(), 400);
    QCOMPARE(record->size.width(), 400);
}

void TestQCefView::openingAnExistingNameOnlyLoads()
{
    WindowRecord *record = open(Opening("existing"));
    QVERIFY(record);
    QVERIFY(m_shell.waitForPage(QStringLiteral("existing")));
    const int greenLoads = loadsOf(QStringLiteral("/green.html"));
    QSignalSpy announced(m_windows, &QCefView::sgOpenNewWindow);

    announce(Opening("existing").page("/green.html").at("0,0,500,400").popup().inFront());
    QTRY_COMPARE_WITH_TIMEOUT(
        loadsOf(QStringLiteral("/green.html")), greenLoads + 1, kEngineTimeout);
    QCOMPARE(announced.count(), 0);
    QCOMPARE(m_windows->findWindow(QStringLiteral("existing")), record);
    QCOMPARE(record->window->size(), QSize(300, 200));
    QVERIFY(!record->lostFocusHide);
    QVERIFY(!record->front);
    // The opening URL stays the window's own.
    QCOMPARE(record->url, kSite + QStringLiteral("/red.html"));

    // A reload fetches the page shown now, bypassing the cache.
    m_windows->reload(QStringLiteral("existing"));
    QTRY_COMPARE_WITH_TIMEOUT(
        loadsOf(QStringLiteral("/green.html")), greenLoads + 2, kEngineTimeout);
}

// The main URL's form: no scheme, a host name and a port.
void TestQCefView::schemeLessUrlLoadsOverHttp()
{
    const QString host = QStringLiteral("www.lumen.localhost:8");
    announce(Opening("schemeless").url(host + QStringLiteral("/?v=1.0.2")));
    QSignalSpy loadEnds(
        m_windows->findWindow(QStringLiteral("schemeless"))->client.data(), &QCefClient::sgLoadEnd);
    FakePage *page = m_shell.waitForPage(QStringLiteral("schemeless"));
    QVERIFY(page);
    QCOMPARE(page->loads(), QList<QUrl> { QUrl(QStringLiteral("http://") + host + "/?v=1.0.2") });
    QTRY_COMPARE_WITH_TIMEOUT(loadEnds.count(), 1, kEngineTimeout);
}

void TestQCefView::pagesAreReachedByWindowName()
{
    QVERIFY(openLoaded(Opening("listener").page("/talk.html")));
    QVERIFY(openLoaded(Opening("speaker").page("/talk.html")));
    FakePage *listener = m_shell.pageOf(QStringLiteral("listener"));
    FakePage *speaker = m_shell.pageOf(QStringLiteral("speaker"));
    QSignalSpy messages(m_windows, &QCefView::sgWebMsgReceived);

    const QString script = QStringLiteral("qtSlots({\"probe\":1})");
    m_windows->sendToWeb(QStringLiteral("listener"), script);
    QVERIFY(listener->scripts().contains(script));
    QVERIFY(!speaker->scripts().contains(script));
    listener->callBridge(QStringLiteral("listener"), QStringLiteral("7"), "{\"probe\":1}");
    QTRY_COMPARE_WITH_TIMEOUT(messages.count(), 1, kEngineTimeout);
    const QJsonObject message
        = QJsonDocument::fromJson(messages.at(0).at(0).toString().toUtf8()).object();
    QCOMPARE(message.value("name").toString(), QStringLiteral("listener"));
    QCOMPARE(message.value("id").toString(), QStringLiteral("7"));
    QCOMPARE(message.value("request").toString(), QStringLiteral("{\"probe\":1}"));

    // A page asking for a new view is reported to the hook window's page.
    m_windows->setHookPopup(QStringLiteral("listener"));
    speaker->requestPopup(QUrl(kSite + QStringLiteral("/blue.html")), true);
    QTRY_VERIFY(listener->scripts().contains(
        QStringLiteral("qtSlots({\"HookPopup\":\"%1/blue.html\"})").arg(kSite)));
    QVERIFY(speaker->scripts().filter(QStringLiteral("HookPopup")).isEmpty());
    m_windows->setHookPopup(QString());
}

// No page hears of it, and no window opens: the log tells where the popup went.
void TestQCefView::popupWithoutHookWindowIsLogged()
{
    QVERIFY(openLoaded(Opening("opener").page("/talk.html")));
    DebugCapture debug;
    const QString target = kSite + QStringLiteral("/blue.html");
    m_shell.pageOf(QStringLiteral("opener"))->requestPopup(QUrl(target), true);
    QTRY_COMPARE(
        debug.lines()
            .filter(QStringLiteral("popup to %1 dropped: no window takes popups").arg(target))
            .size(),
        1);
}

void TestQCefView::childGrowsWithItsFatherUnlessPopup_data()
{
    QTest::addColumn<bool>("popup");
    QTest::addColumn<QSize>("size");
    QTest::newRow("child grows by the father's growth") << false << QSize(200, 70);
    QTest::newRow("popup keeps the size asked for") << true << QSize(100, 50);
}

void TestQCefView::childGrowsWithItsFatherUnlessPopup()
{
    QFETCH(bool, popup);
    QFETCH(QSize, size);
    WindowRecord *father = open(Opening("grower").at("50,40,450,340"));
    QVERIFY(father);
    father->window->setWidth(500);
    father->window->setHeight(320);
    QTRY_COMPARE(father->size, QSize(500, 320));

    QSignalSpy announced(m_windows, &QCefView::sgOpenNewWindow);
    Opening child("sprout");
    child.under("grower").at("10,20,110,70");
    if (popup)
        child.popup();
    announce(child);
    QCOMPARE(announced.count(), 1);
    const QJsonObject json
        = QJsonDocument::fromJson(announced.at(0).at(1).toString().toUtf8()).object();
    QCOMPARE(QRect(json.value("x").toInt(), json.value("y").toInt(), json.value("width").toInt(),
                 json.value("height").toInt()),
        QRect(QPoint(60, 60), size));

    const WindowRecord *record = waitForAttachment(QStringLiteral("sprout"));
    QVERIFY(record);
    QCOMPARE(record->openSize, QSize(100, 50));
    QTRY_COMPARE(record->window->geometry(), QRect(QPoint(60, 60), size));
    QCOMPARE(record->size, size);
    // The scene parented the child's window into the father's.
    QVERIFY(isDescendant(record->window, father->window));
    QVERIFY(isDescendant(announced.at(0).at(0).value<QObject *>(), father->window));
}

// Both opened in one go, as a page opens a window and its child: the child
// is placed in the father's announced window before either is attached.
void TestQCefView::childOfAnUnattachedFatherIsPlacedInIt()
{
    QSignalSpy announced(m_windows, &QCefView::sgOpenNewWindow);
    announce(Opening("newcomer").at("100,100,500,400"));
    announce(Opening("newcomerChild").under("newcomer").at("10,20,110,70"));
    QVERIFY(!m_windows->findWindow(QStringLiteral("newcomer"))->window);
    QCOMPARE(announced.count(), 2);
    const QJsonObject json
        = QJsonDocument::fromJson(announced.at(1).at(1).toString().toUtf8()).object();
    QCOMPARE(QPoint(json.value("x").toInt(), json.value("y").toInt()), QPoint(110, 120));

    const WindowRecord *father = waitForAttachment(QStringLiteral("newcomer"));
    QVERIFY(father);
    const WindowRecord *child = waitForAttachment(QStringLiteral("newcomerChild"));
    QVERIFY(child);
    QVERIFY(isDescendant(child->window, father->window));
    QTRY_COMPARE(child->window->geometry(), QRect(110, 120, 100, 50));
    father->window->setX(200);
    QTRY_COMPARE(child->window->x(), 210);
}

void TestQCefView::queriesDescribeTheFamily()
{
    QVERIFY(open(Opening("parent")));
    QVERIFY(open(Opening("elder").under("parent")));
    QVERIFY(open(Opening("younger").under("parent")));
    QVERIFY(open(Opening("grandchild").under("elder")));

    QCOMPARE(
        m_windows->getCefClients(QStringLiteral("elder"), true), QStringLiteral("[younger,elder]"));
    QCOMPARE(m_windows->getCefClients(QStringLiteral("elder"), false), QStringLiteral("[younger]"));
    QCOMPARE(m_windows->getCefClients(QStringLiteral("parent"), true),
        QStringLiteral("[younger,elder]"));
    QCOMPARE(m_windows->getCefClients(QStringLiteral("parent"), false),
        QStringLiteral("[younger,elder]"));
    QCOMPARE(m_windows->getCefClients(QStringLiteral("grandchild"), true),
        QStringLiteral("[grandchild]"));
    QCOMPARE(m_windows->getCefClients(QStringLiteral("grandchild"), false), QStringLiteral("[]"));
    QCOMPARE(m_windows->getCefClients(QStringLiteral("nobody"), true), QStringLiteral("[]"));

    QCOMPARE(m_windows->getFatherName(QStringLiteral("parent")), QStringLiteral("parent"));
    QCOMPARE(m_windows->getFatherName(QStringLiteral("younger")), QStringLiteral("parent"));
    QCOMPARE(m_windows->getFatherName(QStringLiteral("grandchild")), QStringLiteral("elder"));
    QCOMPARE(m_windows->getFatherName(QStringLiteral("nobody")), QString());
}

void TestQCefView::slowBrowserKeepsLaterWindowsPending()
{
    QStringList attachments;
    QObject logContext;
    const auto logAttachment = [this, &attachments, &logContext](const QString &name) {
        // Attachment titles the scene window with the name.
        QWindow *window = m_shell.scene().view().findChild<QWindow *>(name);
        connect(window, &QWindow::windowTitleChanged, &logContext,
            [&attachments](const QString &title) { attachments.append(title); });
    };
    announce(Opening("slow"));
    logAttachment(QStringLiteral("slow"));
    bool laterWasReady = false;
    bool laterAttachedMeanwhile = true;
    BrowserCreationHold hold(m_windows->findWindow(QStringLiteral("slow"))->client.data(), [&] {
        laterWasReady = QTest::qWaitFor(
            [this] {
                const WindowRecord *later = m_windows->findWindow(QStringLiteral("later"));
                return later->browser() && later->browser()->window();
            },
            kEngineTimeout);
        // Many ticks go by while the slow browser is still missing.
        QTest::qWait(300);
        laterAttachedMeanwhile = m_windows->findWindow(QStringLiteral("later"))->window;
    });
    announce(Opening("later"));
    logAttachment(QStringLiteral("later"));

    QVERIFY(waitForAttachment(QStringLiteral("later")));
    QVERIFY(hold.held());
    QVERIFY(laterWasReady);
    QVERIFY(!laterAttachedMeanwhile);
    QVERIFY(waitForAttachment(QStringLiteral("slow")));
    QCOMPARE(attachments, QStringList({ "slow", "later" }));
}

void TestQCefView::childrenFollowTheirFather()
{
    WindowRecord *father = open(Opening("leader").at("100,100,500,400"));
    QVERIFY(father);
    WindowRecord *child = open(Opening("follower").under("leader").at("20,30,220,130"));
    QVERIFY(child);
    WindowRecord *grandchild = open(Opening("straggler").under("follower").at("10,10,60,40"));
    QVERIFY(grandchild);
    QTRY_COMPARE(child->window->geometry(), QRect(120, 130, 200, 100));
    QTRY_COMPARE(grandchild->window->geometry(), QRect(130, 140, 50, 30));

    father->window->setPosition(300, 200);
    QTRY_COMPARE(child->window->position(), QPoint(320, 230));
    QTRY_COMPARE(grandchild->window->position(), QPoint(330, 240));

    // Children keep their distance to the father's right and bottom edges.
    father->window->resize(600, 400);
    QTRY_COMPARE(child->window->size(), QSize(400, 200));
    QTRY_COMPARE(grandchild->window->size(), QSize(250, 130));
    QTRY_COMPARE(child->size, QSize(400, 200));
    QTRY_COMPARE(grandchild->browserWindow->size(), QSize(250, 130));

    // During a drag the input hook moves the children itself.
    m_windows->setDragging(true);
    QSignalSpy fatherMoved(father->window, &QWindow::xChanged);
    father->window->setX(400);
    QVERIFY(fatherMoved.wait());
    QCOMPARE(child->window->x(), 320);
}

void TestQCefView::windowStatesRestoreTheSavedGeometry_data()
{
    const QRect normal(100, 100, 300, 200);
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QTest::addColumn<QStringList>("statuses");
    QTest::addColumn<QRect>("restored");
    QTest::newRow("maximized") << QStringList { "Maximized", "Windowed" } << normal;
    QTest::newRow("full screen") << QStringList { "FullScreen", "Windowed" } << normal;
    QTest::newRow("full screen left by key") << QStringList { "FullScreen", "Escape" } << normal;
    QTest::newRow("maximized twice keeps the maximized geometry")
        << QStringList { "Maximized", "Maximized", "Windowed" } << available;
    QTest::newRow("windowed only stays") << QStringList { "Windowed" } << normal;
    QTest::newRow("unknown word") << QStringList { "maximized", "Windowed" } << normal;
}

void TestQCefView::windowStatesRestoreTheSavedGeometry()
{
    QFETCH(QStringList, statuses);
    QFETCH(QRect, restored);
    WindowRecord *record = open(Opening("stateful").at("100,100,400,300"));
    QVERIFY(record);
    QScreen *screen = QGuiApplication::primaryScreen();
    for (const QString &status : std::as_const(statuses)) {
        // Escape and F11 end full screen through the input hook.
        if (status == QLatin1String("Escape"))
            m_windows->restoreFullScreenWindows();
        else
            m_windows->setWindowStatus(QStringLiteral("stateful"), status);
        if (status == QLatin1String("Maximized"))
            QTRY_COMPARE(record->window->geometry(), screen->availableGeometry());
        else if (status == QLatin1String("FullScreen"))
            QTRY_COMPARE(record->window->geometry(), screen->geometry());
    }
    QTRY_COMPARE(record->window->geometry(), restored);
    QCOMPARE(record->window->visibility(), QWindow::Windowed);
    QVERIFY(!record->maximized);
    QVERIFY(!record->fullScreen);
}

void TestQCefView::minimizedActsOnTheMainView_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QWindow::Visibility>("mainVisibility");
    QTest::newRow("registered name") << "minimizer" << QWindow::Minimized;
    QTest::newRow("unregistered name") << "nobody" << QWindow::Windowed;
}

void TestQCefView::minimizedActsOnTheMainView()
{
    QFETCH(QString, name);
    QFETCH(QWindow::Visibility, mainVisibility);
    WindowRecord *record = open(Opening("minimizer"));
    QVERIFY(record);

    m_windows->setWindowStatus(name, QStringLiteral("Minimized"));
    QTRY_COMPARE(m_shell.scene().view().visibility(), mainVisibility);
    QCOMPARE(record->window->visibility(), QWindow::Windowed);
}

// The page's element takes the window's screen as the window's full-screen state, and the page
// hears when that state ends, whoever ends it.
void TestQCefView::elementFullScreenIsTheWindowsState()
{
    WindowRecord *record = open(Opening("game").at("100,100,400,300"));
    QVERIFY(record);
    FakePage *page = m_shell.waitForPage(QStringLiteral("game"));
    QVERIFY(page);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();

    QVERIFY(page->requestFullScreen(true).isAccepted());
    QTRY_COMPARE(record->window->geometry(), screen);
    QVERIFY(record->fullScreen);
    QVERIFY(page->requestFullScreen(false).isAccepted());
    QTRY_COMPARE(record->window->geometry(), QRect(100, 100, 300, 200));
    QVERIFY(!record->fullScreen);
    QCOMPARE(page->fullScreenLeaves(), 0);

    // Escape and F11 end it through the input hook.
    QVERIFY(page->requestFullScreen(true).isAccepted());
    QTRY_COMPARE(record->window->geometry(), screen);
    m_windows->restoreFullScreenWindows();
    QTRY_COMPARE(record->window->geometry(), QRect(100, 100, 300, 200));
    QVERIFY(!record->fullScreen);
    QCOMPARE(page->fullScreenLeaves(), 1);
}

void TestQCefView::needHideAndSwitching()
{
    // A root window never needs hiding.
    QVERIFY(open(Opening("home").needingHide()));
    QVERIFY(!m_windows->getNeedHide(QStringLiteral("home")));

    WindowRecord *first = open(Opening("tabA").under("home").needingHide());
    QVERIFY(first);
    WindowRecord *second = open(Opening("tabB").under("home").needingHide());
    QVERIFY(second);
    WindowRecord *plain = open(Opening("panel").under("home"));
    QVERIFY(plain);
    QVERIFY(m_windows->getNeedHide(QStringLiteral("tabA")));
    QVERIFY(!m_windows->getNeedHide(QStringLiteral("panel")));
    // Opening a sibling that needs hiding hid the one before it.
    QVERIFY(!first->window->isVisible());
    QVERIFY(second->window->isVisible());

    m_windows->switchWindow(QStringLiteral("tabA"), QStringLiteral("1"));
    QVERIFY(first->window->isVisible());
    QVERIFY(!second->window->isVisible());
    QVERIFY(plain->window->isVisible());
    QCOMPARE(m_windows->getCefClients(QStringLiteral("home"), true),
        QStringLiteral("[tabA,panel,tabB]"));

    // Switching to the root hides every child, whatever its needHide.
    m_windows->switchWindow(QStringLiteral("home"), QStringLiteral("1"));
    QVERIFY(!first->window->isVisible());
    QVERIFY(!second->window->isVisible());
    QVERIFY(!plain->window->isVisible());
    QVERIFY(!plain->shown);
    // A window switched away stays hidden when it gets the focus.
    m_windows->hideWindow(QStringLiteral("panel"));
    QVERIFY(!plain->window->isVisible());

    m_windows->switchWindow(QStringLiteral("panel"), QString());
    QVERIFY(plain->window->isVisible());
    QVERIFY(plain->shown);
    QVERIFY(!first->window->isVisible());
}

void TestQCefView::popupClosesWhenAnotherShellWindowIsFocused()
{
    QVERIFY(open(Opening("base")));
    WindowRecord *popup = open(Opening("menu").under("base").popup());
    QVERIFY(popup);
    QSignalSpy closed(m_windows, &QCefView::sgCloseWindow);

    m_windows->hideWindow(QStringLiteral("menu"));
    m_windows->hideWindow(QStringLiteral("menu"));
    QVERIFY(popup->window->isVisible());

    m_windows->hideWindow(QStringLiteral("base"));
    QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, kEngineTimeout);
    QCOMPARE(closed.at(0).at(0).toString(), QStringLiteral("menu"));
    QVERIFY(!m_windows->findWindow(QStringLiteral("menu")));
    QCOMPARE(m_windows->getCefClients(QStringLiteral("base"), true), QStringLiteral("[]"));

    // The main view is a window of the shell too.
    QVERIFY(open(Opening("menu2").under("base").popup()));
    m_windows->hideWindow(QStringLiteral("menu2"));
    m_windows->hideWindow(m_shell.scene().view().objectName());
    QTRY_VERIFY_WITH_TIMEOUT(!m_windows->findWindow(QStringLiteral("menu2")), kEngineTimeout);
}

void TestQCefView::closingAPopupOnlyHidesIt()
{
    WindowRecord *popup = open(Opening("dropdown").popup());
    QVERIFY(popup);
    QVERIFY(open(Opening("ordinary")));
    QVERIFY(open(Opening("another")));
    QSignalSpy closed(m_windows, &QCefView::sgCloseWindow);

    m_windows->closeWindow(QStringLiteral("dropdown"));
    m_windows->closeWindow(QStringLiteral("ordinary"));
    QVERIFY(!popup->window->isVisible());
    // Once the ordinary window's browser has reported closed, the popup's
    // would have too.
    QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, kEngineTimeout);
    QCOMPARE(closed.at(0).at(0).toString(), QStringLiteral("ordinary"));
    QCOMPARE(m_windows->findWindow(QStringLiteral("dropdown")), popup);

    // A popup hidden this way opens again at once.
    m_windows->switchWindow(QStringLiteral("dropdown"), QString());
    QVERIFY(popup->window->isVisible());

    m_windows->closeAllBrowser();
    QVERIFY(!popup->window->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 2, kEngineTimeout);
    QCOMPARE(closed.at(1).at(0).toString(), QStringLiteral("another"));
    QCOMPARE(m_windows->findWindow(QStringLiteral("dropdown")), popup);
}

void TestQCefView::hidingTheShellRestoresEachWindow()
{
    WindowRecord *shown = open(Opening("visibleOne"));
    QVERIFY(shown);
    WindowRecord *hidden = open(Opening("hiddenOne").hidden());
    QVERIFY(hidden);
    // No system tray on a bare X server: the icon does nothing.
    m_windows->setTrayIcon(true);

    // No tray to come back from: the shell stays on screen.
    m_windows->hideToTray();
    QVERIFY(m_shell.scene().view().isVisible());
    QVERIFY(shown->window->isVisible());

    // A second hide keeps what the first one saved.
    m_windows->setWindowHidden(true);
    m_windows->setWindowHidden(true);
    QVERIFY(!m_shell.scene().view().isVisible());
    QVERIFY(!shown->window->isVisible());
    QVERIFY(!hidden->window->isVisible());

    m_windows->setWindowHidden(false);
    QVERIFY(m_shell.scene().view().isVisible());
    QCOMPARE(m_shell.scene().view().visibility(), QWindow::Windowed);
    QVERIFY(shown->window->isVisible());
    QVERIFY(!hidden->window->isVisible());

    // Another start of the program asks for the shell: hidden, it comes back as from the tray;
    // shown, a window shown since it opened hidden stays.
    m_windows->setWindowHidden(true);
    m_windows->bringBack();
    QVERIFY(m_shell.scene().view().isVisible() && shown->window->isVisible());
    m_windows->switchWindow(QStringLiteral("hiddenOne"), QString());
    m_windows->bringBack();
    QVERIFY(hidden->window->isVisible());
}

// As a browser tells a tab; the whole shell hidden silences its pages, and each comes back with
// the portal's own mute as it was.
void TestQCefView::pagesOutOfSightAreTold()
{
    WindowRecord *game = open(Opening("sightGame").popup());
    WindowRecord *lobby = open(Opening("sightLobby"));
    QVERIFY(game && lobby);
    const FakePage *gamePage = m_shell.pageOf(QStringLiteral("sightGame"));
    const FakePage *lobbyPage = m_shell.pageOf(QStringLiteral("sightLobby"));
    QVERIFY(gamePage->isVisibleToPlayer());

    game->window->setWindowState(Qt::WindowMinimized);
    QVERIFY(!gamePage->isVisibleToPlayer());
    game->window->setWindowState(Qt::WindowNoState);
    QVERIFY(gamePage->isVisibleToPlayer());
    m_windows->closeWindow(QStringLiteral("sightGame"));
    QVERIFY(!gamePage->isVisibleToPlayer());
    m_windows->switchWindow(QStringLiteral("sightGame"), QString());
    QVERIFY(gamePage->isVisibleToPlayer());

    lobby->browser()->setAudioMuted(true);
    m_windows->setWindowHidden(true);
    QVERIFY(!gamePage->isVisibleToPlayer() && !lobbyPage->isVisibleToPlayer());
    QVERIFY(gamePage->isMuted() && lobbyPage->isMuted());
    m_windows->setWindowHidden(false);
    QVERIFY(gamePage->isVisibleToPlayer() && lobbyPage->isVisibleToPlayer());
    QVERIFY(!gamePage->isMuted() && lobbyPage->isMuted());
}

// Whatever its document does, a page's screen wake locks go when it is out of sight, leaves its
// document or closes; out of sight, it gets none.
void TestQCefView::screenWakeLocksFollowTheirPage()
{
    WindowRecord *game = open(Opening("wakeGame"));
    QVERIFY(game);
    FakePage *page = m_shell.pageOf(QStringLiteral("wakeGame"));
    const ScreenWakeLocks *locks = ScreenWakeLocks::instance();
    const QUrl trusted(kSite);
    QVERIFY(page->requestWakeLock(trusted, QStringLiteral("a")));
    game->window->setWindowState(Qt::WindowMinimized);
    QVERIFY(!locks->isHeld());
    QVERIFY(!page->requestWakeLock(trusted, QStringLiteral("b")));
    game->window->setWindowState(Qt::WindowNoState);
    QVERIFY(page->requestWakeLock(trusted, QStringLiteral("c")));
    page->load(QUrl(kSite + QStringLiteral("/green.html")));
    QVERIFY(!locks->isHeld());

    QVERIFY(page->requestWakeLock(trusted, QStringLiteral("d")));
    m_windows->closeWindow(QStringLiteral("wakeGame"));
    QTRY_VERIFY_WITH_TIMEOUT(!locks->isHeld(), kEngineTimeout);
}

void TestQCefView::closingRemovesTheRecordOnceTheBrowserHasClosed()
{
    WindowRecord *father = open(Opening("closer"));
    QVERIFY(father);
    QVERIFY(open(Opening("firstborn").under("closer")));
    QVERIFY(open(Opening("secondborn").under("closer")));
    QPointer<QWindow> fatherWindow = father->window;
    QSignalSpy closed(m_windows, &QCefView::sgCloseWindow);

    // A child that closes leaves its father's list.
    m_windows->closeWindow(QStringLiteral("firstborn"));
    QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, kEngineTimeout);
    QCOMPARE(
        m_windows->getCefClients(QStringLiteral("closer"), true), QStringLiteral("[secondborn]"));

    // Until the browser reports closed, the record stays.
    m_windows->closeWindow(QStringLiteral("closer"));
    QCOMPARE(m_windows->findWindow(QStringLiteral("closer")), father);
    QCOMPARE(closed.count(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!m_windows->findWindow(QStringLiteral("closer")), kEngineTimeout);
    QTRY_VERIFY(!fatherWindow);
    // The child goes with its father.
    QTRY_VERIFY_WITH_TIMEOUT(!m_windows->findWindow(QStringLiteral("secondborn")), kEngineTimeout);
    QVERIFY(!m_shell.scene().view().findChild<QWindow *>(QStringLiteral("secondborn")));
    QStringList names;
    for (const QList<QVariant> &arguments : std::as_const(closed))
        names.append(arguments.at(0).toString());
    QCOMPARE(names.count(), 3);
    QVERIFY(names.contains("closer") && names.contains("secondborn"));

    // The name opens again as a new window, which the next close takes down.
    WindowRecord *again = open(Opening("closer"));
    QVERIFY(again);
    QPointer<QWindow> againWindow = again->window;
    const QWeakPointer<QCefClient> againClient = again->client;
    QTRY_VERIFY_WITH_TIMEOUT(again->client->getBrowser(), kEngineTimeout);
    const QWeakPointer<CefBrowser> againBrowser = again->client->getBrowser();
    QVERIFY(sceneWindowMap().contains(QStringLiteral("closer")));
    m_windows->closeWindow(QStringLiteral("closer"));
    QTRY_VERIFY_WITH_TIMEOUT(!againWindow, kEngineTimeout);
    QVERIFY(!m_windows->findWindow(QStringLiteral("closer")));
    // Nothing made for the window outlives it, in the engine host or the scene.
    QTRY_VERIFY(!againClient && !againBrowser);
    QVERIFY(!sceneWindowMap().contains(QStringLiteral("closer")));
}

// The scene's windows by name.
QVariantMap TestQCefView::sceneWindowMap() const
{
    const QList<QObject *> objects = m_shell.scene().view().rootObject()->findChildren<QObject *>();
    for (const QObject *object : objects) {
        const QVariant map = object->property("taskMap");
        if (map.isValid())
            return map.value<QJSValue>().toVariant().toMap();
    }
    return {};
}

void TestQCefView::closeForANameWithoutWindowIsHarmless()
{
    int warnings = 0;
    QObject counter;
    connect(m_shell.scene().view().engine(), &QQmlEngine::warnings, &counter,
        [&warnings] { ++warnings; });
    // A message that is not JSON makes the scene's handler throw: the count
    // sees what the scene's script engine reports.
    emit m_windows->sgWebMsgReceived(QStringLiteral("not json"));
    QCOMPARE(warnings, 1);

    emit m_windows->sgCloseWindow(QStringLiteral("nobody"));
    QCOMPARE(warnings, 1);
}

void TestQCefView::namesThatBreakTheListAreRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty, the splash's") << QString();
    QTest::newRow("comma") << "a,b";
    QTest::newRow("opening bracket") << "[menu";
    QTest::newRow("closing bracket") << "menu]";
    QTest::newRow("control character") << QStringLiteral("line\nbreak");
}

void TestQCefView::namesThatBreakTheListAreRefused()
{
    QFETCH(QString, name);
    QVERIFY(open(Opening("family")));
    QSignalSpy announced(m_windows, &QCefView::sgOpenNewWindow);
    QQuickWindow *logo = splash();

    announce(Opening(name).under("family"));
    QVERIFY(announced.isEmpty());
    QVERIFY(!m_windows->findWindow(name));
    QCOMPARE(m_windows->getCefClients(QStringLiteral("family")), QStringLiteral("[]"));
    QCOMPARE(splash(), logo);
}

LUMEN_ENGINE_TEST_MAIN(TestQCefView)
#include "tst_qcefview.moc"
