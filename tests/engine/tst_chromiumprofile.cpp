#include "engine/browserengine.h"
#include "engine/chromium/chromiumbrowserengine.h"
#include "engine/enginedownload.h"
#include "engine/enginepage.h"
#include "engine/engineprofile.h"
#include "processtree.h"
#include "testdownloadserver.h"
#include "testhttpserver.h"

#include <QDir>
#include <QGuiApplication>
#include <QNetworkCookie>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <csignal>

#include <unistd.h>

namespace {

constexpr int kBrowserTimeout = 30000;

QStringList namesOf(const QSignalSpy &told)
{
    QStringList names;
    for (const QList<QVariant> &signal : told)
        names.append(QString::fromUtf8(signal.at(0).value<QNetworkCookie>().name()));
    return names;
}

} // namespace

// The storage of a profile of the system's Chromium, through the real browser: the cookies it
// holds as the shell changes them and as pages get them, told as they change, and the downloads
// its pages start, ending as the shell decided.
class TestChromiumProfile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void cookiesChangeAndAreToldAsTheyChange();
    void cookiesOfEarlierRunsAreToldAsTheFirstPageLoads();
    void clearedCacheFetchesAgain();
    void legacyProfileKeepsItsPagesAndCookiesApart();
    void downloadEndsAsTheShellDecided_data();
    void downloadEndsAsTheShellDecided();
    void browserEndingAtEachStartIsStartedLaterAndLater();

private:
    EngineProfile *startBrowser();
    EnginePage *openPage();
    bool load(const QString &url);
    void serveWithHeader(const QString &path, const QByteArray &name, const QByteArray &value);
    // The Cookie header the browser sent with a load of the server's page.
    QByteArray sentCookies();

    QScopedPointer<QTemporaryDir> m_temp;
    QScopedPointer<TestHttpServer> m_server;
    std::unique_ptr<BrowserEngine> m_engine;
    EnginePage *m_page = nullptr;
};

void TestChromiumProfile::init()
{
    m_temp.reset(new QTemporaryDir);
    QVERIFY(m_temp->isValid());
    m_server.reset(new TestHttpServer);
    QVERIFY(m_server->listen());
    m_server->setPage("/", "<p>page</p>");
    m_server->setPage("/echo", "<p>echo</p>");
}

void TestChromiumProfile::cleanup()
{
    qunsetenv("LUMEN_CHROMIUM");
    delete m_page;
    m_page = nullptr;
    m_engine.reset();
    m_server.reset();
    m_temp.reset();
}

EngineProfile *TestChromiumProfile::startBrowser()
{
    delete m_page;
    m_page = nullptr;
    m_engine.reset();
    m_engine = std::make_unique<ChromiumBrowserEngine>();
    EngineSettings settings;
    settings.storagePath = m_temp->filePath("storage");
    settings.cachePath = m_temp->filePath("cache");
    // Chromium will not start as root with its sandbox on.
    if (geteuid() == 0)
        settings.switches.append("--no-sandbox");
    return m_engine->start(settings) ? m_engine->profile() : nullptr;
}

EnginePage *TestChromiumProfile::openPage()
{
    m_page = m_engine->profile()->createPage(PageOptions());
    return m_page;
}

bool TestChromiumProfile::load(const QString &url)
{
    QSignalSpy finished(m_page, &EnginePage::sgLoadFinished);
    m_page->load(QUrl(url));
    return finished.wait(kBrowserTimeout);
}

void TestChromiumProfile::serveWithHeader(
    const QString &path, const QByteArray &name, const QByteArray &value)
{
    TestHttpServer::Response response;
    response.body = "<p>page</p>";
    response.headers = { { name, value } };
    m_server->setResponse(path, response);
}

QByteArray TestChromiumProfile::sentCookies()
{
    if (!load(m_server->url("/echo")))
        return "(no load)";
    return m_server->lastRequestHeaders("/echo").value("cookie");
}

void TestChromiumProfile::cookiesChangeAndAreToldAsTheyChange()
{
    EngineProfile *profile = startBrowser();
    QVERIFY(profile);
    QSignalSpy added(profile, &EngineProfile::sgCookieAdded);
    QSignalSpy removed(profile, &EngineProfile::sgCookieRemoved);
    serveWithHeader("/serve", "Set-Cookie", "served=1; Path=/");
    openPage();
    QVERIFY(load(m_server->url("/serve")));
    QTRY_COMPARE_WITH_TIMEOUT(namesOf(added), QStringList { "served" }, kBrowserTimeout);
    QCOMPARE(added.first().first().value<QNetworkCookie>().domain(), QString("127.0.0.1"));

    // A cookie naming no domain belongs to the origin given.
    profile->setCookie(QNetworkCookie("given", "2"), QUrl(m_server->url("/")));
    QTRY_COMPARE_WITH_TIMEOUT(namesOf(added), QStringList({ "served", "given" }), kBrowserTimeout);
    QCOMPARE(sentCookies(), "served=1; given=2");

    profile->deleteCookie(added.last().first().value<QNetworkCookie>());
    QTRY_COMPARE_WITH_TIMEOUT(namesOf(removed), QStringList { "given" }, kBrowserTimeout);
    QCOMPARE(sentCookies(), "served=1");

    profile->deleteAllCookies();
    QTRY_COMPARE_WITH_TIMEOUT(removed.size(), 2, kBrowserTimeout);
    QCOMPARE(sentCookies(), "");
    QCOMPARE(added.size(), 2);

    // No load tells of a cookie a script writes; it is told within seconds all the same.
    m_page->runJavaScript("document.cookie = 'scripted=5'");
    QTRY_COMPARE_WITH_TIMEOUT(namesOf(added).last(), QString("scripted"), kBrowserTimeout);
}

void TestChromiumProfile::cookiesOfEarlierRunsAreToldAsTheFirstPageLoads()
{
    QVERIFY(startBrowser());
    // Of the two, only the one with an expiry outlives the run.
    QNetworkCookie kept("kept", "3");
    kept.setExpirationDate(QDateTime::currentDateTimeUtc().addDays(1));
    m_engine->profile()->setCookie(kept, QUrl(m_server->url("/")));
    m_engine->profile()->setCookie(QNetworkCookie("forgotten", "4"), QUrl(m_server->url("/")));
    openPage();
    QVERIFY(load(m_server->url("/")));
    QCOMPARE(sentCookies(), "kept=3; forgotten=4");

    EngineProfile *profile = startBrowser();
    QVERIFY(profile);
    QSignalSpy added(profile, &EngineProfile::sgCookieAdded);
    QTest::qWait(1000);
    QVERIFY(added.isEmpty());
    openPage();
    QVERIFY(load(m_server->url("/")));
    QTRY_COMPARE_WITH_TIMEOUT(namesOf(added), QStringList { "kept" }, kBrowserTimeout);
    QTest::qWait(1000);
    QCOMPARE(namesOf(added), QStringList { "kept" });
}

void TestChromiumProfile::clearedCacheFetchesAgain()
{
    QVERIFY(startBrowser());
    serveWithHeader("/cached", "Cache-Control", "max-age=3600");
    openPage();
    QVERIFY(load(m_server->url("/cached")));
    QVERIFY(load(m_server->url("/")));
    QVERIFY(load(m_server->url("/cached")));
    QCOMPARE(m_server->requestCount("/cached"), 1);

    m_engine->profile()->clearHttpCache();
    QTest::qWait(500);
    QVERIFY(load(m_server->url("/")));
    QVERIFY(load(m_server->url("/cached")));
    QCOMPARE(m_server->requestCount("/cached"), 2);
}

// A browser of its own, in a folder under the path given: cookies set in either profile go to
// neither's pages but its own.
void TestChromiumProfile::legacyProfileKeepsItsPagesAndCookiesApart()
{
    EngineProfile *profile = startBrowser();
    QVERIFY(profile);
    const QString legacyPath = m_temp->filePath("legacy");
    EngineProfile *legacy = m_engine->legacyProfile(legacyPath);
    QVERIFY(legacy);
    QVERIFY(legacy != profile);
    QCOMPARE(m_engine->legacyProfile(legacyPath), legacy);
    profile->setCookie(QNetworkCookie("main", "1"), QUrl(m_server->url("/")));
    legacy->setCookie(QNetworkCookie("legacy", "2"), QUrl(m_server->url("/")));

    openPage();
    QCOMPARE(sentCookies(), "main=1");
    std::unique_ptr<EnginePage> legacyPage(legacy->createPage(PageOptions()));
    QSignalSpy finished(legacyPage.get(), &EnginePage::sgLoadFinished);
    legacyPage->load(QUrl(m_server->url("/echo")));
    QVERIFY(finished.wait(kBrowserTimeout));
    QCOMPARE(m_server->lastRequestHeaders("/echo").value("cookie"), "legacy=2");
    QVERIFY(QDir(legacyPath + "/chromium").exists());
}

void TestChromiumProfile::downloadEndsAsTheShellDecided_data()
{
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("serverGoes");
    QTest::addColumn<EngineDownload::State>("end");
    QTest::newRow("accepted") << true << false << EngineDownload::State::Completed;
    QTest::newRow("left unanswered") << false << false << EngineDownload::State::Cancelled;
    QTest::newRow("server gone") << true << true << EngineDownload::State::Interrupted;
}

void TestChromiumProfile::downloadEndsAsTheShellDecided()
{
    QFETCH(bool, accepted);
    QFETCH(bool, serverGoes);
    QFETCH(EngineDownload::State, end);

    TestDownloadServer files;
    QVERIFY(files.listen());
    const QByteArray body(300000, 'x');
    files.setDownload("/game.bin",
        { body, 100000,
            { { "Content-Type", "application/octet-stream" },
                { "X-Content-Type-Options", "nosniff" },
                { "Content-Disposition", "attachment; filename=\"game.bin\"" } } });
    QVERIFY(startBrowser());
    openPage();
    QVERIFY(load(m_server->url("/")));
    const QString path = m_temp->filePath("landed.bin");
    QPointer<EngineDownload> download;
    std::unique_ptr<QSignalSpy> received;
    std::unique_ptr<QSignalSpy> finished;
    connect(m_page, &EnginePage::sgDownloadRequested, this, [&](EngineDownload *requested) {
        download = requested;
        received = std::make_unique<QSignalSpy>(requested, &EngineDownload::sgReceived);
        finished = std::make_unique<QSignalSpy>(requested, &EngineDownload::sgFinished);
        if (requested->state() == EngineDownload::State::Requested && accepted)
            requested->accept(path);
    });
    QSignalSpy asked(&files, &TestDownloadServer::sgRequested);
    m_page->load(QUrl(files.url("/game.bin")));
    QTRY_VERIFY_WITH_TIMEOUT(download, kBrowserTimeout);
    QCOMPARE(download->suggestedFileName(), QString("game.bin"));
    QCOMPARE(download->url(), QUrl(files.url("/game.bin")));
    if (accepted) {
        QTRY_VERIFY_WITH_TIMEOUT(!asked.isEmpty(), kBrowserTimeout);
        QVERIFY(files.sendStep("/game.bin"));
        QTRY_COMPARE_WITH_TIMEOUT(download->receivedBytes(), qint64(100000), kBrowserTimeout);
        QCOMPARE(download->totalBytes(), qint64(body.size()));
        QCOMPARE(download->state(), EngineDownload::State::InProgress);
        QVERIFY(!received->isEmpty());
    }
    if (serverGoes) {
        QVERIFY(files.breakOff("/game.bin"));
        files.close();
    } else if (accepted) {
        QVERIFY(files.sendStep("/game.bin"));
        QVERIFY(files.sendStep("/game.bin"));
    }
    QTRY_COMPARE_WITH_TIMEOUT(finished->size(), 1, kBrowserTimeout);
    QCOMPARE(download->state(), end);
    QCOMPARE(QFile::exists(path), end == EngineDownload::State::Completed);
    if (end == EngineDownload::State::Completed) {
        QFile landed(path);
        QVERIFY(landed.open(QIODevice::ReadOnly));
        QCOMPARE(landed.readAll(), body);
        QCOMPARE(download->receivedBytes(), qint64(body.size()));
    }
    QCOMPARE(download->interruptReason().isEmpty(), end != EngineDownload::State::Interrupted);
    // Nothing of it is left where the browser wrote it.
    QTRY_COMPARE_WITH_TIMEOUT(
        QDir(m_temp->filePath("storage/chromium/downloads")).entryList(QDir::Files), QStringList(),
        5000);
    QTest::qWait(500);
    QCOMPARE(finished->size(), 1);
}

// A browser killed from outside is started again; one that then ends at each start is started
// again after a pause, with a line on the debug output. The page lives again in the browser that
// runs at last, and its window stays the shell's all along.
void TestChromiumProfile::browserEndingAtEachStartIsStartedLaterAndLater()
{
    const QString broken = m_temp->filePath("broken");
    const QString starter = m_temp->filePath("chromium");
    QFile script(starter);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n[ -e '" + broken.toUtf8() + "' ] && exit 1\nexec "
        + ChromiumBrowserEngine::programPath().toUtf8() + " \"$@\"\n");
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFile::ExeOwner));
    qputenv("LUMEN_CHROMIUM", starter.toUtf8());
    QVERIFY(startBrowser());
    openPage();
    QVERIFY(load(m_server->url("/")));
    QSignalSpy ended(m_page, &EnginePage::sgRendererEnded);
    QSignalSpy closed(m_page, &EnginePage::sgWindowClosed);
    const QList<qint64> browsers = chromiumBrowsers(QCoreApplication::applicationPid());
    QCOMPARE(browsers.size(), 1);
    QVERIFY(QFile(broken).open(QIODevice::WriteOnly));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("started again in 2 s"));
    QCOMPARE(::kill(pid_t(browsers.first()), SIGKILL), 0);

    // The kill may come after the browser ran steadily, and counts as no quick end then.
    QTRY_VERIFY_WITH_TIMEOUT(ended.size() >= 4, kBrowserTimeout);
    QVERIFY(QFile::remove(broken));
    QVERIFY(load(m_server->url("/echo")));
    QCOMPARE(m_server->requestCount("/echo"), 1);
    QVERIFY(closed.isEmpty());
}

int main(int argc, char *argv[])
{
    // Nothing of the browser's goes into the user's own folders.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", home.filePath("cache").toLocal8Bit());
    QGuiApplication app(argc, argv);
    qRegisterMetaType<QNetworkCookie>();
    TestChromiumProfile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_chromiumprofile.moc"
