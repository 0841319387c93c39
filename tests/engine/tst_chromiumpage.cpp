#include "cef/qcefrenderhandler.h"
#include "cef/sandbox.h"
#include "engine/bridgecall.h"
#include "engine/chromium/chromiumbrowserengine.h"
#include "engine/enginedownload.h"
#include "engine/enginepage.h"
#include "engine/engineprofile.h"
#include "engine/hangquestionview.h"
#include "engine/pagerequests.h"
#include "engine/wakelockrequest.h"
#include "enginetestenvironment.h"
#include "processtree.h"
#include "testaudioserver.h"
#include "testhttpserver.h"
#include "xtestinput.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <X11/keysym.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#include <csignal>

// A page of the system's Chromium as the shell's policies see it: every navigation of its frames
// asked about, the refused ones never leaving the page; the popups it asks for told with the
// document the player acted in, none of them opened by the browser itself; its dialogs, file
// inputs and the question over it when it hangs, none of which holds up anything else.
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
    void scriptDialogsAreTheShellsToAllowAndHoldUpNoOtherPage();
    void fileInputGetsTheChosenFiles();
    void hangQuestionShowsOverALoopingPage();
    void fullScreenFollowsTheShellsAnswer();
    void pointerLockFollowsTheShellsAnswer();
    void browserKeysAndMenuStopWhileThePageGetsItsInput();
    void selectListOpensInsideThePage();
    void outOfSightPagesGetNoFramesWhileTimersRun();
    void screenWakeLocksAreTheShellsAndGoWhenOutOfSight();
    void mutedPageIsSilentInEveryFrame();
    void pageComesBackInItsWindowWhenItsBrowserIsKilled();

private:
    // The page's window put into one of ours on the desktop, loaded with html, the shell's window
    // active: as the shell shows a page.
    void showInShellWindow(const QByteArray &html);
    // Clicks the page (at, or its middle) until it tells told.
    void clickPage(const QString &told, unsigned int button = 1, const QPoint &at = QPoint());
    // Clicks the page (at, or its middle) until check() holds: the page takes input once it has
    // drawn, and the browser may miss a click that comes at once after the pointer moved in.
    bool clickPageUntil(
        const std::function<bool()> &check, unsigned int button = 1, const QPoint &at = QPoint());

    // The window's place on the display, as the X server has it.
    static QRect onScreen(WId window);
    // Chromium's top-level windows on the display that show, but the page's own.
    static QStringList otherChromiumWindowsShown(WId pageWindow);
    // Each top-level widget of the program of that type that shows.
    template <typename Widget> static QList<Widget *> shown();

    QTemporaryDir m_temp;
    TestAudioServer m_audio;
    bool m_audible = false;
    ChromiumBrowserEngine m_engine;
    QScopedPointer<TestHttpServer> m_server;
    QScopedPointer<EnginePage> m_page;
    QScopedPointer<QWindow> m_shellWindow;
    // What the page told the server.
    QStringList m_told;
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
    PageOptions shown;
    shown.visible = true;
    m_page.reset(m_engine.profile()->createPage(shown));
    m_told.clear();
    connect(m_server.get(), &TestHttpServer::sgRequested, this, [this](const QString &path) {
        if (path.startsWith("/told/"))
            m_told.append(path.mid(6));
    });
}

void TestChromiumPage::cleanup()
{
    m_page.reset();
    m_shellWindow.reset();
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

    // The refused popup was made in its opener's render process: once the opener is gone too,
    // another page of the site, which the browser may put in that process, runs its scripts.
    m_page.reset();
    QScopedPointer<EnginePage> next(m_engine.profile()->createPage({}));
    m_server->setPage("/next", "<script>fetch('/told/next-runs');</script>");
    next->load(QUrl(m_server->url("/next")));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requestCount("/told/next-runs"), 1, 30000);
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

template <typename Widget> QList<Widget *> TestChromiumPage::shown()
{
    QList<Widget *> found;
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget *widget : widgets) {
        if (auto *typed = qobject_cast<Widget *>(widget); typed && typed->isVisible())
            found.append(typed);
    }
    return found;
}

bool TestChromiumPage::clickPageUntil(
    const std::function<bool()> &check, unsigned int button, const QPoint &at)
{
    XTestInput input;
    if (!QTest::qWaitFor([this] { return m_page->window(); }, 60000) || !input.isOpen())
        return false;
    const QRect page = onScreen(m_page->window()->winId());
    return input.clickUntil(at.isNull() ? page.center() : page.topLeft() + at, check, button);
}

// A frame of another site is refused its dialog and has its answer at once. The page's own shows,
// drawn by the browser: while it waits for the player the page is not taken for hung, and another
// page (one that shows no dialogs) goes on. The question whether to leave, refused, lets it go.
void TestChromiumPage::scriptDialogsAreTheShellsToAllowAndHoldUpNoOtherPage()
{
    m_server->setPage("/frame", "<script>fetch('/told/frame-' + confirm('Frame?'));</script>");
    m_server->setPage("/dialogs",
        "<iframe src='" + m_server->url("ads.localhost", "/frame").toUtf8()
            + "'></iframe><script>onbeforeunload = function (e) { e.preventDefault(); };"
              "onclick = function () { fetch('/told/clicked'); };</script>");
    m_server->setPage("/quiet", "<script>fetch('/told/quiet-' + prompt('Name?', 'x'));</script>");
    QStringList asked;
    connect(m_page.get(), &EnginePage::sgScriptDialogRequested, this,
        [&asked](ScriptDialogRequest &request) {
            asked.append(request.askingOrigin().host() + " " + request.message());
            if (request.kind() == ScriptDialogRequest::Kind::Confirm
                && request.askingOrigin().host() == request.pageUrl().host())
                request.show(false);
        });
    QSignalSpy answered(m_page.get(), &EnginePage::sgScriptDialogAnswered);
    m_page->load(QUrl(m_server->url("/dialogs")));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requestCount("/told/frame-false"), 1, 60000);
    QVERIFY(clickPageUntil([this] { return m_server->requestCount("/told/clicked") > 0; }));

    m_page->runJavaScript("setTimeout(function () { fetch('/told/page-' + confirm('Page?')); })");
    QTRY_VERIFY(m_page->isWaitingForPlayer());
    PageOptions quiet;
    quiet.scriptDialogs = false;
    QScopedPointer<EnginePage> other(m_engine.profile()->createPage(quiet));
    int otherAsked = 0;
    connect(other.get(), &EnginePage::sgScriptDialogRequested, this,
        [&otherAsked](ScriptDialogRequest &) { ++otherAsked; });
    other->load(QUrl(m_server->url("/quiet")));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requestCount("/told/quiet-null"), 1, 60000);
    QSignalSpy otherPings(other.get(), &EnginePage::sgPingAnswered);
    QSignalSpy pagePings(m_page.get(), &EnginePage::sgPingAnswered);
    other->ping();
    m_page->ping();
    QVERIFY(otherPings.wait(10000));
    QCOMPARE(pagePings.count(), 0);
    QCOMPARE(otherAsked, 0);
    QVERIFY(m_page->isWaitingForPlayer());

    // The player answers in the page's window, once the other page's window no longer covers it:
    // the browser draws the dialog at the top of the page, centred, its OK button at its right, and
    // takes no click on it for a moment after it shows again.
    other.reset();
    QTRY_VERIFY_WITH_TIMEOUT(otherChromiumWindowsShown(m_page->window()->winId()).isEmpty(), 10000);
    const QRect page = onScreen(m_page->window()->winId());
    XTestInput input;
    QVERIFY(input.clickUntil(
        QPoint(page.center().x() + 162, page.top() + 104), [&] { return !answered.isEmpty(); }));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requestCount("/told/page-true"), 1, 10000);
    QCOMPARE(answered.count(), 1);
    QVERIFY(!m_page->isWaitingForPlayer());

    m_page->load(QUrl(m_server->url("/quiet")));
    QTRY_COMPARE_WITH_TIMEOUT(m_page->url().path(), "/quiet", 20000);
    QTRY_COMPARE(asked,
        QStringList(
            { "ads.localhost Frame?", "127.0.0.1 Page?", "127.0.0.1 ", "127.0.0.1 Name?" }));
    QCOMPARE(answered.count(), 1);
}

// A click on the page's file input opens the shell's chooser in the player's home, offering what
// the input accepts. The player cancels, and the input hears it; then the page gets the file
// chosen.
void TestChromiumPage::fileInputGetsTheChosenFiles()
{
    QFile file(QDir::home().filePath("avatar.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    m_server->setPage("/file",
        "<input type='file' accept='.txt' style='position:fixed;left:0;top:0;width:100%;"
        "height:100%'><script>var input = document.querySelector('input');"
        "input.onchange = function () { fetch('/told/files-' + input.files[0].name); };"
        "input.oncancel = function () { fetch('/told/cancelled'); };</script>");
    m_page->load(QUrl(m_server->url("/file")));
    QVERIFY(clickPageUntil([] { return !shown<QFileDialog>().isEmpty(); }));
    QFileDialog *dialog = shown<QFileDialog>().constFirst();
    QCOMPARE(dialog->directory().path(), QDir::homePath());
    QVERIFY2(dialog->nameFilters().value(0).contains("*.txt"),
        qPrintable(dialog->nameFilters().value(0)));
    dialog->reject();
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requestCount("/told/cancelled"), 1, 10000);

    QVERIFY(clickPageUntil([] { return !shown<QFileDialog>().isEmpty(); }));
    dialog = shown<QFileDialog>().constFirst();
    dialog->selectFile(file.fileName());
    dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Open)->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requestCount("/told/files-avatar.txt"), 1, 10000);
}

// Put into a window as the shell puts it, a page stuck in its script shows the shell's question
// over it, once however often asked; the player's click on it answers.
void TestChromiumPage::hangQuestionShowsOverALoopingPage()
{
    m_server->setPage("/loop", "<script>setTimeout(function () { for (;;) {} }, 500);</script>");
    m_page->load(QUrl(m_server->url("/loop")));
    QTRY_VERIFY_WITH_TIMEOUT(m_page->window() && m_server->requestCount("/loop") > 0, 60000);
    QWindow shell;
    shell.setGeometry(QRect(QPoint(100, 50), onScreen(m_page->window()->winId()).size()));
    shell.show();
    QVERIFY(QTest::qWaitForWindowExposed(&shell));
    m_page->window()->setParent(&shell);
    m_page->window()->setPosition(0, 0);
    // A window manager that let the browser's window go leaves it unmapped.
    QTest::qWait(500);
    m_page->window()->setVisible(false);
    m_page->window()->setVisible(true);
    QSignalSpy pings(m_page.get(), &EnginePage::sgPingAnswered);
    QTest::qWait(1000);
    m_page->ping();
    QVERIFY(!pings.wait(3000));

    QSignalSpy answers(m_page.get(), &EnginePage::sgHangAnswered);
    m_page->askAboutHang();
    m_page->askAboutHang();
    QTRY_COMPARE(shown<HangQuestionView>().size(), 1);
    auto *reload = shown<HangQuestionView>().constFirst()->findChild<QPushButton *>("reload");
    XTestInput input;
    QVERIFY(QTest::qWaitFor(
        [&] {
            // Where the button is once the question has laid itself out.
            input.movePointer(reload->mapToGlobal(reload->rect().center()));
            input.clickButton(1);
            return QTest::qWaitFor([&] { return !answers.isEmpty(); }, 500);
        },
        10000));
    QCOMPARE(answers.at(0).at(0).value<EnginePage::HangChoice>(), EnginePage::HangChoice::Reload);
    QTRY_VERIFY(shown<HangQuestionView>().isEmpty());

    m_page->askAboutHang();
    QTRY_COMPARE(shown<HangQuestionView>().size(), 1);
    m_page->dropHangQuestion();
    QTRY_VERIFY(shown<HangQuestionView>().isEmpty());
    QCOMPARE(answers.count(), 1);
    m_page->window()->setParent(nullptr);
}

namespace {

const QByteArray tellScript = "<script>function tell(what) {"
                              "  fetch('/told/' + what, { cache: 'no-store' }); }</script>";

} // namespace

void TestChromiumPage::showInShellWindow(const QByteArray &html)
{
    m_server->setPage("/page", tellScript + html);
    m_page->load(QUrl(m_server->url("/page")));
    QTRY_VERIFY_WITH_TIMEOUT(m_page->window() && m_page->url().path() == "/page", 60000);
    m_shellWindow.reset(new QWindow);
    m_shellWindow->setGeometry(100, 100, 400, 300);
    QWindow *page = m_page->window();
    page->setParent(m_shellWindow.get());
    page->setVisible(true);
    // As the shell does: the page fills the shell's window.
    connect(m_shellWindow.get(), &QWindow::widthChanged, page, &QWindow::setWidth);
    connect(m_shellWindow.get(), &QWindow::heightChanged, page, &QWindow::setHeight);
    m_shellWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_shellWindow.get()));
    QVERIFY(QTest::qWaitFor(
        [page] {
            page->setGeometry(0, 0, 400, 300);
            return onScreen(page->winId()).size() == QSize(400, 300);
        },
        10000));
    m_shellWindow->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(m_shellWindow.get()));
    QVERIFY2(QTest::qWaitFor(
                 [this] {
                     m_page->runJavaScript(
                         "tell('shown-' + document.visibilityState + '-' + innerWidth)");
                     QTest::qWait(200);
                     return m_told.contains("shown-visible-400");
                 },
                 10000),
        qPrintable(m_told.join(", ")));
}

void TestChromiumPage::clickPage(const QString &told, unsigned int button, const QPoint &at)
{
    QVERIFY2(clickPageUntil([&] { return m_told.contains(told); }, button, at),
        qPrintable(m_told.join(", ")));
}

// The browser fills the screen with the element at once, and leaves its own window at its size:
// the shell's window takes the screen, and the page's follows.
void TestChromiumPage::fullScreenFollowsTheShellsAnswer()
{
    showInShellWindow("<body style='margin:0;height:100vh'><script>"
                      "document.body.onclick = function () {"
                      "  document.body.requestFullscreen(); };"
                      "document.onfullscreenchange = function () {"
                      "  tell(document.fullscreenElement ? 'full' : 'normal'); };"
                      "onresize = function () { tell('width-' + innerWidth); };</script></body>");
    bool accept = false;
    QList<QPair<bool, QUrl>> asked;
    connect(
        m_page.get(), &EnginePage::sgFullScreenRequested, this, [&](FullScreenRequest &request) {
            asked.append({ request.isOn(), request.origin() });
            if (!accept)
                return;
            request.accept();
            // As the shell does.
            m_shellWindow->setGeometry(
                request.isOn() ? m_shellWindow->screen()->geometry() : QRect(100, 100, 400, 300));
        });
    const QUrl site = QUrl(m_server->url("/")).adjusted(QUrl::RemovePath);

    clickPage("normal");
    QCOMPARE(asked.value(0), qMakePair(true, site));
    QTest::qWait(1000);
    m_page->runJavaScript("tell('now-' + innerWidth + '-' + !!document.fullscreenElement)");
    QTRY_VERIFY2(m_told.contains("now-400-false"), qPrintable(m_told.join(", ")));
    QCOMPARE(onScreen(m_page->window()->winId()).size(), QSize(400, 300));

    accept = true;
    asked.clear();
    m_told.clear();
    clickPage("full");
    QTRY_VERIFY_WITH_TIMEOUT(m_told.contains("width-1920"), 10000);
    QCOMPARE(onScreen(m_page->window()->winId()), QRect(0, 0, 1920, 1080));
    QCOMPARE(asked, (QList<QPair<bool, QUrl>> { { true, site } }));
    m_page->leaveFullScreen();
    QTRY_VERIFY(m_told.contains("normal"));
    QTRY_VERIFY(m_told.contains("width-400"));
    QCOMPARE(asked.size(), 2);
    QVERIFY(!asked.at(1).first);
}

// The browser gives the lock on its own: a lock the shell refuses is taken back at once.
void TestChromiumPage::pointerLockFollowsTheShellsAnswer()
{
    showInShellWindow(
        "<body style='margin:0;height:100vh'><script>"
        "document.body.onclick = function () {"
        "  document.body.requestPointerLock(); };"
        "document.onpointerlockchange = function () {"
        "  tell(document.pointerLockElement ? 'locked' : 'free'); };</script></body>");
    bool accept = false;
    QList<PointerLockRequest> asked;
    connect(
        m_page.get(), &EnginePage::sgPointerLockRequested, this, [&](PointerLockRequest &request) {
            asked.append(request);
            if (accept)
                request.accept();
        });
    const QString site = QUrl(m_server->url("/")).adjusted(QUrl::RemovePath).toString();

    clickPage("free");
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked.at(0).origin(), QUrl(site));
    QCOMPARE(asked.at(0).gesture().actingOrigin, site);
    QVERIFY(!m_page->holdsPointerLock());

    accept = true;
    m_told.clear();
    clickPage("locked");
    QTRY_VERIFY(m_page->holdsPointerLock());
    QTest::qWait(1000);
    QCOMPARE(m_told, QStringList { "locked" });
    XTestInput().tapKey(XK_Escape);
    QTRY_VERIFY(m_told.contains("free"));
    QTRY_VERIFY(!m_page->holdsPointerLock());
}

// The keys reach the page once the player clicked it. F5 and Ctrl+R would reload the page, a
// right click open the browser's menu.
void TestChromiumPage::browserKeysAndMenuStopWhileThePageGetsItsInput()
{
    int focused = 0;
    connect(m_page.get(), &EnginePage::sgFocused, this, [&focused] { ++focused; });
    // As the shell: no menu on the page, but on a field the player types in.
    connect(
        m_page.get(), &EnginePage::sgContextMenuRequested, this, [](ContextMenuRequest &request) {
            if (!(request.targets() & ContextMenuRequest::Editable))
                request.suppress();
        });
    showInShellWindow("<body style='margin:0;height:100vh'><input "
                      "style='position:fixed;bottom:0;width:100%;height:20%'><script>"
                      "onkeydown = function (event) { tell('key-' + event.key); };"
                      "oncontextmenu = function (event) {"
                      "  tell('menu-' + event.defaultPrevented); };</script></body>");
    // The browser shows its menu unless the event's default is prevented.
    clickPage("menu-true", 3);
    QVERIFY(!m_told.contains("menu-false"));
    QTRY_VERIFY(focused > 0);
    XTestInput input;
    QVERIFY2(QTest::qWaitFor(
                 [&] {
                     input.tapKey(XK_a);
                     QTest::qWait(200);
                     return m_told.contains("key-a");
                 },
                 10000),
        qPrintable(m_told.join(", ")));
    input.tapKey(XK_F5);
    input.pressKey(XK_Control_L);
    input.tapKey(XK_r);
    input.releaseKey(XK_Control_L);
    input.tapKey(XK_b);
    QTRY_VERIFY2(m_told.contains("key-b"), qPrintable(m_told.join(", ")));
    QVERIFY(m_told.contains("key-F5"));
    QVERIFY(m_told.contains("key-r"));
    QCOMPARE(m_server->requestCount("/page"), 1);

    clickPage("menu-false", 3, QPoint(200, 290));
}

// The browser's own list is a window of its own, placed as if the page's window were not
// embedded. The page takes the style that keeps the list inside away, in vain.
void TestChromiumPage::selectListOpensInsideThePage()
{
    showInShellWindow("<body style='margin:0'><select id='list' style='width:100%;height:100vh'>"
                      "<option>one</option><option>two</option></select><script>"
                      "document.querySelectorAll('style').forEach(function (s) { s.remove(); });"
                      "list.onclick = function () {"
                      "  setTimeout(function () { tell('open-' + list.matches(':open')); }, 200);"
                      "};</script></body>");
    clickPage("open-true");
    const WId pageWindow = m_page->window()->winId();
    QVERIFY2(otherChromiumWindowsShown(pageWindow).isEmpty(),
        qPrintable(otherChromiumWindowsShown(pageWindow).join(", ")));
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

    for (const bool visible : { false, true }) {
        reports.clear();
        m_page->setVisibleToPlayer(visible);
        QTRY_COMPARE_WITH_TIMEOUT(reports.size(), 2, 20000);
        reports.sort();
        // Hidden, animation frames, timer ticks.
        const QString seen = visible ? "/false/true/true" : "/true/false/true";
        QCOMPARE(reports, QStringList({ "/127.0.0.1" + seen, "/ads.localhost" + seen }));
    }
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

    // The browser refuses a hidden document itself: the shell is asked once the page shows again.
    grant = false;
    m_page->runJavaScript("(function ask() { document.hidden ? setTimeout(ask, 50) : hold(); })()");
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

// Killed from outside, as the kernel ends a browser out of memory: a new browser takes its
// place, and the page comes back in the window the shell holds, as big as the shell's, its
// bridge answering; its renderer's end is told as a crash's, which the shell answers with a
// load of the address the page showed. A download under way is told lost, and the next one
// lands as before.
void TestChromiumPage::pageComesBackInItsWindowWhenItsBrowserIsKilled()
{
    showInShellWindow("<script>addEventListener('load', function () {"
                      "  callQML('ready', location.pathname, ''); });</script>");
    QWindow *window = m_page->window();
    const QUrl shown = m_page->url();
    QSignalSpy closed(m_page.get(), &EnginePage::sgWindowClosed);
    QSignalSpy ended(m_page.get(), &EnginePage::sgRendererEnded);
    QStringList calls;
    QObject callsKept;
    connect(m_page.get(), &EnginePage::sgBridgeCall, &callsKept,
        [&calls](const BridgeCall &call) { calls.append(call.name + call.id); });
    connect(
        m_page.get(), &EnginePage::sgRendererEnded, this, [this, shown] { m_page->load(shown); });
    QList<EngineDownload *> downloads;
    connect(m_page.get(), &EnginePage::sgDownloadRequested, &callsKept,
        [this, &downloads](EngineDownload *download) {
            download->accept(m_temp.filePath(download->suggestedFileName()));
            downloads.append(download);
        });
    const auto download = [this](const QString &name, int spreadMs) {
        TestHttpServer::Response file;
        file.body = QByteArray(256 * 1024, 'x');
        file.contentType = "application/octet-stream";
        file.headers = { { "Content-Disposition", "attachment; filename=" + name.toUtf8() } };
        file.spreadMs = spreadMs;
        m_server->setResponse("/" + name, file);
        m_page->runJavaScript(QStringLiteral("location.href = '/%1'").arg(name));
    };
    download("slow.bin", 60000);
    QTRY_VERIFY_WITH_TIMEOUT(!downloads.isEmpty() && downloads.first()->receivedBytes() > 0, 20000);
    QSignalSpy lost(downloads.first(), &EngineDownload::sgFinished);
    const QList<qint64> browsers = chromiumBrowsers(QCoreApplication::applicationPid());
    QCOMPARE(browsers.size(), 1);
    QCOMPARE(::kill(pid_t(browsers.first()), SIGKILL), 0);
    QTRY_COMPARE(lost.size(), 1);
    QCOMPARE(downloads.first()->state(), EngineDownload::State::Interrupted);

    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 20000);
    QCOMPARE(
        ended.first().first().value<EnginePage::RendererEnd>(), EnginePage::RendererEnd::Crashed);
    QTRY_VERIFY_WITH_TIMEOUT(!calls.isEmpty(), 60000);
    QCOMPARE(calls, QStringList { "ready/page" });
    const QList<qint64> again = chromiumBrowsers(QCoreApplication::applicationPid());
    QCOMPARE(again.size(), 1);
    QVERIFY(again.first() != browsers.first());
    QCOMPARE(m_page->window(), window);
    QCOMPARE(window->parent(), m_shellWindow.get());
    QCOMPARE(m_page->url(), shown);
    m_told.clear();
    QVERIFY2(QTest::qWaitFor(
                 [this] {
                     m_page->runJavaScript("tell('back-' + innerWidth + 'x' + innerHeight)");
                     QTest::qWait(200);
                     return m_told.contains("back-400x300");
                 },
                 10000),
        qPrintable(m_told.join(", ")));
    QVERIFY(closed.isEmpty());

    download("quick.bin", 0);
    QTRY_VERIFY_WITH_TIMEOUT(
        downloads.size() == 2 && downloads.last()->state() == EngineDownload::State::Completed,
        20000);
    QCOMPARE(QFileInfo(m_temp.filePath("quick.bin")).size(), 256 * 1024);
}

int main(int argc, char *argv[])
{
    EngineTestEnvironment environment;
    QApplication app(argc, argv);
    TestChromiumPage test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_chromiumpage.moc"
