#include "cef/hangquestion.h"
#include "cef/qcefclient.h"
#include "cef/rendererwatchdog.h"
#include "engine/pagerequests.h"
#include "enginetest.h"
#include "fakeengine.h"
#include "fakeshell.h"
#include "window/loadfailurerecovery.h"
#include "window/qcefview.h"
#include "window/rendererdeaths.h"

#include <QtTest>

namespace {

const QString kPortal = QStringLiteral("http://127.0.0.1:8/lobby");
// Stands for the shell's limits of many seconds; the waits below are several of it.
constexpr int kShortLimitMs = 200;

} // namespace

// The window manager, the scene's dispatcher and the recovery of pages, on an
// engine that renders nothing: what the shell asks of a page and does with
// what a page tells, in milliseconds and with no display needed.
class TestEnginelessWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    // Runs first: the splash is closed once for the whole process.
    void startupErrorPageTakesOverFromTheSplash();
    void windowHoldsItsPageAndTheDispatcherAnswers();
    void closeRequestTakesTheWindowAndItsPageAway();
    void deadRendererReloadsThenShowsTheErrorPage();
    void failedLoadShowsTheErrorPageUntilRetryLoads();
    void errorPageRetriesUntilThePageLoads();
    void unansweredLoadShowsTheErrorPageUntilALoadFinishes();
    void answeredLoadIsShownHoweverSlow();
    void shownPageThatStopsAnsweringIsReported();
    void pageThatStopsAnsweringIsAskedAbout();
    void reloadChosenEndsTheRendererAndReloads();
    void rendererDyingRepeatedlyIsGivenUpOn_data();
    void rendererDyingRepeatedlyIsGivenUpOn();

private:
    FakePage *open(const QString &name, const QString &url = kPortal);
    QString lastScript(const FakePage &page) const;
    static bool showsErrorPage(const FakePage &page);

    FakeShell m_shell;
    QCefView *m_windows = nullptr;
};

void TestEnginelessWindows::initTestCase()
{
    QVERIFY(m_shell.start());
    m_windows = m_shell.windows();
    QVERIFY(m_shell.engine()->settings().pageScript.contains(QStringLiteral("callQML")));
}

void TestEnginelessWindows::cleanup()
{
    QStringList opened;
    for (const QString &name : { QStringLiteral("game"), QStringLiteral("login") }) {
        if (m_windows->findWindow(name))
            opened.append(name);
    }
    QVERIFY(m_shell.scene().closeWindows(opened));
}

// Attached: the page's window sits in the scene window named after it.
FakePage *TestEnginelessWindows::open(const QString &name, const QString &url)
{
    m_windows->openWindow(name, QString(), QString(), url, QStringLiteral("0,0,300,200"), QString(),
        QString(), QString(), QString(), QString(), true);
    const auto attached = [this, name] {
        const WindowRecord *record = m_windows->findWindow(name);
        return record && record->window;
    };
    if (!QTest::qWaitFor(attached, 5000))
        return nullptr;
    return m_shell.profile()->pages().constLast();
}

QString TestEnginelessWindows::lastScript(const FakePage &page) const
{
    return page.scripts().isEmpty() ? QString() : page.scripts().constLast();
}

bool TestEnginelessWindows::showsErrorPage(const FakePage &page)
{
    return page.url().scheme() == QLatin1String("data") && !page.html().isEmpty();
}

// The start-up window, hidden behind the splash, cannot reach the portal.
void TestEnginelessWindows::startupErrorPageTakesOverFromTheSplash()
{
    QSignalSpy logoCloses(m_windows, &QCefView::sgCloseLogo);
    m_windows->openWindow(QStringLiteral("login"), QString(), QString(), kPortal,
        QStringLiteral("0,0,300,200"), QString(), QString(), QString(), QString(), QString(),
        false);
    FakePage *page = m_shell.waitForPage(QStringLiteral("login"));
    QVERIFY(page);
    QVERIFY(!m_windows->findWindow(QStringLiteral("login"))->window->isVisible());
    page->failLoad(-102, QStringLiteral("net::ERR_CONNECTION_REFUSED"));
    QTRY_VERIFY(showsErrorPage(*page));
    QTRY_COMPARE(logoCloses.count(), 1);
    QVERIFY(m_windows->findWindow(QStringLiteral("login"))->window->isVisible());
}

void TestEnginelessWindows::windowHoldsItsPageAndTheDispatcherAnswers()
{
    FakePage *page = open(QStringLiteral("game"));
    QVERIFY(page);
    const WindowRecord *record = m_windows->findWindow(QStringLiteral("game"));
    QCOMPARE(page->window()->parent(), record->window);
    QCOMPARE(page->loads(), QList<QUrl> { QUrl(kPortal) });

    page->callBridge(
        QStringLiteral("game"), QStringLiteral("7"), QStringLiteral("{\"GetVersion\":\"game\"}"));
    QTRY_VERIFY(lastScript(*page).startsWith(QStringLiteral("qtQueryCallback(")));
    QVERIFY(lastScript(*page).contains(QStringLiteral("\"successMsg\":\"1.0.2\"")));
    QVERIFY(lastScript(*page).contains(QStringLiteral("\"id\":\"7\"")));
}

void TestEnginelessWindows::closeRequestTakesTheWindowAndItsPageAway()
{
    QPointer<FakePage> page = open(QStringLiteral("game"));
    QVERIFY(page);
    QSignalSpy closed(m_windows, &QCefView::sgCloseWindow);

    emit page->sgCloseRequested();
    QTRY_VERIFY(page.isNull());
    QTRY_COMPARE(closed.count(), 1);
    QVERIFY(!m_windows->findWindow(QStringLiteral("game")));
}

void TestEnginelessWindows::deadRendererReloadsThenShowsTheErrorPage()
{
    FakePage *page = open(QStringLiteral("game"));
    QVERIFY(page);
    page->endRenderer(EnginePage::RendererEnd::Normal);
    page->endRenderer(EnginePage::RendererEnd::Crashed);
    QTRY_COMPARE(page->loads().count(), 2);
    page->endRenderer(EnginePage::RendererEnd::Killed);
    QTRY_COMPARE(page->loads().count(), 3);
    QCOMPARE(page->loads().constLast(), QUrl(kPortal));
    QVERIFY(page->html().isEmpty());

    page->endRenderer(EnginePage::RendererEnd::Abnormal);
    QTRY_VERIFY(page->html().contains(QStringLiteral("127.0.0.1:8/lobby")));
    QCOMPARE(page->loads().count(), 3);
}

void TestEnginelessWindows::failedLoadShowsTheErrorPageUntilRetryLoads()
{
    FakePage *page = open(QStringLiteral("game"));
    QVERIFY(page);
    const QUrl retry(QStringLiteral("http://lumen-shell.invalid/retry"));
    QVERIFY(!page->navigate(retry));
    QCOMPARE(page->loads().count(), 1);

    page->failLoad(-102, QStringLiteral("net::ERR_CONNECTION_REFUSED"));
    QTRY_VERIFY(page->html().contains(QStringLiteral("Retry")));
    QVERIFY(!page->navigate(retry));
    QCOMPARE(page->loads().count(), 2);
    QCOMPARE(page->loads().constLast(), QUrl(kPortal));

    page->finishLoad();
    QVERIFY(!page->navigate(retry));
    QCOMPARE(page->loads().count(), 2);
}

// An HTTP error status is a failure too; the error page retries by itself
// after a few seconds, and at once on its link or a reload.
void TestEnginelessWindows::errorPageRetriesUntilThePageLoads()
{
    FakePage *page = open(QStringLiteral("game"));
    QVERIFY(page);
    page->finishLoad(503);
    QTRY_VERIFY(showsErrorPage(*page));
    QTRY_COMPARE_WITH_TIMEOUT(page->loads().count(), 2, 10000);
    page->finishLoad();
    QVERIFY(!showsErrorPage(*page));

    // The shell's links do nothing from any other page.
    const QUrl retry(QStringLiteral("http://lumen-shell.invalid/retry"));
    QVERIFY(!page->navigate(retry));
    QCOMPARE(page->loads().count(), 2);

    m_windows->reload(QStringLiteral("game"));
    QCOMPARE(page->loads().count(), 3);
    page->finishLoad(503);
    QTRY_VERIFY(showsErrorPage(*page));
    QVERIFY(!page->navigate(retry));
    QCOMPARE(page->loads().count(), 4);
    QCOMPARE(page->loads().constLast(), QUrl(kPortal));
    page->finishLoad();
    QVERIFY(!showsErrorPage(*page));
}

// A window's client and page as the window manager makes them, with the
// answer limit shortened.
void TestEnginelessWindows::unansweredLoadShowsTheErrorPageUntilALoadFinishes()
{
    const CefRefPtr<QCefClient> client(new QCefClient);
    new LoadFailureRecovery(QStringLiteral("login"), true, client.data(), kShortLimitMs);
    CefBrowser::createBrowser(m_shell.profile(), PageOptions(), client, kPortal);
    QTRY_VERIFY(client->getBrowser());
    FakePage *page = m_shell.profile()->pages().constLast();

    QTRY_VERIFY(page->html().contains(QStringLiteral("did not answer in time")));
    QVERIFY(page->html().contains(QStringLiteral("/quit")));
    QVERIFY(!page->navigate(QUrl(QStringLiteral("http://lumen-shell.invalid/retry"))));
    QCOMPARE(page->loads().count(), 2);
    QVERIFY(page->html().isEmpty());
    QTRY_VERIFY(page->html().contains(QStringLiteral("did not answer in time")));
    QCOMPARE(page->loads().constLast(), QUrl(kPortal));

    // Once a page has loaded, a slow load is the page's business.
    page->navigate(QUrl(QStringLiteral("http://lumen-shell.invalid/retry")));
    page->finishLoad();
    page->load(QUrl(kPortal));
    QTest::qWait(5 * kShortLimitMs);
    QVERIFY(page->html().isEmpty());
}

// The server answers the first load, and the retry of its error page, but never finishes.
void TestEnginelessWindows::answeredLoadIsShownHoweverSlow()
{
    const CefRefPtr<QCefClient> client(new QCefClient);
    auto *failures
        = new LoadFailureRecovery(QStringLiteral("login"), true, client.data(), kShortLimitMs);
    int shown = 0;
    connect(failures, &LoadFailureRecovery::sgShowBeforeLoaded, this, [&shown] { ++shown; });
    CefBrowser::createBrowser(m_shell.profile(), PageOptions(), client, kPortal);
    QTRY_VERIFY(client->getBrowser());
    FakePage *page = m_shell.profile()->pages().constLast();
    page->commitLoad();
    QTRY_COMPARE(shown, 1);
    QTest::qWait(5 * kShortLimitMs);
    QVERIFY(page->html().isEmpty());
    QCOMPARE(shown, 1);

    failures->showErrorPage(QStringLiteral("down"), kPortal);
    QTRY_VERIFY(!page->html().isEmpty());
    const QUrl retry(QStringLiteral("http://lumen-shell.invalid/retry"));
    QVERIFY(!page->navigate(retry));
    QCOMPARE(page->loads().count(), 2);
    page->commitLoad();
    QVERIFY(!page->navigate(retry));
    QCOMPARE(page->loads().count(), 2);
    QTest::qWait(5 * kShortLimitMs);
    QVERIFY(page->html().isEmpty());
}

void TestEnginelessWindows::shownPageThatStopsAnsweringIsReported()
{
    PageOptions options;
    options.visible = false;
    auto *page = static_cast<FakePage *>(m_shell.profile()->createPage(options));
    auto *watchdog = new RendererWatchdog(page, kShortLimitMs);
    QSignalSpy unanswered(watchdog, &RendererWatchdog::sgUnanswered);
    QTest::qWait(5 * kShortLimitMs);
    QCOMPARE(page->pings(), 0);

    page->window()->show();
    QTimer answering;
    connect(&answering, &QTimer::timeout, page, &FakePage::answerPing);
    answering.start(kShortLimitMs / 10);
    QTRY_VERIFY(page->pings() >= 5);
    QCOMPARE(unanswered.count(), 0);

    answering.stop();
    QTRY_COMPARE(unanswered.count(), 1);
    delete page;
}

void TestEnginelessWindows::pageThatStopsAnsweringIsAskedAbout()
{
    PageOptions options;
    options.visible = false;
    std::unique_ptr<FakePage> page(static_cast<FakePage *>(m_shell.profile()->createPage(options)));
    auto *question = new HangQuestion(page.get(), kShortLimitMs);
    QSignalSpy reload(question, &HangQuestion::sgReloadChosen);
    QTest::qWait(3 * kShortLimitMs);
    QVERIFY(!page->isAskingAboutHang());

    page->window()->show();
    QTRY_VERIFY(page->isAskingAboutHang());
    page->answerPing();
    QVERIFY(!page->isAskingAboutHang());

    QTRY_VERIFY(page->isAskingAboutHang());
    QElapsedTimer sinceWait;
    sinceWait.start();
    page->answerHangQuestion(EnginePage::HangChoice::Wait);
    QTRY_VERIFY_WITH_TIMEOUT(page->isAskingAboutHang(), 5 * kShortLimitMs);
    QVERIFY(sinceWait.elapsed() >= kShortLimitMs);

    page->answerHangQuestion(EnginePage::HangChoice::Reload);
    QCOMPARE(reload.count(), 1);
    QCOMPARE(page->endedRenderers(), 0);
}

void TestEnginelessWindows::reloadChosenEndsTheRendererAndReloads()
{
    FakePage *page = open(QStringLiteral("game"));
    QVERIFY(page);
    page->answerHangQuestion(EnginePage::HangChoice::Reload);
    QCOMPARE(page->endedRenderers(), 1);
    QTRY_COMPARE(page->loads().count(), 2);
    QCOMPARE(page->loads().constLast(), QUrl(kPortal));
}

void TestEnginelessWindows::rendererDyingRepeatedlyIsGivenUpOn_data()
{
    QTest::addColumn<qint64>("gapMs");
    QTest::addColumn<bool>("givenUp");
    QTest::newRow("dies every few seconds") << qint64(3000) << true;
    QTest::newRow("dies every minute and a half") << qint64(90000) << true;
    QTest::newRow("dies every quarter of an hour") << qint64(900000) << false;
}

void TestEnginelessWindows::rendererDyingRepeatedlyIsGivenUpOn()
{
    QFETCH(qint64, gapMs);
    QFETCH(bool, givenUp);
    RendererDeaths deaths;
    QVERIFY(!deaths.tooMany(0));
    QVERIFY(!deaths.tooMany(gapMs));
    QCOMPARE(deaths.tooMany(2 * gapMs), givenUp);
    QVERIFY(!deaths.tooMany(3 * gapMs));
}

LUMEN_ENGINE_TEST_MAIN(TestEnginelessWindows)

#include "tst_enginelesswindows.moc"
