#include "app/dirhelper.h"
#include "app/mvtconfig.h"
#include "app/platform.h"
#include "applicationloop.h"
#include "bridgetexts.h"
#include "debugcapture.h"
#include "enginetest.h"
#include "fakeengine.h"
#include "fakeshell.h"
#include "markerprogram.h"
#include "probepages.h"
#include "tools/tools.h"
#include "window/qcefview.h"

#include <QCryptographicHash>
#include <QDesktopServices>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QQuickItem>
#include <QScreen>
#include <QSettings>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

using BridgeTexts::childList;
using BridgeTexts::json;
using BridgeTexts::push;
using BridgeTexts::reply;
using BridgeTexts::requestLogLine;

namespace {

// Browsers appear, load and close on later turns of the event loop.
constexpr int kEngineTimeout = 5000;
constexpr int kWatchdogExit = 99;

const QString kHome = QStringLiteral("home");
const QString kLeft = QStringLiteral("left");
const QString kRight = QStringLiteral("right");
// The test installation trusts the loopback address; the fake engine serves every page of it.
const QString kSite = QStringLiteral("http://127.0.0.1:8");

QString refusalLogLine(const QString &name)
{
    return QStringLiteral("[OtherType]  [Other_Type] 拒绝启动 ") + name;
}

// No other process on the machine has a program of this name.
QString uniqueProgramName(const QString &prefix)
{
    return prefix + QLatin1Char('_') + QString::number(QCoreApplication::applicationPid());
}

bool isCacheFlagOnDisk()
{
    const QSettings file(QCoreApplication::applicationDirPath() + QStringLiteral("/config.ini"),
        QSettings::IniFormat);
    return file.value(QStringLiteral("Browser/IsCache")).toBool();
}

} // namespace

// Takes what would otherwise open in the desktop's browser.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls() const { return m_urls; }
    void clear() { m_urls.clear(); }

public slots:
    void open(const QUrl &url) { m_urls.append(url); }

private:
    QList<QUrl> m_urls;
};

// Stands in for the window manager where the spelling of the script texts
// matters: a page sees only the values they build.
class ScriptRecorder : public QObject
{
    Q_OBJECT

public:
    QStringList scripts() const { return m_scripts; }

    // "<window>|<script>"
    Q_INVOKABLE void sendToWeb(const QString &objectName, const QString &msg)
    {
        m_scripts.append(objectName + QLatin1Char('|') + msg);
    }

private:
    QStringList m_scripts;
};

// The request dispatcher with the real scene and window manager, on the fake
// engine: probe pages send requests through callQML and hand back the
// qtQueryCallback and qtSlots scripts the shell runs in them. A standing
// family, "home" with the children "left" and "right", serves the cases that
// leave windows as they are.
class TestDispatcher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    // Answers:
    void windowListsAnswerTheSender();
    void queriesAnswerTheWindowTheyName_data();
    void queriesAnswerTheWindowTheyName();
    void configRoundTripsThroughPages_data();
    void configRoundTripsThroughPages();

    // Families of windows:
    void closeRepliesThenPushesThenCloses_data();
    void closeRepliesThenPushesThenCloses();
    void openRepliesAndPushesUnlessPopup_data();
    void openRepliesAndPushesUnlessPopup();
    void openAndLoadInOneRequestReplyTwiceWithOneId();
    void switchWindowRepliesWithTheFathersList();
    void sendMsgPushesTheValueUnchanged_data();
    void sendMsgPushesTheValueUnchanged();

    // Operations that answer nothing:
    void windowStatusActsOnTheSender();
    void dragAndResizeWithoutTheHookDoNothing_data();
    void dragAndResizeWithoutTheHookDoNothing();
    void reloadAndLoadNavigateTheNamedWindow();
    void hookPopupNamesTheWindowForNewViews();
    void openUrlGoesToTheDesktop();
    void windowsGoOnlyToWebAddresses_data();
    void windowsGoOnlyToWebAddresses();
    void desktopGetsOnlyWebAndMailAddresses_data();
    void desktopGetsOnlyWebAndMailAddresses();
    void systemTrayWithoutATrayKeepsTheShell_data();
    void systemTrayWithoutATrayKeepsTheShell();
    void muteOnlyForTheString1_data();
    void muteOnlyForTheString1();
    void startProcessStaysInTheProgramFolder_data();
    void startProcessStaysInTheProgramFolder();
    void quittingRequestsEndTheEventLoop_data();
    void quittingRequestsEndTheEventLoop();

    // The dispatcher's own texts:
    void requestIsLoggedAndEchoedAsReceived_data();
    void requestIsLoggedAndEchoedAsReceived();
    void emptyRequestIsOnlyLogged();
    void textThatIsNotJsonIsDropped_data();
    void textThatIsNotJsonIsDropped();
    void scriptTextsAreCompact();
    void failureBuilderKeepsItsSpelling();

private:
    QString probeUrl(
        const QString &name, const QString &path = QStringLiteral("/probe.html")) const;
    bool openProbe(const QString &name, const QString &father = QString(),
        const QString &needHide = QString(), const QString &path = QStringLiteral("/probe.html"));
    bool waitForLoad(const QString &name, const std::function<void()> &startLoading);
    QStringList requestLogLines(const QString &sender) const;
    QStringList standing() const { return { kHome, kLeft, kRight }; }
    int runUntilQuit(const std::function<void()> &start);
    void verifyOnlyNextAnswerArrives(const QString &id);
    // Loads of the address's path by every page so far.
    int loadsOf(const QString &path) const;
    QUrl pageUrl(const QString &window) const;

    FakeShell m_shell;
    QCefView *m_windows = nullptr;
    // Qt Test installs its own message handler when it starts running.
    std::unique_ptr<DebugCapture> m_debug;
    ProbePages *m_pages = nullptr;
    UrlRecorder m_desktop;
    QTemporaryDir m_temp;
    // Windows a case opened, closed again after it.
    QStringList m_opened;
    // Files a case left outside its temporary folder.
    QStringList m_created;
    int m_sceneWarnings = 0;
    int m_expectedWarnings = 0;
};

void TestDispatcher::initTestCase()
{
    // Closing the splash or the last test window must not end the run.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    m_debug = std::make_unique<DebugCapture>();
    QVERIFY(m_temp.isValid());
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &m_desktop, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_desktop, "open");

    QVERIFY(m_shell.start());
    m_windows = m_shell.windows();
    m_shell.profile()->setServing(true);
    m_pages = new ProbePages(m_windows, m_shell.profile(), this);
    // A script error in the dispatcher shows up as a warning of the scene.
    connect(m_shell.scene().view().engine(), &QQmlEngine::warnings, this,
        [this](const QList<QQmlError> &warnings) { m_sceneWarnings += warnings.size(); });

    QVERIFY(openProbe(kHome));
    QVERIFY(openProbe(kLeft, kHome));
    QVERIFY(openProbe(kRight, kHome));
}

void TestDispatcher::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    MVTConfig::instance()->setIsCache(false);
    m_windows->closeAllBrowser();
    m_debug.reset();
}

// Whatever an earlier case left on its way to the pages has arrived.
void TestDispatcher::init()
{
    QVERIFY(m_pages->settle(standing()));
    m_pages->clear();
    m_desktop.clear();
    m_debug->clear();
    m_sceneWarnings = 0;
    m_expectedWarnings = 0;
}

void TestDispatcher::cleanup()
{
    QCOMPARE(m_sceneWarnings, m_expectedWarnings);
    const QStringList opened = m_opened;
    m_opened.clear();
    QVERIFY(m_shell.scene().closeWindows(opened));
    for (const QString &path : std::as_const(m_created))
        QFile::remove(path);
    m_created.clear();
    m_windows->setHookPopup(QString());
    if (!m_shell.scene().view().isVisible())
        m_windows->setWindowHidden(false);
    MVTConfig::instance()->setIsCache(false);
}

QString TestDispatcher::probeUrl(const QString &name, const QString &path) const
{
    return kSite + path + QStringLiteral("?name=") + name;
}

// Opened, attached, loaded, and its page answering.
bool TestDispatcher::openProbe(
    const QString &name, const QString &father, const QString &needHide, const QString &path)
{
    if (!standing().contains(name))
        m_opened.append(name);
    const QString rect
        = father.isEmpty() ? QStringLiteral("100,100,500,400") : QStringLiteral("20,20,220,170");
    return waitForLoad(name, [this, name, father, rect, needHide, path] {
        m_windows->openWindow(name, father, QString(), probeUrl(name, path), rect, QString(),
            QString(), needHide, QString(), QString());
    });
}

bool TestDispatcher::waitForLoad(const QString &name, const std::function<void()> &startLoading)
{
    const QPointer<FakePage> before = m_pages->pageOf(name);
    const int finished = before ? before->finishedLoads() : 0;
    startLoading();
    if (!m_windows->findWindow(name))
        return false;
    const auto loaded = [&] {
        const FakePage *page = m_pages->pageOf(name);
        return page && page->finishedLoads() > (page == before ? finished : 0);
    };
    return QTest::qWaitFor(loaded, kEngineTimeout) && m_pages->settle({ name });
}

int TestDispatcher::loadsOf(const QString &path) const
{
    int loads = 0;
    for (const FakePage *page : m_shell.profile()->pages()) {
        loads += std::count_if(page->loads().cbegin(), page->loads().cend(),
            [&path](const QUrl &url) { return url.path() == path; });
    }
    return loads;
}

QUrl TestDispatcher::pageUrl(const QString &window) const
{
    const FakePage *page = m_pages->pageOf(window);
    return page ? page->url() : QUrl();
}

// The dispatcher's log lines for requests that name sender.
QStringList TestDispatcher::requestLogLines(const QString &sender) const
{
    const QString prefix = requestLogLine(sender, QString());
    QStringList lines;
    for (const QString &line : m_debug->lines()) {
        if (line.startsWith(prefix))
            lines.append(line);
    }
    return lines;
}

// Quitting ends every event loop of the thread, and Qt Test runs none of its
// own: requests that quit run in the application's loop, as in the program.
int TestDispatcher::runUntilQuit(const std::function<void()> &start)
{
    QTimer::singleShot(0, this, start);
    return runApplicationLoop(kEngineTimeout, kWatchdogExit);
}

// The page of "left" asks for the version: that answer is all it has got
// since the case began.
void TestDispatcher::verifyOnlyNextAnswerArrives(const QString &id)
{
    const QString request = QStringLiteral("{\"GetVersion\":\"left\"}");
    QVERIFY(m_pages->send(kLeft, id, request));
    QVERIFY(m_pages->settle(standing()));
    QCOMPARE(m_pages->received(kLeft), QStringList { reply(request, id, QStringLiteral("1.0.2")) });
}

// Answers:

void TestDispatcher::windowListsAnswerTheSender()
{
    const QString request = QStringLiteral("{\"GetCefClients\":\"home\"}");
    QVERIFY(m_pages->send(kLeft, QStringLiteral("g1"), request));
    // A page may speak for another window: the answer goes to that name.
    QVERIFY(m_pages->send(kLeft, QStringLiteral("g2"), request, kRight));
    QVERIFY(m_pages->settle(standing()));

    const QString children = m_windows->getCefClients(kHome);
    QCOMPARE(children, QStringLiteral("[right,left]"));
    QCOMPARE(
        m_pages->received(kLeft), QStringList { reply(request, QStringLiteral("g1"), children) });
    QCOMPARE(
        m_pages->received(kRight), QStringList { reply(request, QStringLiteral("g2"), children) });
    QCOMPARE(m_pages->received(kHome), QStringList());
}

void TestDispatcher::queriesAnswerTheWindowTheyName_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("result");

    Tools *tools = Tools::instance();
    const QString cpu = tools->getCpuID();
    const QString mac = tools->getHostMacAddress();
    QVERIFY(!cpu.contains(QLatin1Char('|')) && !mac.contains(QLatin1Char('|')));

    QTest::newRow("version") << "{\"GetVersion\":\"right\"}"
                             << "1.0.2";
    QTest::newRow("machine identifiers, one bar between")
        << "{\"GetUUID\":\"right\"}" << cpu + QLatin1Char('|') + mac;
    QTest::newRow("all data, the object's text in member order")
        << "{\"GetAllData\":\"right\"}"
        << QStringLiteral("{\"Cpuid\":%1,\"Mac\":%2,\"MainUrl\":%3,\"Version\":%4,"
                          "\"InstallPackName\":%5}")
               .arg(json(cpu), json(mac), json(MVTConfig::instance()->getMainUrl()),
                   json(QStringLiteral("1.0.2")), json(QStringLiteral("lumen_setup")));
}

// Sent by "left", answered to "right", the window the request names.
void TestDispatcher::queriesAnswerTheWindowTheyName()
{
    QFETCH(QString, request);
    QFETCH(QString, result);
    MVTConfig::instance()->set(QStringLiteral("InstallPackName"), QStringLiteral("lumen_setup"));
    QVERIFY(m_pages->send(kLeft, QStringLiteral("q1"), request));
    QVERIFY(m_pages->settle(standing()));

    QCOMPARE(
        m_pages->received(kRight), QStringList { reply(request, QStringLiteral("q1"), result) });
    QCOMPARE(m_pages->received(kLeft), QStringList());
    QCOMPARE(m_pages->received(kHome), QStringList());
}

void TestDispatcher::configRoundTripsThroughPages_data()
{
    QTest::addColumn<QString>("valueMember");
    QTest::addColumn<QString>("stored");

    QTest::newRow("string") << ",\"Value\":\"7\""
                            << "7";
    QTest::newRow("quotes, backslash, non-ASCII")
        << ",\"Value\":\"名字 \\\"q\\\" \\\\ é\"" << QStringLiteral("名字 \"q\" \\ é");
    QTest::newRow("number as its decimal text") << ",\"Value\":7.5"
                                                << "7.5";
    QTest::newRow("null as empty") << ",\"Value\":null" << QString();
    QTest::newRow("missing as empty") << QString() << QString();
}

// "left" stores a value; "right" asks for it on behalf of "left", which gets
// the answer.
void TestDispatcher::configRoundTripsThroughPages()
{
    QFETCH(QString, valueMember);
    QFETCH(QString, stored);
    MVTConfig::instance()->set(QStringLiteral("Volume"), QStringLiteral("stale"));

    QVERIFY(m_pages->send(kLeft, QStringLiteral("s1"),
        QStringLiteral("{\"SetConfig\":\"Volume\"") + valueMember + QLatin1Char('}')));
    const QString get = QStringLiteral("{\"GetConfig\":\"left\",\"Key\":\"Volume\"}");
    QVERIFY(m_pages->send(kRight, QStringLiteral("s2"), get));
    QVERIFY(m_pages->settle(standing()));

    QCOMPARE(m_pages->received(kLeft), QStringList { reply(get, QStringLiteral("s2"), stored) });
    QCOMPARE(m_pages->received(kRight), QStringList());
    QCOMPARE(MVTConfig::instance()->get(QStringLiteral("Volume")), stored);
}

// Families of windows:

void TestDispatcher::closeRepliesThenPushesThenCloses_data()
{
    QTest::addColumn<QString>("sender");
    QTest::addColumn<bool>("needHide");

    QTest::newRow("the father asks, hiding window") << "hub" << true;
    QTest::newRow("the father asks, plain window") << "hub" << false;
    QTest::newRow("a sibling asks, hiding window") << "tabA" << true;
    QTest::newRow("a sibling asks, plain window") << "tabA" << false;
}

// A root window is its own father: when "hub" asks, reply and push reach the
// same page, in the order they were sent.
void TestDispatcher::closeRepliesThenPushesThenCloses()
{
    QFETCH(QString, sender);
    QFETCH(bool, needHide);
    const QString hide = needHide ? QStringLiteral("1") : QString();
    QVERIFY(openProbe(QStringLiteral("hub")));
    QVERIFY(openProbe(QStringLiteral("tabA"), QStringLiteral("hub"), hide));
    QVERIFY(openProbe(QStringLiteral("tabB"), QStringLiteral("hub"), hide));
    QSignalSpy closed(m_windows, &QCefView::sgCloseWindow);

    const QString request = QStringLiteral("{\"Close\":\"tabB\"}");
    QVERIFY(m_pages->send(sender, QStringLiteral("c1"), request));
    QVERIFY(m_pages->settle({ QStringLiteral("hub"), QStringLiteral("tabA") }));

    const QString answer = reply(request, QStringLiteral("c1"), QStringLiteral("[tabA]"));
    const QStringList pushes
        = needHide ? QStringList { childList(QStringLiteral("[tabA]"), sender) } : QStringList();
    if (sender == QLatin1String("hub")) {
        QCOMPARE(m_pages->received(sender), QStringList { answer } + pushes);
    } else {
        QCOMPARE(m_pages->received(sender), QStringList { answer });
        QCOMPARE(m_pages->received(QStringLiteral("hub")), pushes);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!m_windows->findWindow(QStringLiteral("tabB")), kEngineTimeout);
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.at(0).at(0).toString(), QStringLiteral("tabB"));
    QCOMPARE(m_windows->getCefClients(QStringLiteral("hub")), QStringLiteral("[tabA]"));
}

void TestDispatcher::openRepliesAndPushesUnlessPopup_data()
{
    QTest::addColumn<QString>("lostFocusHide");
    QTest::addColumn<bool>("popup");
    QTest::addColumn<bool>("pushed");

    QTest::newRow("no LostFocusHide") << QString() << false << true;
    QTest::newRow("string 1") << ",\"LostFocusHide\":\"1\"" << true << false;
    // The window manager gets "1" and opens a popup; the push still goes.
    QTest::newRow("number 1") << ",\"LostFocusHide\":1" << true << true;
    QTest::newRow("string 0") << ",\"LostFocusHide\":\"0\"" << false << true;
}

// "side" opens "extra" under "hub": the sender gets the father's new list, the
// father the child-list push naming the sender.
void TestDispatcher::openRepliesAndPushesUnlessPopup()
{
    QFETCH(QString, lostFocusHide);
    QFETCH(bool, popup);
    QFETCH(bool, pushed);
    QVERIFY(openProbe(QStringLiteral("hub")));
    QVERIFY(openProbe(QStringLiteral("side"), QStringLiteral("hub")));
    QSignalSpy announced(m_windows, &QCefView::sgOpenNewWindow);

    m_opened.append(QStringLiteral("extra"));
    const QString request
        = QStringLiteral(
              "{\"Open\":\"extra\",\"Father\":\"hub\",\"Url\":%1,\"RECT\":\"10,10,210,110\"")
              .arg(json(probeUrl(QStringLiteral("extra"))))
        + lostFocusHide + QLatin1Char('}');
    QVERIFY(m_pages->send(QStringLiteral("side"), QStringLiteral("o1"), request));
    QCOMPARE(announced.count(), 1);
    QVERIFY(waitForLoad(QStringLiteral("extra"), [] { }));
    QVERIFY(m_pages->settle({ QStringLiteral("hub"), QStringLiteral("side") }));

    const QString list = QStringLiteral("[extra,side]");
    QCOMPARE(m_windows->getCefClients(QStringLiteral("hub")), list);
    QCOMPARE(m_windows->findWindow(QStringLiteral("extra"))->lostFocusHide, popup);
    QCOMPARE(m_pages->received(QStringLiteral("side")),
        QStringList { reply(request, QStringLiteral("o1"), list) });
    QCOMPARE(m_pages->received(QStringLiteral("hub")),
        pushed ? QStringList { childList(list, QStringLiteral("side")) } : QStringList());
}

// The shared "Url" opens the new window and loads the other one. Both replies
// carry the request's id.
void TestDispatcher::openAndLoadInOneRequestReplyTwiceWithOneId()
{
    QVERIFY(openProbe(QStringLiteral("hub")));
    QVERIFY(openProbe(QStringLiteral("side"), QStringLiteral("hub")));
    const QString url = probeUrl(QStringLiteral("extra"), QStringLiteral("/other.html"));
    const int otherLoads = loadsOf(QStringLiteral("/other.html"));
    FakePage *side = m_pages->pageOf(QStringLiteral("side"));
    const int sideLoads = side->finishedLoads();

    m_opened.append(QStringLiteral("extra"));
    const QString request
        = QStringLiteral("{\"Open\":\"extra\",\"Father\":\"hub\",\"Url\":%1,\"Load\":\"side\"}")
              .arg(json(url));
    QVERIFY(m_pages->send(QStringLiteral("hub"), QStringLiteral("ol"), request));
    QVERIFY(waitForLoad(QStringLiteral("extra"), [] { }));
    QVERIFY(m_pages->settle({ QStringLiteral("hub") }));

    // The reply reaches the page "side" still shows; its new page reports as "extra".
    const QString list = QStringLiteral("[extra,side]");
    QCOMPARE(m_pages->received(QStringLiteral("hub")),
        QStringList({ reply(request, QStringLiteral("ol"), list),
            childList(list, QStringLiteral("hub")) }));
    QTRY_COMPARE_WITH_TIMEOUT(m_pages->received(QStringLiteral("side")),
        QStringList { reply(request, QStringLiteral("ol"), list) }, kEngineTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(side->finishedLoads() > sideLoads, kEngineTimeout);
    QCOMPARE(side->url(), QUrl(url));
    QCOMPARE(loadsOf(QStringLiteral("/other.html")), otherLoads + 2);
}

// The list is the sender's father's, taken after the switch reordered it.
void TestDispatcher::switchWindowRepliesWithTheFathersList()
{
    QVERIFY(openProbe(QStringLiteral("hub")));
    QVERIFY(openProbe(QStringLiteral("tabA"), QStringLiteral("hub"), QStringLiteral("1")));
    QVERIFY(openProbe(QStringLiteral("tabB"), QStringLiteral("hub"), QStringLiteral("1")));
    const WindowRecord *tabA = m_windows->findWindow(QStringLiteral("tabA"));
    const WindowRecord *tabB = m_windows->findWindow(QStringLiteral("tabB"));
    QVERIFY(!tabA->window->isVisible());
    QCOMPARE(m_windows->getCefClients(QStringLiteral("hub")), QStringLiteral("[tabB,tabA]"));

    const QString request = QStringLiteral("{\"SwitchWindow\":\"tabA\",\"NeedHide\":\"1\"}");
    QVERIFY(m_pages->send(QStringLiteral("tabB"), QStringLiteral("w1"), request));
    QVERIFY(
        m_pages->settle({ QStringLiteral("hub"), QStringLiteral("tabA"), QStringLiteral("tabB") }));

    QVERIFY(tabA->window->isVisible());
    QVERIFY(!tabB->window->isVisible());
    QCOMPARE(m_pages->received(QStringLiteral("tabB")),
        QStringList { reply(request, QStringLiteral("w1"), QStringLiteral("[tabA,tabB]")) });
    QCOMPARE(m_pages->received(QStringLiteral("hub")), QStringList());
    QCOMPARE(m_pages->received(QStringLiteral("tabA")), QStringList());
}

void TestDispatcher::sendMsgPushesTheValueUnchanged_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("msg");

    QTest::newRow("object") << kRight
                            << QStringLiteral("{\"Text\":\"a \\\"q\\\" \\\\ 名字\","
                                              "\"Nested\":{\"List\":[1,2.5,true]},\"Zero\":0}");
    QTest::newRow("array") << kRight << "[3,\"x\",{\"k\":false}]";
    QTest::newRow("string") << kRight << "\"plain\"";
    QTest::newRow("number") << kRight << "42";
    QTest::newRow("boolean") << kRight << "false";
    QTest::newRow("to itself") << kLeft << "{\"Self\":1}";
    QTest::newRow("to no window") << "nobody"
                                  << "{\"Lost\":1}";
}

void TestDispatcher::sendMsgPushesTheValueUnchanged()
{
    QFETCH(QString, target);
    QFETCH(QString, msg);
    QVERIFY(m_pages->send(kLeft, QStringLiteral("m1"),
        QStringLiteral("{\"SendMsg\":%1,\"Msg\":%2}").arg(json(target), msg)));
    QVERIFY(m_pages->settle(standing()));

    for (const QString &window : standing()) {
        QCOMPARE(m_pages->received(window),
            window == target ? QStringList { push(msg) } : QStringList());
    }
}

// Operations that answer nothing:

// The page of "left" speaks for "right": the window of the request's name
// changes state.
void TestDispatcher::windowStatusActsOnTheSender()
{
    const WindowRecord *right = m_windows->findWindow(kRight);
    const WindowRecord *left = m_windows->findWindow(kLeft);
    const QRect rightFrame = right->window->geometry();
    const QRect leftFrame = left->window->geometry();

    QVERIFY(m_pages->send(
        kLeft, QStringLiteral("s1"), QStringLiteral("{\"WindowStatus\":\"Maximized\"}"), kRight));
    QTRY_COMPARE(right->window->geometry(), QGuiApplication::primaryScreen()->availableGeometry());
    QCOMPARE(left->window->geometry(), leftFrame);

    QVERIFY(m_pages->send(
        kLeft, QStringLiteral("s2"), QStringLiteral("{\"WindowStatus\":\"Windowed\"}"), kRight));
    QTRY_COMPARE(right->window->geometry(), rightFrame);
    QVERIFY(m_pages->settle(standing()));
    for (const QString &window : standing())
        QCOMPARE(m_pages->received(window), QStringList());
}

void TestDispatcher::dragAndResizeWithoutTheHookDoNothing_data()
{
    QTest::addColumn<QString>("request");

    QTest::newRow("drag") << "{\"MouseDown\":\"left\"}";
    QTest::newRow("drag, no window") << "{\"MouseDown\":\"\"}";
    QTest::newRow("resize") << "{\"Resize\":\"left\",\"Width\":\"1\",\"Height\":\"1\"}";
    QTest::newRow("resize, numbers") << "{\"Resize\":\"left\",\"Width\":1,\"Height\":0}";
    QTest::newRow("resize, no window") << "{\"Resize\":\"nobody\"}";
}

// The drag hook exists only in the program; without it the requests do
// nothing and the dispatcher carries on.
void TestDispatcher::dragAndResizeWithoutTheHookDoNothing()
{
    QFETCH(QString, request);
    const QRect frame = m_windows->findWindow(kLeft)->window->geometry();
    QVERIFY(m_pages->send(kLeft, QStringLiteral("d1"), request));
    QCOMPARE(m_windows->findWindow(kLeft)->window->geometry(), frame);
    verifyOnlyNextAnswerArrives(QStringLiteral("d2"));
}

void TestDispatcher::reloadAndLoadNavigateTheNamedWindow()
{
    QVERIFY(openProbe(QStringLiteral("hub")));
    QVERIFY(openProbe(
        QStringLiteral("fresh"), QStringLiteral("hub"), QString(), QStringLiteral("/fresh.html")));
    const int freshLoads = loadsOf(QStringLiteral("/fresh.html"));

    QVERIFY(waitForLoad(QStringLiteral("fresh"), [this] {
        m_pages->post(kLeft, QStringLiteral("r1"), QStringLiteral("{\"Reload\":\"fresh\"}"));
    }));
    QCOMPARE(loadsOf(QStringLiteral("/fresh.html")), freshLoads + 1);

    const QString url = probeUrl(QStringLiteral("fresh"), QStringLiteral("/other.html"));
    const QString load = QStringLiteral("{\"Load\":\"fresh\",\"Url\":%1}").arg(json(url));
    QVERIFY(waitForLoad(
        QStringLiteral("fresh"), [&] { m_pages->post(kLeft, QStringLiteral("r2"), load); }));
    QCOMPARE(pageUrl(QStringLiteral("fresh")), QUrl(url));
    QVERIFY(m_pages->settle(standing()));
    QCOMPARE(m_pages->received(QStringLiteral("fresh")),
        QStringList { reply(load, QStringLiteral("r2"), QStringLiteral("[fresh]")) });
    QCOMPARE(m_pages->received(kLeft), QStringList());
}

void TestDispatcher::hookPopupNamesTheWindowForNewViews()
{
    QVERIFY(
        m_pages->send(kLeft, QStringLiteral("h1"), QStringLiteral("{\"SetHookPopup\":\"right\"}")));
    // A name no open window has would lose every popup: it is ignored.
    QVERIFY(m_pages->send(
        kLeft, QStringLiteral("h2"), QStringLiteral("{\"SetHookPopup\":\"nobody\"}")));
    QCOMPARE(
        m_debug->lines().filter(QStringLiteral("popup hook refused: no open window nobody")).size(),
        1);
    const QString target = kSite + QStringLiteral("/popup.html");
    m_pages->pageOf(kHome)->requestPopup(QUrl(target), true);

    QTRY_COMPARE_WITH_TIMEOUT(m_pages->received(kRight),
        QStringList { push(QStringLiteral("{\"HookPopup\":%1}").arg(json(target))) },
        kEngineTimeout);
    QVERIFY(m_pages->settle(standing()));
    QCOMPARE(m_pages->received(kLeft), QStringList());
    QCOMPARE(m_pages->received(kHome), QStringList());
}

void TestDispatcher::openUrlGoesToTheDesktop()
{
    const QString address = QStringLiteral("https://corvela.example/news?page=2");
    QVERIFY(m_pages->send(
        kLeft, QStringLiteral("u1"), QStringLiteral("{\"OpenUrl\":%1}").arg(json(address))));
    QCOMPARE(m_desktop.urls(), QList<QUrl> { QUrl(address) });
    QVERIFY(m_pages->settle(standing()));
    QCOMPARE(m_pages->received(kLeft), QStringList());
}

void TestDispatcher::windowsGoOnlyToWebAddresses_data()
{
    QTest::addColumn<QString>("address");

    for (const char *address : { "file:///etc/hostname", "javascript:alert(1)",
             "data:text/html,<b>x</b>", "chrome://version", "view-source:http://127.0.0.1/",
             "qrc:/main.qml", "ftp://127.0.0.1/x" })
        QTest::newRow(address) << QString::fromLatin1(address);
}

// Refused natively and logged; the window keeps its page, no window opens.
void TestDispatcher::windowsGoOnlyToWebAddresses()
{
    QFETCH(QString, address);
    const QString leftUrl = probeUrl(kLeft);
    QVERIFY(m_pages->send(kHome, QStringLiteral("n1"),
        QStringLiteral("{\"Load\":\"left\",\"Url\":%1}").arg(json(address))));
    QVERIFY(m_pages->send(kHome, QStringLiteral("n2"),
        QStringLiteral("{\"Open\":\"stray\",\"Url\":%1}").arg(json(address))));
    QVERIFY(m_pages->settle(standing()));

    QVERIFY(!m_windows->findWindow(QStringLiteral("stray")));
    QCOMPARE(pageUrl(kLeft), QUrl(leftUrl));
    const QString scheme = QUrl(address).scheme();
    const QStringList refusals = m_debug->lines().filter(QStringLiteral(" address refused"));
    QCOMPARE(refusals,
        QStringList({ QStringLiteral("[OtherType]  [Other_Type] navigation of window left to a %1 "
                                     "address refused")
                          .arg(scheme),
            QStringLiteral("[OtherType]  [Other_Type] navigation of window stray to a %1 "
                           "address refused")
                .arg(scheme) }));
}

void TestDispatcher::desktopGetsOnlyWebAndMailAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("opened");

    QTest::newRow("mail") << "mailto:player@corvela.example" << true;
    QTest::newRow("http") << "http://corvela.example/" << true;
    for (const char *address :
        { "file:///etc/passwd", "smb://host/share", "javascript:alert(1)", "ms-settings:x" })
        QTest::newRow(address) << QString::fromLatin1(address) << false;
}

void TestDispatcher::desktopGetsOnlyWebAndMailAddresses()
{
    QFETCH(QString, address);
    QFETCH(bool, opened);
    for (const char *scheme : { "mailto", "file", "smb", "javascript", "ms-settings" })
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &m_desktop, "open");
    QVERIFY(m_pages->send(
        kLeft, QStringLiteral("u2"), QStringLiteral("{\"OpenUrl\":%1}").arg(json(address))));
    for (const char *scheme : { "mailto", "file", "smb", "javascript", "ms-settings" })
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));

    QCOMPARE(m_desktop.urls(), opened ? QList<QUrl> { QUrl(address) } : QList<QUrl>());
    QCOMPARE(
        m_debug->lines().filter(QStringLiteral("on the desktop refused")).size(), opened ? 0 : 1);
}

void TestDispatcher::systemTrayWithoutATrayKeepsTheShell_data()
{
    QTest::addColumn<QString>("value");

    QTest::newRow("true") << "true";
    QTest::newRow("false") << "false";
    QTest::newRow("string 0") << "\"0\"";
    QTest::newRow("null") << "null";
}

// A bare X server has no system tray: hiding behind an icon nobody can click would leave the
// user with nothing on screen, so the shell stays.
void TestDispatcher::systemTrayWithoutATrayKeepsTheShell()
{
    QFETCH(QString, value);
    QVERIFY(m_shell.scene().view().isVisible());
    QVERIFY(m_pages->send(
        kLeft, QStringLiteral("t1"), QStringLiteral("{\"SetSystemTray\":%1}").arg(value)));

    QVERIFY(m_shell.scene().view().isVisible());
    for (const QString &window : standing())
        QVERIFY2(m_windows->findWindow(window)->window->isVisible(), qPrintable(window));
    QVERIFY(m_pages->settle(standing()));
    QCOMPARE(m_pages->received(kLeft), QStringList());
}

void TestDispatcher::muteOnlyForTheString1_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("muted");

    QTest::newRow("string 1 mutes") << "\"1\"" << true;
    QTest::newRow("number 1 unmutes") << "1" << false;
    QTest::newRow("string 0 unmutes") << "\"0\"" << false;
    QTest::newRow("true unmutes") << "true" << false;
    QTest::newRow("empty unmutes") << "\"\"" << false;
    QTest::newRow("null unmutes") << "null" << false;
}

void TestDispatcher::muteOnlyForTheString1()
{
    QFETCH(QString, value);
    QFETCH(bool, muted);
    QSignalSpy mutes(Tools::instance(), &Tools::sgMuteBrowsers);

    QVERIFY(
        m_pages->send(kLeft, QStringLiteral("m1"), QStringLiteral("{\"SetMute\":%1}").arg(value)));
    QCOMPARE(mutes.count(), 1);
    QCOMPARE(mutes.at(0).at(0).toBool(), muted);
    QVERIFY(m_pages->settle(standing()));
    QCOMPARE(m_pages->received(kLeft), QStringList());
}

void TestDispatcher::startProcessStaysInTheProgramFolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("started");

    const QString program = uniqueProgramName(QStringLiteral("lmndispatch"));
    QTest::newRow("in the program folder") << program << true;
    QTest::newRow("up and into the system") << "../../usr/bin/x" << false;
    QTest::newRow("absolute") << "/usr/bin/x" << false;
    QTest::newRow("up to a program outside")
        << QDir(QCoreApplication::applicationDirPath()).relativeFilePath(m_temp.filePath(program))
        << false;
}

void TestDispatcher::startProcessStaysInTheProgramFolder()
{
    QFETCH(QString, name);
    QFETCH(bool, started);
    const QString marker = m_temp.filePath(QStringLiteral("marker"));
    QFile::remove(marker);
    const QString program = uniqueProgramName(QStringLiteral("lmndispatch"));
    const QString inside = QCoreApplication::applicationDirPath() + QLatin1Char('/') + program;
    m_created << inside;
    QVERIFY(MarkerProgram::write(inside, marker));
    QVERIFY(MarkerProgram::write(m_temp.filePath(program), marker));

    QVERIFY(m_pages->send(
        kLeft, QStringLiteral("p1"), QStringLiteral("{\"StartProcess\":%1}").arg(json(name))));

    if (started) {
        QTRY_COMPARE_WITH_TIMEOUT(
            MarkerProgram::markerText(marker), QFile::encodeName(inside) + '\n', kEngineTimeout);
        QVERIFY(!m_debug->lines().contains(refusalLogLine(name)));
        return;
    }
    QVERIFY(m_debug->lines().contains(refusalLogLine(name)));
    // A program started afterwards has run, and the marker is still missing.
    QVERIFY(MarkerProgram::laterProgramHasRun(m_temp.path(), kEngineTimeout));
    QVERIFY(!QFileInfo::exists(marker));
}

void TestDispatcher::quittingRequestsEndTheEventLoop_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<bool>("cacheFlag");
    QTest::addColumn<QString>("refused");
    QTest::addColumn<bool>("updateStarted");

    const QString update = uniqueProgramName(QStringLiteral("lmnupdate"));
    QTest::newRow("clear the cache") << "{\"ClearCache\":\"\"}" << true << QString() << false;
    QTest::newRow("quit") << "{\"QuitApp\":\"1\"}" << false << QString() << false;
    QTest::newRow("update from the download folder")
        << QStringLiteral("{\"UpdateApp\":%1}").arg(json(update)) << false << QString() << true;
    QTest::newRow("update from elsewhere still quits")
        << "{\"UpdateApp\":\"../../usr/bin/x\"}" << false << refusalLogLine("../../usr/bin/x")
        << false;
    // <sha> stands for the SHA-256 of the update file.
    QTest::newRow("update with its hash")
        << QStringLiteral("{\"UpdateApp\":%1,\"Sha256\":\"<sha>\"}").arg(json(update)) << false
        << QString() << true;
    QTest::newRow("update with another hash still quits")
        << QStringLiteral("{\"UpdateApp\":%1,\"Sha256\":\"%2\"}")
               .arg(json(update), QString(64, '0'))
        << false
        << QStringLiteral("[OtherType]  [Other_Type] update %1 refused: its Sha256 does not match")
               .arg(update)
        << false;
}

void TestDispatcher::quittingRequestsEndTheEventLoop()
{
    QFETCH(QString, request);
    QFETCH(bool, cacheFlag);
    QFETCH(QString, refused);
    QFETCH(bool, updateStarted);
    const QString marker = m_temp.filePath(QStringLiteral("update-marker"));
    QFile::remove(marker);
    const QString update = DirHelper::instance()->downloadPath() + QLatin1Char('/')
        + uniqueProgramName(QStringLiteral("lmnupdate")) + Platform::executableSuffix;
    m_created << update;
    QVERIFY(MarkerProgram::write(update, marker));
    QFile file(update);
    QVERIFY(file.open(QIODevice::ReadOnly));
    request.replace(QStringLiteral("<sha>"),
        QString::fromLatin1(
            QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex()));
    QVERIFY(!isCacheFlagOnDisk());
    QSignalSpy closeAll(Tools::instance(), &Tools::sgCloseAllWindows);

    QCOMPARE(runUntilQuit([&] { m_pages->post(kLeft, QStringLiteral("x1"), request); }), 0);

    QCOMPARE(closeAll.count(), 1);
    QCOMPARE(isCacheFlagOnDisk(), cacheFlag);
    if (!refused.isEmpty()) {
        QVERIFY(m_debug->lines().contains(refused));
        QVERIFY(MarkerProgram::laterProgramHasRun(m_temp.path(), kEngineTimeout));
        QVERIFY(!QFileInfo::exists(marker));
    }
    if (updateStarted)
        QTRY_COMPARE_WITH_TIMEOUT(
            MarkerProgram::markerText(marker), QFile::encodeName(update) + '\n', kEngineTimeout);
    verifyOnlyNextAnswerArrives(QStringLiteral("x2"));
}

// The dispatcher's own texts:

void TestDispatcher::requestIsLoggedAndEchoedAsReceived_data()
{
    QTest::addColumn<QString>("sender");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("logged");

    const QString spaced = QStringLiteral("{ \"GetVersion\" : \"left\" }");
    QTest::newRow("white space kept") << kLeft << spaced << spaced;
    const QString escaped
        = QStringLiteral("{\"GetVersion\":\"left\",\"Note\":\"名字 \\\"q\\\" \\\\ \\u00e9 /\"}");
    QTest::newRow("escapes and non-ASCII") << kLeft << escaped << escaped;
    const QString other = QStringLiteral("{\"GetVersion\":\"right\"}");
    QTest::newRow("speaking for another window") << kRight << other << other;
    const QString padded = QStringLiteral("{\"GetVersion\":\"left\",\"Pad\":\"%1\"}")
                               .arg(QString(5000, QLatin1Char('x')));
    QTest::newRow("long, cut in the log") << kLeft << padded
                                          << padded.left(4096)
            + QStringLiteral("... (%1 characters left out)").arg(padded.size() - 4096);
}

void TestDispatcher::requestIsLoggedAndEchoedAsReceived()
{
    QFETCH(QString, sender);
    QFETCH(QString, request);
    QFETCH(QString, logged);
    QVERIFY(m_pages->send(kLeft, QStringLiteral("e1"), request, sender));
    QVERIFY(m_pages->settle(standing()));

    QCOMPARE(requestLogLines(sender), QStringList { requestLogLine(sender, logged) });
    QCOMPARE(m_pages->received(sender),
        QStringList { reply(request, QStringLiteral("e1"), QStringLiteral("1.0.2")) });
}

void TestDispatcher::emptyRequestIsOnlyLogged()
{
    QSignalSpy opened(m_windows, &QCefView::sgOpenNewWindow);
    QSignalSpy closed(m_windows, &QCefView::sgCloseWindow);
    QSignalSpy mutes(Tools::instance(), &Tools::sgMuteBrowsers);
    QSignalSpy closeAll(Tools::instance(), &Tools::sgCloseAllWindows);

    QVERIFY(m_pages->send(kLeft, QStringLiteral("n1"), QStringLiteral("{}")));
    QVERIFY(m_pages->settle(standing()));

    QCOMPARE(requestLogLines(kLeft), QStringList { requestLogLine(kLeft, QStringLiteral("{}")) });
    for (const QString &window : standing())
        QCOMPARE(m_pages->received(window), QStringList());
    QCOMPARE(opened.count() + closed.count() + mutes.count() + closeAll.count(), 0);
    QCOMPARE(m_desktop.urls(), QList<QUrl>());
    QVERIFY(m_shell.scene().view().isVisible());
}

void TestDispatcher::textThatIsNotJsonIsDropped_data()
{
    QTest::addColumn<QString>("request");

    QTest::newRow("cut short") << "{\"GetVersion\":\"left\"";
    QTest::newRow("trailing comma") << "{\"GetVersion\":\"left\",}";
    QTest::newRow("single quotes") << "{'GetVersion':'left'}";
    QTest::newRow("empty") << QString();
}

// The scene's script engine reports the parse error; the next request of the
// same page is handled as usual.
void TestDispatcher::textThatIsNotJsonIsDropped()
{
    QFETCH(QString, request);
    QVERIFY(m_pages->send(kLeft, QStringLiteral("bad"), request));
    const QString next = QStringLiteral("{\"GetVersion\":\"left\"}");
    QVERIFY(m_pages->send(kLeft, QStringLiteral("next"), next));
    QVERIFY(m_pages->settle(standing()));

    m_expectedWarnings = 1;
    QCOMPARE(m_sceneWarnings, 1);
    QCOMPARE(requestLogLines(kLeft), QStringList { requestLogLine(kLeft, next) });
    QCOMPARE(m_pages->received(kLeft),
        QStringList { reply(next, QStringLiteral("next"), QStringLiteral("1.0.2")) });
}

// A dispatcher of its own, whose window manager records the scripts: rows run
// in their fixed order, and what they send is compact JSON.
void TestDispatcher::scriptTextsAreCompact()
{
    QQmlEngine *engine = m_shell.scene().view().engine();
    ScriptRecorder recorder;
    QQmlContext context(engine->rootContext());
    context.setContextProperty(QStringLiteral("cppCef"), &recorder);
    QQmlComponent component(engine, QUrl(QStringLiteral("qrc:/WebView.qml")));
    const std::unique_ptr<QObject> dispatcher(component.create(&context));
    QVERIFY2(dispatcher, qPrintable(component.errorString()));
    QObject *jsobject = dispatcher->property("jsobject").value<QObject *>();
    QVERIFY(jsobject);

    const QString request = QStringLiteral(
        "{\"GetVersion\":\"w\", \"SendMsg\":\"v\", \"Msg\":{\"B\":[1, 2], \"A\":\"x\"}}");
    const QJsonObject message { { "id", "7" }, { "msgName", "callQML" }, { "name", "w" },
        { "request", request } };
    QVERIFY(QMetaObject::invokeMethod(
        jsobject, "callQML", Q_ARG(QVariant, QString::fromUtf8(QJsonDocument(message).toJson()))));

    QCOMPARE(recorder.scripts(),
        QStringList({ QStringLiteral("v|qtSlots({\"B\":[1,2],\"A\":\"x\"})"),
            QStringLiteral("w|") + reply(request, QStringLiteral("7"), QStringLiteral("1.0.2")) }));
}

// Pages may read the failure object's "statuc"; results are always strings.
void TestDispatcher::failureBuilderKeepsItsSpelling()
{
    QObject *root = m_shell.scene().view().rootObject();
    const auto evaluate = [root](const QString &script) {
        QQmlExpression expression(qmlContext(root), root, script);
        const QVariant result = expression.evaluate();
        return expression.hasError() ? expression.error().toString() : result.toString();
    };

    QCOMPARE(evaluate(QStringLiteral(
                 "JSON.stringify(m_webview.jsobject.createFailureMsg('7', '{\"Close\":\"x\"}', "
                 "3, 'no window'))")),
        QStringLiteral("{\"request\":\"{\\\"Close\\\":\\\"x\\\"}\",\"statuc\":\"failure\","
                       "\"id\":\"7\",\"failureVal\":3,\"failureMsg\":\"no window\"}"));
    QCOMPARE(evaluate(QStringLiteral(
                 "JSON.stringify(m_webview.jsobject.createSuccessMsg('8', '{}', 42))")),
        QStringLiteral(
            "{\"request\":\"{}\",\"status\":\"success\",\"id\":\"8\",\"successMsg\":\"42\"}"));
}

LUMEN_ENGINE_TEST_MAIN(TestDispatcher)
#include "tst_dispatcher.moc"
