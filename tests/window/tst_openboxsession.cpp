#include "programcopy.h"
#include "testhttpserver.h"
#include "xtestinput.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <X11/keysym.h>

// Runs the real program on an X display of its own under Openbox, a common window manager, and
// plays a player's mouse and keys there through XTEST: the window manager moves the window (Alt
// and a drag), the page reports the pointer's screen coordinates and a <select> list is opened
// and chosen from; a game's element fills the screen until Escape; a held key, the wheel and
// Ctrl reach the page as Chromium gives them; a page out of sight is told. The test program
// itself needs no display.
class TestOpenboxSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void movedWindowKeepsPointerAndSelectListsInPlace();
    void gameFillsTheScreenUntilEscape();
    void keysAndWheelReachThePageUnzoomed();
    void pageOutOfSightIsTold();

private:
    void startDisplay();
    void waitUntilReady();
    QProcessEnvironment environment() const
    {
        return sessionEnvironment(m_temp->path(), QString::fromLatin1(m_display));
    }
    // The page's report of the pointer once it is moved to point: where the page saw it on the
    // screen and in the page.
    QRegularExpressionMatch pointerSeenAt(const QPoint &point);
    bool choose(const QPoint &list, const QPoint &option, const QString &chosenPath);
    bool clickUntilReported(const QPoint &point, const QString &report);
    // The animation frames the page counted in a whole second out of sight (hidden) or in
    // sight; -1 when it reported none.
    int framesPerSecond(bool hidden);

    QScopedPointer<QTemporaryDir> m_temp;
    QScopedPointer<QProcess> m_xserver;
    QScopedPointer<QProcess> m_openbox;
    QScopedPointer<QProcess> m_lumen;
    QScopedPointer<XTestInput> m_input;
    QByteArray m_display;
    TestHttpServer m_portal;
    QStringList m_reports;
};

namespace {

const QSize screenSize(1280, 800);

// The select sits at a fixed place; its list opens below it, one row of about 25 pixels per
// option at this font size.
constexpr char page[] = R"html(<!doctype html><html><body style="margin:0">
<select id="pick" style="position:absolute;left:20px;top:40px;width:200px;font-size:20px">
<option>alpha</option><option>beta</option><option>gamma</option><option>delta</option>
</select><div id="stage" style="position:absolute;left:0;top:150px;width:100%;height:300px">
</div><script>
function report(path) { fetch(path, { cache: 'no-store' }); }
addEventListener('mousemove', function (e) {
    report(['/pointer', e.screenX, e.screenY, e.clientX, e.clientY].join('/'));
});
pick.addEventListener('change', function () { report('/chosen/' + pick.value); });
stage.addEventListener('click', function () { stage.requestFullscreen(); });
document.addEventListener('fullscreenchange', function () {
    report(['/fullscreen', !!document.fullscreenElement, innerWidth, innerHeight].join('/'));
});
window.qtQueryCallback = function (reply) {
    const box = pick.getBoundingClientRect();
    if (reply.id === 'startup')
        report(['/ready', Math.round(box.left), Math.round(box.bottom)].join('/'));
};
addEventListener('mousedown', function () { report('/pressed'); });
var seen = [];
addEventListener('keydown', function (e) {
    if (e.key === 'Enter')
        report(['/seen', devicePixelRatio, innerWidth, visualViewport.scale, seen].join('/'));
    seen.push((e.repeat ? 'repeat ' : 'down ') + e.key);
});
addEventListener('keyup', function (e) { seen.push('up ' + e.key); });
addEventListener('wheel', function (e) {
    seen.push(['wheel', e.deltaX, e.deltaY, e.deltaMode, e.ctrlKey ? 'ctrl' : ''].join(' ').trim());
});
addEventListener('load', function () { callQML('login', 'startup', '{"GetVersion":"login"}'); });
let frames = 0;
requestAnimationFrame(function count() { ++frames; requestAnimationFrame(count); });
setInterval(function () { report(['/frames', document.hidden, frames].join('/')); frames = 0; },
    1000);
document.addEventListener('visibilitychange', function () {
    report('/visibility/' + document.visibilityState);
});
</script></body></html>)html";

} // namespace

void TestOpenboxSession::initTestCase()
{
    QVERIFY(m_portal.listen());
    m_portal.setPage("/", page);
    connect(&m_portal, &TestHttpServer::sgRequested, this,
        [this](const QString &path) { m_reports.append(path); });
}

void TestOpenboxSession::init()
{
    m_temp.reset(new QTemporaryDir);
    QVERIFY(m_temp->isValid());
    m_reports.clear();

    startDisplay();
    if (QTest::currentTestFailed())
        return;
    m_openbox.reset(new QProcess);
    m_openbox->setProcessEnvironment(environment());
    m_openbox->start("openbox", {});
    QVERIFY2(m_openbox->waitForStarted(), "openbox is missing: run scripts/setup.sh");
    m_input.reset(new XTestInput(m_display));
    QVERIFY(m_input->isOpen());

    const QString failure
        = installProgramCopy(m_temp->filePath("app"), QUrl(m_portal.url("/")).port());
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    m_lumen.reset(new QProcess);
    m_lumen->setProgram(m_temp->filePath("app/lumen"));
    m_lumen->setProcessEnvironment(environment());
    m_lumen->start();
    QVERIFY(m_lumen->waitForStarted());
}

// Xvfb picks a free display and writes its number once it accepts clients.
void TestOpenboxSession::startDisplay()
{
    m_xserver.reset(new QProcess);
    m_xserver->start("Xvfb",
        { "-displayfd", "1", "-nolisten", "tcp", "-dpi", "96", "-screen", "0",
            QStringLiteral("%1x%2x24").arg(screenSize.width()).arg(screenSize.height()) });
    QVERIFY2(m_xserver->waitForStarted(), "Xvfb is missing: run scripts/setup.sh");
    QTRY_VERIFY_WITH_TIMEOUT(m_xserver->canReadLine(), 15000);
    m_display = ":" + m_xserver->readLine().trimmed();
}

void TestOpenboxSession::cleanup()
{
    m_input.reset();
    for (QProcess *process : { m_lumen.data(), m_openbox.data(), m_xserver.data() }) {
        if (process)
            stopProcess(*process);
    }
    m_lumen.reset();
    m_openbox.reset();
    m_xserver.reset();
    m_temp.reset();
}

QRegularExpressionMatch TestOpenboxSession::pointerSeenAt(const QPoint &point)
{
    static const QRegularExpression pointer(
        QStringLiteral("^/pointer/(\\d+)/(\\d+)/(\\d+)/(\\d+)$"));
    m_reports.clear();
    m_input->movePointer(point);
    // A report of the pointer's last place may come after the clearing: the one of this place
    // is waited for, and the last one told when none comes.
    const QString here = QStringLiteral("/pointer/%1/%2/").arg(point.x()).arg(point.y());
    const bool seenHere = QTest::qWaitFor([&] { return !m_reports.filter(here).isEmpty(); }, 3000);
    const QStringList seen = seenHere ? m_reports.filter(here) : m_reports.filter(pointer);
    return seen.isEmpty() ? QRegularExpressionMatch() : pointer.match(seen.constLast());
}

// The engine takes a press only once it has the list up: the list is opened again until the
// option's click chooses.
bool TestOpenboxSession::choose(const QPoint &list, const QPoint &option, const QString &chosenPath)
{
    const auto chosen = [&] { return m_reports.contains(chosenPath); };
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_input->movePointer(list);
        m_input->clickButton(1);
        QTest::qWait(800);
        m_input->movePointer(option);
        m_input->clickButton(1);
        if (QTest::qWaitFor(chosen, 1500))
            return true;
    }
    return false;
}

// The engine takes input once the page has drawn itself: the click is given again until the page
// reports it.
bool TestOpenboxSession::clickUntilReported(const QPoint &point, const QString &report)
{
    const auto reported = [&] { return m_reports.contains(report); };
    for (int attempt = 0; attempt < 10; ++attempt) {
        m_input->movePointer(point + QPoint(attempt % 2, 0));
        m_input->clickButton(1);
        if (QTest::qWaitFor(reported, 1500))
            return true;
    }
    return false;
}

void TestOpenboxSession::waitUntilReady()
{
    QTRY_VERIFY_WITH_TIMEOUT(!m_reports.filter(QRegularExpression("^/ready/")).isEmpty()
            || m_lumen->state() == QProcess::NotRunning,
        60000);
    QVERIFY2(m_lumen->state() == QProcess::Running, m_lumen->readAllStandardError().constData());
}

void TestOpenboxSession::movedWindowKeepsPointerAndSelectListsInPlace()
{
    waitUntilReady();
    const QStringList ready
        = m_reports.filter(QRegularExpression("^/ready/")).constFirst().split('/');
    const QPoint selectBottomLeft(ready.at(2).toInt(), ready.at(3).toInt());

    // The first window is centred on the screen. The engine takes input once the page has
    // drawn itself.
    const QPoint centre(screenSize.width() / 2, screenSize.height() / 2);
    bool seenOnce = false;
    for (int wiggle = 0; wiggle < 5 && !seenOnce; ++wiggle)
        seenOnce = pointerSeenAt(centre + QPoint(wiggle % 2, 1)).hasMatch();
    QVERIFY2(seenOnce, "the page never saw the pointer");
    QRegularExpressionMatch seen = pointerSeenAt(centre);
    QVERIFY(seen.hasMatch());
    QCOMPARE(QPoint(seen.captured(1).toInt(), seen.captured(2).toInt()), centre);
    const QPoint inPage(seen.captured(3).toInt(), seen.captured(4).toInt());

    // Openbox moves a window dragged with Alt held.
    const QPoint shift(-400, -200);
    m_input->pressKey(XK_Alt_L);
    m_input->pressButton(1);
    for (int step = 1; step <= 8; ++step) {
        m_input->movePointer(centre + shift * step / 8);
        QTest::qWait(50);
    }
    m_input->releaseButton(1);
    m_input->releaseKey(XK_Alt_L);
    QTest::qWait(500);

    seen = pointerSeenAt(centre + shift + QPoint(3, 3));
    QVERIFY(seen.hasMatch());
    QCOMPARE(
        QPoint(seen.captured(1).toInt(), seen.captured(2).toInt()), centre + shift + QPoint(3, 3));
    QCOMPARE(QPoint(seen.captured(3).toInt(), seen.captured(4).toInt()), inPage + QPoint(3, 3));

    const QPoint pageOrigin = centre + shift - inPage;
    const QPoint select = pageOrigin + selectBottomLeft + QPoint(30, -10);
    const QPoint secondOption = pageOrigin + selectBottomLeft + QPoint(30, 37);
    QVERIFY2(choose(select, secondOption, "/chosen/beta"), qPrintable(m_reports.join(' ')));
}

// The window manager lets the frameless window cover the whole screen, and gives it back its
// place when the shell's Escape ends full screen.
void TestOpenboxSession::gameFillsTheScreenUntilEscape()
{
    waitUntilReady();
    const QPoint centre(screenSize.width() / 2, screenSize.height() / 2);
    const QString entered
        = QStringLiteral("/fullscreen/true/%1/%2").arg(screenSize.width()).arg(screenSize.height());
    QVERIFY2(clickUntilReported(centre, entered), qPrintable(m_reports.join(' ')));

    m_input->tapKey(XK_Escape);
    QTRY_VERIFY2_WITH_TIMEOUT(
        m_reports.contains("/fullscreen/false/300/500"), qPrintable(m_reports.join(' ')), 10000);
}

// As Chromium gives them on the same X server: a held key is one press, repeats and one release;
// a notch of the wheel is 120 pixels each way. Ctrl with the wheel or "=" still reaches the page
// and zooms nothing: at 96 dpi the design's zoom is 1.
void TestOpenboxSession::keysAndWheelReachThePageUnzoomed()
{
    waitUntilReady();
    // Above the game's stage, which would fill the screen.
    const QPoint centre(screenSize.width() / 2, screenSize.height() / 2);
    QVERIFY(clickUntilReported(centre - QPoint(0, 150), "/pressed"));
    m_input->pressKey(XK_a);
    QTest::qWait(1500);
    m_input->releaseKey(XK_a);
    // Each notch on its own: the engine adds up those that wait for the page.
    const auto turn = [this](unsigned int button) {
        m_input->clickButton(button);
        QTest::qWait(300);
    };
    for (unsigned int button : { 4, 5, 6, 7 })
        turn(button);
    m_input->pressKey(XK_Control_L);
    turn(4);
    turn(4);
    m_input->tapKey(XK_equal);
    m_input->releaseKey(XK_Control_L);
    QTest::qWait(1000);
    m_input->tapKey(XK_Return);
    QTRY_VERIFY(!m_reports.filter(QRegularExpression("^/seen/")).isEmpty());
    const QString seen = m_reports.filter(QRegularExpression("^/seen/")).constFirst();
    QVERIFY2(QRegularExpression("^/seen/1/300/1/down a,(repeat a,){10,}up a,wheel 0 -120 0,"
                                "wheel 0 120 0,wheel -120 0 0,wheel 120 0 0,down Control,"
                                "(wheel 0 -120 0 ctrl,){2}down =,up =,up Control$")
                 .match(seen)
                 .hasMatch(),
        qPrintable(seen));
}

int TestOpenboxSession::framesPerSecond(bool hidden)
{
    const QRegularExpression frames(
        QStringLiteral("^/frames/%1/(\\d+)$").arg(hidden ? "true" : "false"));
    m_reports.clear();
    // The first second may have begun before the change.
    if (!QTest::qWaitFor([&] { return m_reports.filter(frames).size() >= 2; }, 5000))
        return -1;
    return frames.match(m_reports.filter(frames).constLast()).captured(1).toInt();
}

// Minimised through the window manager, or hidden with the whole shell by F8, the page hears of
// it as a browser's tab does: its animation frames stop, its timers run on, and both come back.
void TestOpenboxSession::pageOutOfSightIsTold()
{
    waitUntilReady();
    // The start-up window shows a moment after its page has loaded.
    QTRY_VERIFY_WITH_TIMEOUT(framesPerSecond(false) > 20, 15000);

    QVERIFY(m_input->minimiseWindow("login"));
    QTRY_VERIFY2_WITH_TIMEOUT(
        m_reports.contains("/visibility/hidden"), qPrintable(m_reports.join(' ')), 5000);
    QCOMPARE(framesPerSecond(true), 0);
    QVERIFY(m_input->restoreWindow("login"));
    QTRY_VERIFY2_WITH_TIMEOUT(
        m_reports.contains("/visibility/visible"), qPrintable(m_reports.join(' ')), 5000);
    QVERIFY(framesPerSecond(false) > 20);

    m_input->tapKey(XK_F8);
    QCOMPARE(framesPerSecond(true), 0);
    m_input->tapKey(XK_F8);
    QVERIFY(framesPerSecond(false) > 20);
}

QTEST_GUILESS_MAIN(TestOpenboxSession)
#include "tst_openboxsession.moc"
