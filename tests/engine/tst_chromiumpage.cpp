#include "cef/qcefrenderhandler.h"
#include "cef/sandbox.h"
#include "engine/chromium/chromiumbrowserengine.h"
#include "engine/enginepage.h"
#include "engine/engineprofile.h"
#include "engine/pagerequests.h"
#include "engine/wakelockrequest.h"
#include "enginetestenvironment.h"
#include "testaudioserver.h"
#include "testhttpserver.h"
#include "xtestinput.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

// A page of the system's Chromium as the shell's policies see it: every navigation of its frames
// asked about, the refused ones never leaving the page; the popups it asks for told with the
// document the player acted in, none of them opened by the browser itself.
class TestChromiumPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void refusedNavigationsNeverLeave();
    void popupIsAskedWithThePlayersGestureAndNeverOpens();
    void otherProgramsSchemesStartNoProgram();
    void permissionsAreAnsweredAheadWithoutAQuestion();
    void outOfSightPagesGetNoFramesWhileTimersRun();
    void screenWakeLocksAreTheShellsAndGoWhenOutOfSight();
    void mutedPageIsSilentInEveryFrame();

private:
    // The window's place on the display, as the X server has it.
    static QRect onScreen(WId window);
    // Chromium's top-level windows on the display that show, but the page's own.
    static QStringList otherChromiumWindowsShown(WId pageWindow);

    QTemporaryDir m_temp;
    TestAudioServer m_audio;
    bool m_audible = false;
    ChromiumBrowserEngine m_engine;
    QScopedPointer<TestHttpServer> m_server;
    QScopedPointer<EnginePage> m_page;
};

void TestChromiumPage::initTestCase()
{
    if (ChromiumBrowserEngine::installedVersion().isEmpty())
        QSKIP("The system's Chromium is not installed");
    QVERIFY(m_temp.isValid());
    // The desktop's opener, as the browser would find it: it tells what it was given.
    QVERIFY(QDir().mkpath(m_temp.filePath("desktop")));
    QFile opener(m_temp.filePath("desktop/xdg-open"));
    QVERIFY(opener.open(QIODevice::WriteOnly));
    opener.write("#!/bin/sh\necho \"$@\" >> \"$(dirname \"$0\")/opened\"\n");
    opener.close();
    QVERIFY(opener.setPermissions(opener.permissions() | QFile::ExeOwner));
    qputenv("PATH", m_temp.filePath("desktop").toUtf8() + ":" + qgetenv("PATH"));
    EngineSettings settings;
    settings.storagePath = m_temp.filePath("storage");
    settings.cachePath = m_temp.filePath("cache");
    if (Sandbox::mustBeDisabled())
        settings.switches.append("--no-sandbox");
    // The pages' tones play at once: no player is there to click.
    settings.switches.append("--autoplay-policy=no-user-gesture-required");
    m_audible = m_audio.start();
    settings.pageScript = QCefRenderHandler::pageScript();
    settings.bridgeScript = QCefRenderHandler::bridgeScript();
    QVERIFY(m_engine.start(settings));
}

void TestChromiumPage::init()
{
    m_server.reset(new TestHttpServer);
    QVERIFY(m_server->listen());
    m_page.reset(m_engine.profile()->createPage({}));
}

void TestChromiumPage::cleanup()
{
    m_page.reset();
    m_server.reset();
}

QRect TestChromiumPage::onScreen(WId window)
{
    QProcess xwininfo;
    xwininfo.start("xwininfo", { "-id", QString::number(window) });
    xwininfo.waitForFinished(10000);
    const QString info = QString::fromUtf8(xwininfo.readAllStandardOutput());
    const auto value = [&info](const QString &name) {
        return QRegularExpression(name + R"(:\s+(-?\d+))").match(info).captured(1).toInt();
    };
    return QRect(value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"),
        value("Height"));
}

QStringList TestChromiumPage::otherChromiumWindowsShown(WId pageWindow)
{
    QProcess xwininfo;
    xwininfo.start("xwininfo", { "-root", "-children" });
    xwininfo.waitForFinished(10000);
    static const QRegularExpression chromiumWindow(R"((0x[0-9a-f]+) .*"Chromium"\))");
    QStringList shown;
    for (const QString &line : QString::fromUtf8(xwininfo.readAllStandardOutput()).split('\n')) {
        const QString id = chromiumWindow.match(line).captured(1);
        if (id.isEmpty() || id.toULongLong(nullptr, 16) == pageWindow)
            continue;
        QProcess state;
        state.start("xwininfo", { "-id", id });
        state.waitForFinished(10000);
        if (state.readAllStandardOutput().contains("Map State: IsViewable"))
            shown.append(line.trimmed());
    }
    return shown;
}

// The page's script goes on to the next address once its first try stayed without an answer. The
// frame of another site runs in a render process of its own.
void TestChromiumPage::refusedNavigationsNeverLeave()
{
    m_server->setPage(
        "/ad", "<script>setTimeout(function () { location.href = '/refused-ad'; }, 200);</script>");
    m_server->setPage("/start",
        "<iframe src='/refused-frame'></iframe><iframe src='"
            + m_server->url("ads.localhost", "/ad").toUtf8()
            + "'></iframe><script>"
              "setTimeout(function () { location.href = '/refused'; }, 300);"
              "setTimeout(function () { location.href = '/next'; }, 1500);</script>");
    m_server->setPage("/next", "next");
    QStringList asked;
    connect(m_page.get(), &EnginePage::sgNavigationRequested, this,
        [&asked](NavigationRequest &request) {
            asked.append(request.url().path() + (request.isMainFrame() ? " main" : " frame"));
            if (request.url().path().startsWith("/refused"))
                request.reject();
        });
    QStringList started;
    connect(m_page.get(), &EnginePage::sgLoadStarted, this,
        [&started](const QUrl &url) { started.append(url.path()); });

    m_page->load(QUrl(m_server->url("/start")));
    QTRY_COMPARE_WITH_TIMEOUT(m_page->url().path(), "/next", 60000);
    QCOMPARE(m_server->requestCount("/refused"), 0);
    QCOMPARE(m_server->requestCount("/refused-frame"), 0);
    QCOMPARE(m_server->requestCount("/refused-ad"), 0);
    asked.sort();
    QCOMPARE(asked,
        QStringList({ "/ad frame", "/next main", "/refused main", "/refused-ad frame",
            "/refused-frame frame", "/start main" }));
    QCOMPARE(started, QStringList({ "/start", "/next" }));
}

// The page's own script claims the player acted in another site: only the bridge's world is
// asked. The popup Chromium blocks itself, one without the player's gesture, is told too.
void TestChromiumPage::popupIsAskedWithThePlayersGestureAndNeverOpens()
{
    m_server->setPage("/opener",
        "<body style='margin:0;height:100vh'><script>"
        "window.lumenGestures = function () {"
        "  return { page: 'https://forged.example', origin: 'https://forged.example', age: 0 };"
        "};"
        "window.open('/unasked');"
        "document.body.onclick = function () { window.open('/popup'); };</script></body>");
    QHash<QString, PopupRequest> popups;
    connect(m_page.get(), &EnginePage::sgPopupRequested, this,
        [&popups](const PopupRequest &request) { popups.insert(request.url.path(), request); });
    m_page->load(QUrl(m_server->url("/opener")));
    QTRY_VERIFY_WITH_TIMEOUT(m_page->window() && popups.contains("/unasked"), 60000);
    QVERIFY(!popups.value("/unasked").userGesture);

    XTestInput input;
    QVERIFY(input.isOpen());
    input.movePointer(onScreen(m_page->window()->winId()).center());
    QVERIFY(QTest::qWaitFor(
        [&] {
            input.clickButton(1);
            QTest::qWait(500);
            return popups.contains("/popup");
        },
        20000));
    const PopupRequest popup = popups.value("/popup");
    const QString site = QUrl(m_server->url("/")).adjusted(QUrl::RemovePath).toString();
    QCOMPARE(popup.url, QUrl(m_server->url("/popup")));
    QVERIFY(popup.userGesture);
    QCOMPARE(popup.gesture.actingOrigin, site);
    QCOMPARE(popup.gesture.pageOrigin, site);

    const WId pageWindow = m_page->window()->winId();
    QTRY_VERIFY2_WITH_TIMEOUT(otherChromiumWindowsShown(pageWindow).isEmpty(),
        qPrintable(otherChromiumWindowsShown(pageWindow).join(", ")), 10000);
    QTest::qWait(1000);
    QCOMPARE(m_server->requestCount("/popup"), 0);
    QCOMPARE(m_server->requestCount("/unasked"), 0);
}

// The browser would hand mailto: to the desktop at once, without a word to the shell.
void TestChromiumPage::otherProgramsSchemesStartNoProgram()
{
    m_server->setPage("/mail", "<script>location.href = 'mailto:player@example.com';</script>");
    m_page->load(QUrl(m_server->url("/mail")));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requestCount("/mail"), 1, 60000);
    QTest::qWait(4000);
    QVERIFY(!QFile::exists(m_temp.filePath("desktop/opened")));
}

// The browser's own question would leave the page's promises unanswered: each answer comes at
// once, granted only where the shell granted it ahead to the document's origin.
void TestChromiumPage::permissionsAreAnsweredAheadWithoutAQuestion()
{
    m_server->setPage("/ask",
        "<script>function tell(what) { fetch('/told/' + what, { cache: 'no-store' }); }"
        "Notification.requestPermission().then(function (s) { tell('notifications-' + s); });"
        "navigator.geolocation.getCurrentPosition(function () { tell('position'); },"
        "    function (e) { tell('geolocation-' + e.code); });"
        "navigator.permissions.query({ name: 'camera' })"
        "    .then(function (p) { tell('camera-' + p.state); });</script>");
    const QString trusted = QUrl(m_server->url("/")).host();
    connect(m_page.get(), &EnginePage::sgPermissionsAheadNeeded, this,
        [trusted](PermissionsAhead &ahead) {
            if (ahead.url().host() == trusted)
                ahead.grant(PermissionRequest::Feature::Notifications);
        });
    m_page->load(QUrl(m_server->url("/ask")));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requestCount("/told/notifications-granted"), 1, 60000);
    QTRY_COMPARE(m_server->requestCount("/told/geolocation-1"), 1);
    QTRY_COMPARE(m_server->requestCount("/told/camera-denied"), 1);

    m_page->load(QUrl(m_server->url("other.localhost", "/ask")));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requestCount("/told/notifications-denied"), 1, 20000);
}

// Each document counts its animation frames and timer ticks for three seconds after its
// visibility changes; the frame of another site runs in a render process of its own.
void TestChromiumPage::outOfSightPagesGetNoFramesWhileTimersRun()
{
    const QByteArray counter
        = "<script>var frames = 0, ticks = 0;"
          "(function frame() { ++frames; requestAnimationFrame(frame); })();"
          "setInterval(function () { ++ticks; }, 100);"
          "document.addEventListener('visibilitychange', function () {"
          "    frames = ticks = 0;"
          "    setTimeout(function () { fetch('/' + location.hostname + '/' + document.hidden"
          "        + '/' + (frames > 1) + '/' + (ticks > 1), { cache: 'no-store' }); }, 3000);"
          "});</script>";
    m_server->setPage("/count", counter);
    m_server->setPage("/sight",
        counter + "<iframe src='" + m_server->url("ads.localhost", "/count").toUtf8() + "'>");
    QStringList reports;
    connect(m_server.get(), &TestHttpServer::sgRequested, this, [&reports](const QString &path) {
        if (path.count('/') == 4)
            reports.append(path);
    });
    m_page->load(QUrl(m_server->url("/sight")));
    QSignalSpy loaded(m_page.get(), &EnginePage::sgLoadFinished);
    QVERIFY(loaded.wait(60000));
    QTRY_VERIFY(m_page->window());
    QWindow host;
    host.resize(400, 300);
    m_page->window()->setParent(&host);
    m_page->window()->show();
    host.show();

    m_page->setVisibleToPlayer(false);
    QTRY_COMPARE_WITH_TIMEOUT(reports.size(), 2, 20000);
    reports.sort();
    QCOMPARE(
        reports, QStringList({ "/127.0.0.1/true/false/true", "/ads.localhost/true/false/true" }));

    reports.clear();
    m_page->setVisibleToPlayer(true);
    QTRY_COMPARE_WITH_TIMEOUT(reports.size(), 2, 20000);
    reports.sort();
    QCOMPARE(
        reports, QStringList({ "/127.0.0.1/false/true/true", "/ads.localhost/false/true/true" }));
    m_page->window()->setParent(nullptr);
}

// The shell holds the screen on while a granted lock is held: it hears of its release, and of its
// end as the page goes out of sight.
void TestChromiumPage::screenWakeLocksAreTheShellsAndGoWhenOutOfSight()
{
    m_server->setPage("/wake",
        "<script>var held = null;"
        "function tell(what) { fetch('/told/' + what, { cache: 'no-store' }); }"
        "function hold() { navigator.wakeLock.request('screen').then(function (lock) {"
        "    held = lock; lock.onrelease = function () { tell('released'); }; tell('held');"
        "}, function (error) { tell(error.name); }); }</script>");
    QStringList asked;
    bool grant = true;
    connect(m_page.get(), &EnginePage::sgWakeLockRequested, this, [&](WakeLockRequest &request) {
        asked.append(request.lock());
        if (grant && request.origin() == QUrl(m_server->url("/")).adjusted(QUrl::RemovePath))
            request.grant();
    });
    QSignalSpy released(m_page.get(), &EnginePage::sgWakeLockReleased);
    QSignalSpy loaded(m_page.get(), &EnginePage::sgLoadFinished);
    m_page->load(QUrl(m_server->url("/wake")));
    QVERIFY(loaded.wait(60000));

    m_page->runJavaScript("hold()");
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requestCount("/told/held"), 1, 20000);
    QCOMPARE(asked.size(), 1);
    m_page->runJavaScript("held.release()");
    QTRY_COMPARE(m_server->requestCount("/told/released"), 1);
    QCOMPARE(released.size(), 1);
    QCOMPARE(released.constFirst().constFirst().toString(), asked.constFirst());

    m_page->runJavaScript("hold()");
    QTRY_COMPARE(m_server->requestCount("/told/held"), 2);
    QTRY_VERIFY(m_page->window());
    m_page->setVisibleToPlayer(false);
    QTRY_COMPARE(m_server->requestCount("/told/released"), 2);
    QCOMPARE(released.size(), 2);
    QCOMPARE(released.constLast().constFirst().toString(), asked.constLast());
    m_page->setVisibleToPlayer(true);

    grant = false;
    m_page->runJavaScript("hold()");
    QTRY_COMPARE(m_server->requestCount("/told/NotAllowedError"), 1);
    QCOMPARE(asked.size(), 3);
}

// The main frame plays a tone through Web Audio, a frame of another site (in a render process of
// its own) through a media element; what the browser plays is measured on the sound server.
void TestChromiumPage::mutedPageIsSilentInEveryFrame()
{
    if (!m_audible)
        QSKIP("No sound server to listen on: pulseaudio and parec are not installed");
    const QByteArray tone = "<script>var context = new AudioContext();"
                            "var tone = context.createOscillator(); tone.start();</script>";
    m_server->setPage("/element",
        tone
            + "<script>var stream = context.createMediaStreamDestination();"
              "tone.connect(stream); var element = new Audio();"
              "element.srcObject = stream.stream; element.play();</script>");
    m_server->setPage("/tones",
        tone + "<script>tone.connect(context.destination);</script><iframe src='"
            + m_server->url("ads.localhost", "/element").toUtf8() + "'></iframe>");
    const int loud = 1000;
    m_page->load(QUrl(m_server->url("/tones")));
    QTRY_VERIFY_WITH_TIMEOUT(m_audio.loudness() > loud, 60000);

    m_page->setAudioMuted(true);
    QTRY_COMPARE_WITH_TIMEOUT(m_audio.loudness(), 0.0, 20000);
    m_page->setAudioMuted(false);
    QTRY_VERIFY_WITH_TIMEOUT(m_audio.loudness() > loud, 20000);

    // The frame's media element alone.
    m_page->runJavaScript("tone.stop()");
    QTest::qWait(500);
    QVERIFY(m_audio.loudness() > loud);
    m_page->setAudioMuted(true);
    QTRY_COMPARE_WITH_TIMEOUT(m_audio.loudness(), 0.0, 20000);
}

int main(int argc, char *argv[])
{
    EngineTestEnvironment environment;
    QGuiApplication app(argc, argv);
    TestChromiumPage test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_chromiumpage.moc"
