#include "cef/cefbrowser.h"
#include "cef/qcefapp.h"
#include "cef/qcefclient.h"
#include "debugcapture.h"
#include "engine/pagerequests.h"
#include "enginetest.h"
#include "testhttpserver.h"
#include "xtestinput.h"

#include <QDesktopServices>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebEngineSettings>

// Stands in for the desktop: what reaches it is recorded instead of opened.
class DesktopRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened.append(url); }
};

// A browser's client, with a real engine behind it: what the engine does with
// its page's options, and what it reports of the player's clicks on new views,
// menus and other schemes, and of certificates. The client's own policies are
// tested on the fake engine (tst_clientpolicies).
class TestQCefClient : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void browserArrivesOnALaterTurn();
    void newViewsBecomeOneHookPopupPush_data();
    void newViewsBecomeOneHookPopupPush();
    void popupsNeedThePlayerAndATrustedDocument();
    void pageContextMenuIsSuppressed();
    void pluginsAreAllowed();
    void certificateErrorFailsTheLoad();
    void otherSchemesNeverReachTheDesktop();

private:
    CefRefPtr<QCefClient> openBrowser(const QString &url);
    void waitForReady();
    QCefClient *openShownPage();
    bool clickUntil(const QPoint &point, const std::function<bool()> &answered);
    QWindow *browserWindow() const;
    void runInPage(const QString &script);

    QCefEngine m_engine { realEngine() };
    TestHttpServer m_server;
    CefRefPtr<QCefClient> m_client;
};

// Below the classes: moc takes the addresses in these pages for comments.
namespace {

// Above, a link to a new window and a script that opens one; below, an ad's
// frame from another site with a link to the portal's page in a new window.
const char popupPage[] = R"html(<!doctype html><html><body style="margin:0">
<a id="link" target="_blank" href="/target.html"
   style="position:fixed;left:0;top:0;width:200px;height:120px">link</a>
<div style="position:fixed;left:200px;top:0;width:200px;height:120px"
     onclick="window.open('/target.html')">open</div>
<iframe src="AD" style="position:fixed;left:0;top:200px;width:400px;height:100px;border:0">
</iframe>
<script>
document.addEventListener('contextmenu', function () { callQML('menu', '', ''); });
window.addEventListener('load', function () { callQML('ready', '', ''); });
</script></body></html>)html";

// What the desktop would open, a quarter of the window each: a link, a script
// on a click, and a link in a frame of another site.
const char schemesPage[] = R"(<!doctype html><html><body style="margin:0">
<a id="smb" href="smb://host/share"
   style="position:fixed;left:0;top:0;width:200px;height:150px">share</a>
<div style="position:fixed;left:0;top:150px;width:200px;height:150px"
     onclick="location = 'steam://run/1'">game</div>
<iframe src="AD" style="position:fixed;left:200px;top:0;width:200px;height:300px;border:0">
</iframe></body></html>)";

const char schemesFrame[] = R"(<!doctype html><html><body style="margin:0">
<a href="irc://irc.example/room"
   style="position:fixed;left:0;top:0;width:200px;height:300px">chat</a>
</body></html>)";

const char adFrame[] = R"(<!doctype html><html><body style="margin:0">
<a target="_blank" href="TARGET"
   style="position:fixed;left:0;top:0;width:400px;height:100px">ad</a>
</body></html>)";

} // namespace

void TestQCefClient::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.setPage(QStringLiteral("/popup.html"),
        QByteArray(popupPage).replace("AD",
            m_server.url(QStringLiteral("ad.localhost"), QStringLiteral("/ad.html")).toUtf8()));
    m_server.setPage(QStringLiteral("/ad.html"),
        QByteArray(adFrame).replace(
            "TARGET", m_server.url(QStringLiteral("/target.html")).toUtf8()));
    m_server.setPage(QStringLiteral("/ok.html"), "<html><body>ok</body></html>");
    m_server.setPage(QStringLiteral("/target.html"), "<html><body>target</body></html>");
    m_server.setPage(QStringLiteral("/schemes.html"),
        QByteArray(schemesPage)
            .replace("AD",
                m_server.url(QStringLiteral("ad.localhost"), QStringLiteral("/frame.html"))
                    .toUtf8()));
    m_server.setPage(QStringLiteral("/frame.html"), schemesFrame);
    int argc = 0;
    QCOMPARE(m_engine.initialize(argc, nullptr), -1);
}

void TestQCefClient::cleanup()
{
    if (m_client && m_client->getBrowser())
        m_client->getBrowser()->closeBrowser();
    m_client.reset();
}

CefRefPtr<QCefClient> TestQCefClient::openBrowser(const QString &url)
{
    m_client = m_engine.app()->createBrowser(QStringLiteral("app"), false, url, 400, 300);
    return m_client;
}

// The popup page, shown and ready for the player's clicks.
QCefClient *TestQCefClient::openShownPage()
{
    openBrowser(m_server.url(QStringLiteral("/popup.html")));
    waitForReady();
    QWindow *window = browserWindow();
    window->show();
    return QTest::qWaitForWindowExposed(window) ? m_client.data() : nullptr;
}

// A real click of the player at a point of the page, repeated until
// answered() holds: the page takes input only once it has drawn itself.
bool TestQCefClient::clickUntil(const QPoint &point, const std::function<bool()> &answered)
{
    XTestInput input;
    input.movePointer(browserWindow()->mapToGlobal(point));
    return QTest::qWaitFor(
        [&] {
            input.clickButton(1);
            QTest::qWait(250);
            return answered();
        },
        10000);
}

void TestQCefClient::waitForReady()
{
    QSignalSpy messages(m_client.data(), &QCefClient::sgWebMsgReceived);
    QVERIFY(messages.wait(20000));
}

QWindow *TestQCefClient::browserWindow() const
{
    return m_client->getBrowser()->window();
}

void TestQCefClient::runInPage(const QString &script)
{
    m_client->getBrowser()->executeJavaScript(script);
}

void TestQCefClient::browserArrivesOnALaterTurn()
{
    const CefRefPtr<QCefClient> first = openBrowser(m_server.url(QStringLiteral("/ok.html")));
    QVERIFY(first);
    QVERIFY(!first->getBrowser());
    const CefRefPtr<QCefClient> second
        = m_engine.app()->createBrowser(QStringLiteral("app"), false, QString(), 0, 0);

    QTRY_VERIFY(first->getBrowser() && first->getBrowser()->window());
    QTRY_VERIFY(second->getBrowser() && second->getBrowser()->window());
    QVERIFY(first->getBrowser()->identifier() > 0);
    QCOMPARE(second->getBrowser()->identifier(), first->getBrowser()->identifier() + 1);
    QVERIFY(!browserWindow()->isVisible());
    QCOMPARE(browserWindow()->size(), QSize(400, 300));
    second->getBrowser()->closeBrowser();
}

void TestQCefClient::newViewsBecomeOneHookPopupPush_data()
{
    QTest::addColumn<QPoint>("click");
    QTest::newRow("window.open") << QPoint(300, 60);
    QTest::newRow("target=_blank link") << QPoint(100, 60);
}

void TestQCefClient::newViewsBecomeOneHookPopupPush()
{
    QFETCH(QPoint, click);
    QSignalSpy pushes(openShownPage(), &QCefClient::sgHookPopup);
    const int windows = QGuiApplication::allWindows().count();

    QVERIFY(clickUntil(click, [&] { return !pushes.isEmpty(); }));
    QTest::qWait(1000);
    QCOMPARE(pushes.count(), 1);
    QCOMPARE(pushes.at(0).at(0).toString(),
        QStringLiteral("qtSlots({\"HookPopup\":\"%1\"})")
            .arg(m_server.url(QStringLiteral("/target.html"))));
    // Earlier tests' windows may still be going meanwhile.
    QVERIFY(QGuiApplication::allWindows().count() <= windows);
    if (QTest::currentDataTag() == QLatin1String("target=_blank link"))
        LUMEN_SKIP_ON_SYSTEM_CHROMIUM(
            "Chromium asks for a link's new window's address before it tells of the window, "
            "which goes unshown only after that one request");
    QCOMPARE(m_server.requestCount(QStringLiteral("/target.html")), 0);
}

// Browsers open popups only for the player's click or key; a popup of an
// ad's frame the player clicked is not hooked either. Both are logged.
void TestQCefClient::popupsNeedThePlayerAndATrustedDocument()
{
    DebugCapture debug;
    debug.clear();
    QSignalSpy pushes(openShownPage(), &QCefClient::sgHookPopup);
    const QString target = m_server.url(QStringLiteral("/target.html"));

    runInPage(QStringLiteral("window.open('/target.html')"));
    const QString unasked
        = QStringLiteral("popup to %1 refused: no click or key of the player").arg(target);
    QTRY_VERIFY_WITH_TIMEOUT(!debug.lines().filter(unasked).isEmpty(), 10000);

    const QString fromAd = QStringLiteral("popup to %1 refused: asked for by %2 in %3")
                               .arg(target, m_server.url(QStringLiteral("ad.localhost"), QString()),
                                   m_server.url(QString()));
    QVERIFY(clickUntil(QPoint(200, 250), [&] { return !debug.lines().filter(fromAd).isEmpty(); }));
    QTest::qWait(500);
    QCOMPARE(pushes.count(), 0);
}

void TestQCefClient::pageContextMenuIsSuppressed()
{
    openBrowser(m_server.url(QStringLiteral("/popup.html")));
    waitForReady();
    QWindow *window = browserWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QSignalSpy messages(m_client.data(), &QCefClient::sgWebMsgReceived);

    // The page takes input only once it has drawn itself: click until it answers.
    XTestInput input;
    input.movePointer(window->mapToGlobal(QPoint(200, 150)));
    QVERIFY(QTest::qWaitFor(
        [&] {
            input.clickButton(3);
            return messages.wait(250);
        },
        10000));
    // The engine would open its menu as a popup of the application's.
    QTest::qWait(500);
    QVERIFY(!QApplication::activePopupWidget());
}

void TestQCefClient::pluginsAreAllowed()
{
    openBrowser(m_server.url(QStringLiteral("/ok.html")));
    LUMEN_SKIP_ON_SYSTEM_CHROMIUM("Chromium's only plugin is its own PDF viewer, with no setting");
    QTRY_VERIFY(m_client->getBrowser());
    QWebEngineView *view = viewOf(*m_client->getBrowser());
    QVERIFY(view);
    QVERIFY(view->page()->settings()->testAttribute(QWebEngineSettings::PluginsEnabled));
}

// Only OpenUrl hands addresses to the desktop: a player's click on a link or
// on a script of the page, or of a frame of another site, asks for nothing
// there. Each refusal is logged once per scheme and window.
void TestQCefClient::otherSchemesNeverReachTheDesktop()
{
    LUMEN_SKIP_ON_SYSTEM_CHROMIUM(
        "Chromium hands other schemes to its own opener, which the shell gives one that opens "
        "nothing: the shell is not asked, and logs nothing");
    DesktopRecorder desktop;
    const QStringList schemes { QStringLiteral("smb"), QStringLiteral("steam"),
        QStringLiteral("irc") };
    for (const QString &scheme : schemes)
        QDesktopServices::setUrlHandler(scheme, &desktop, "open");
    DebugCapture debug;
    openBrowser(m_server.url(QStringLiteral("/schemes.html")));
    QTRY_VERIFY_WITH_TIMEOUT(m_client->getBrowser(), 10000);
    QWindow *window = browserWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));

    const QList<QPoint> targets { { 100, 75 }, { 100, 225 }, { 300, 150 } };
    for (int i = 0; i < targets.size(); ++i) {
        QVERIFY2(
            clickUntil(targets.at(i),
                [&] { return debug.lines().filter(QStringLiteral("address refused")).size() > i; }),
            qPrintable(schemes.at(i)));
    }
    QTest::qWait(500);
    QCOMPARE(desktop.opened, QList<QUrl>());
    for (const QString &scheme : schemes) {
        QCOMPARE(debug.lines()
                     .filter(QStringLiteral("navigation to a %1 address refused").arg(scheme))
                     .size(),
            1);
        QDesktopServices::unsetUrlHandler(scheme);
    }
}

LUMEN_ENGINE_TEST_MAIN(TestQCefClient)
#include "tst_qcefclient.moc"

// A server whose certificate nobody vouches for: the page does not load, and
// the log names the host and the error.
void TestQCefClient::certificateErrorFailsTheLoad()
{
    QTemporaryDir folder;
    const QString key = folder.filePath(QStringLiteral("key.pem"));
    const QString certificate = folder.filePath(QStringLiteral("certificate.pem"));
    QCOMPARE(QProcess::execute(QStringLiteral("openssl"),
                 { "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out",
                     certificate, "-days", "1", "-subj", "/CN=127.0.0.1" }),
        0);
    QTcpServer freePort;
    QVERIFY(freePort.listen(QHostAddress::LocalHost));
    const QString port = QString::number(freePort.serverPort());
    freePort.close();
    QProcess server;
    server.start(QStringLiteral("openssl"),
        { "s_server", "-accept", port, "-cert", certificate, "-key", key, "-www", "-quiet" });
    QTRY_VERIFY_WITH_TIMEOUT(
        [&port] {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port.toUShort());
            return socket.waitForConnected(200);
        }(),
        20000);

    DebugCapture debug;
    openBrowser(QStringLiteral("https://127.0.0.1:%1/").arg(port));
    QSignalSpy loadEnds(m_client.data(), &QCefClient::sgLoadEnd);
    QTRY_COMPARE_WITH_TIMEOUT(
        debug.lines().filter(QStringLiteral("certificate error on 127.0.0.1: ")).size(), 1, 20000);
    QTest::qWait(500);
    QCOMPARE(loadEnds.count(), 0);
    server.kill();
    server.waitForFinished();
}
