#include "app/dirhelper.h"
#include "cef/cefbrowser.h"
#include "cef/cefcookiemanager.h"
#include "cef/qcefclient.h"
#include "debugcapture.h"
#include "enginetest.h"
#include "shellscene.h"
#include "testdownloadserver.h"
#include "testhttpserver.h"
#include "window/qcefview.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkCookie>
#include <QProcess>
#include <QScopeGuard>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QtWebEngineCore/QWebEngineCookieStore>

#include <algorithm>
#include <functional>

namespace {

constexpr int kEngineTimeout = 20000;

// Hands every push back through callQML, under the name of its window (the
// query of the page's address).
const char talkingPage[] = R"(<!doctype html><html><body>
<script>
function qtSlots(push) { callQML(location.search.substring(1), '', JSON.stringify(push)); }
</script></body></html>)";

QPair<QByteArray, QByteArray> setCookie(const QByteArray &line)
{
    return { "Set-Cookie", line };
}

bool runs(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished() && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The window manager's side of the engine's downloads and cookies: progress
// pushed to the page of the window that downloads, and the cookie table that
// each attached window adds to.
class TestDownloadsAndCookies : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void pushesReachThePageOfTheDownloadingWindow();
    void anyNameReachesThePageAsItself_data();
    void anyNameReachesThePageAsItself();
    void fullDiskEndsInAFailurePush();
    void attachmentCollectsTheCookiesOfTheAddress();
    void sameNameKeepsTheValueVisitedLast();
    void addressWithoutCookiesAddsNothing();

private:
    void announce(const QString &name, const QString &url);
    WindowRecord *waitForAttachment(const QString &name);
    WindowRecord *open(const QString &name, const QString &url);
    WindowRecord *openLoaded(const QString &name, const QString &url);
    QStringList pushesTo(const QString &name, const QSignalSpy &messages) const;
    void waitForCookies(const QString &url, int count);

    ShellScene m_shell;
    TestHttpServer m_server;
    TestDownloadServer m_downloads;
    QCefView *m_windows = nullptr;
    QStringList m_opened;
};

void TestDownloadsAndCookies::initTestCase()
{
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QVERIFY(m_server.listen());
    QVERIFY(m_downloads.listen());
    m_server.setPage(QStringLiteral("/talk.html"), talkingPage);
    m_server.setPage(QStringLiteral("/page"), "<html><body>page</body></html>");
    TestHttpServer::Response a;
    a.body = "<html><body>a</body></html>";
    a.headers = { setCookie("shared=fromA"), setCookie("onlyA=1"), setCookie("httpA=1; HttpOnly"),
        setCookie("deep=1; Path=/deep") };
    m_server.setResponse(QStringLiteral("/set-a"), a);
    TestHttpServer::Response b;
    b.body = "<html><body>b</body></html>";
    b.headers = { setCookie("shared=fromB"), setCookie("onlyB=1") };
    m_server.setResponse(QStringLiteral("/set-b"), b);

    QVERIFY(m_shell.start());
    m_windows = m_shell.windows();
    // Cookies an earlier run left behind go before this run sets its own; an
    // http server cannot set a secure one.
    QWebEngineCookieStore *store = engineProfile(m_shell.engine())->cookieStore();
    store->deleteAllCookies();
    QNetworkCookie secure("secureA", "1");
    secure.setDomain(QStringLiteral("a.localhost"));
    secure.setPath(QStringLiteral("/"));
    secure.setSecure(true);
    store->setCookie(secure, QUrl(QStringLiteral("https://a.localhost/")));
}

void TestDownloadsAndCookies::cleanup()
{
    const QStringList opened = m_opened;
    m_opened.clear();
    QVERIFY(m_shell.closeWindows(opened));
}

void TestDownloadsAndCookies::announce(const QString &name, const QString &url)
{
    m_opened.append(name);
    m_windows->openWindow(name, QString(), QString(), url, QStringLiteral("0,0,300,200"), QString(),
        QString(), QString(), QString(), QString(), true);
}

WindowRecord *TestDownloadsAndCookies::waitForAttachment(const QString &name)
{
    const auto attached = [this, name] {
        const WindowRecord *record = m_windows->findWindow(name);
        return record && record->window;
    };
    return QTest::qWaitFor(attached, kEngineTimeout) ? m_windows->findWindow(name) : nullptr;
}

WindowRecord *TestDownloadsAndCookies::open(const QString &name, const QString &url)
{
    announce(name, url);
    return waitForAttachment(name);
}

// Attached, and its page has loaded with status 200.
WindowRecord *TestDownloadsAndCookies::openLoaded(const QString &name, const QString &url)
{
    announce(name, url);
    QSignalSpy loadEnds(m_windows->findWindow(name)->client.data(), &QCefClient::sgLoadEnd);
    WindowRecord *record = waitForAttachment(name);
    return record && (!loadEnds.isEmpty() || loadEnds.wait(kEngineTimeout)) ? record : nullptr;
}

// The push objects the page of a window got, as its script wrote them.
QStringList TestDownloadsAndCookies::pushesTo(const QString &name, const QSignalSpy &messages) const
{
    QStringList pushes;
    for (const QList<QVariant> &message : messages) {
        const QJsonObject request
            = QJsonDocument::fromJson(message.at(0).toString().toUtf8()).object();
        if (request.value(QStringLiteral("name")).toString() == name)
            pushes.append(request.value(QStringLiteral("request")).toString());
    }
    return pushes;
}

// Until the engine has told of them, cookies set by a page are not there.
void TestDownloadsAndCookies::waitForCookies(const QString &url, int count)
{
    const auto told = [url] {
        QCefClient visitor;
        QSignalSpy cookies(&visitor, &QCefClient::sgSendCookie);
        CefCookieManager::GetGlobalManager()->VisitUrlCookies(url, true, &visitor);
        return cookies.count();
    };
    QTRY_COMPARE_WITH_TIMEOUT(told(), count, kEngineTimeout);
}

void TestDownloadsAndCookies::pushesReachThePageOfTheDownloadingWindow()
{
    QVERIFY(openLoaded(QStringLiteral("bystander"), m_server.url("/talk.html?bystander")));
    QVERIFY(openLoaded(QStringLiteral("downloader"), m_server.url("/talk.html?downloader")));
    const QByteArray body = QByteArray(500, 'x') + QByteArray(500, 'y');
    m_downloads.setDownload(QStringLiteral("/setup"),
        { body, 250,
            { { "Content-Type", "application/octet-stream" },
                { "X-Content-Type-Options", "nosniff" },
                { "Content-Disposition", "attachment; filename=\"setup.v2.exe\"" } } });
    QSignalSpy messages(m_windows, &QCefView::sgWebMsgReceived);
    int requested = 0;
    connect(engineProfile(m_shell.engine()), &QWebEngineProfile::downloadRequested, this,
        [&requested] { ++requested; });

    m_windows->sendToWeb(QStringLiteral("downloader"),
        QStringLiteral("location.href = '%1'").arg(m_downloads.url(QStringLiteral("/setup"))));
    QTRY_COMPARE_WITH_TIMEOUT(requested, 1, kEngineTimeout);
    // Each step once the page has the percentage of the one before.
    for (const int percentage : { 25, 50, 75, 100 }) {
        QVERIFY(m_downloads.sendStep(QStringLiteral("/setup")));
        const QString push
            = QStringLiteral("{\"Download\":\"setup\",\"Progress\":\"%1\"}").arg(percentage);
        QTRY_VERIFY_WITH_TIMEOUT(
            pushesTo(QStringLiteral("downloader"), messages).contains(push), kEngineTimeout);
    }
    const QString succeed = QStringLiteral("{\"Download\":\"setup\",\"State\":\"Succeed\"}");
    QTRY_VERIFY_WITH_TIMEOUT(
        pushesTo(QStringLiteral("downloader"), messages).contains(succeed), kEngineTimeout);

    const QStringList pushes = pushesTo(QStringLiteral("downloader"), messages);
    QList<int> percentages;
    for (const QString &push : pushes.mid(0, pushes.count() - 1)) {
        const QJsonObject object = QJsonDocument::fromJson(push.toUtf8()).object();
        percentages.append(object.value(QStringLiteral("Progress")).toString().toInt());
    }
    QVERIFY2(std::adjacent_find(percentages.cbegin(), percentages.cend(), std::greater_equal<int>())
            == percentages.cend(),
        qPrintable(pushes.join(QLatin1Char(' '))));
    QCOMPARE(pushes.mid(pushes.count() - 2),
        QStringList({ "{\"Download\":\"setup\",\"Progress\":\"100\"}", succeed }));
    QCOMPARE(pushes.count(succeed), 1);
    QVERIFY(pushesTo(QStringLiteral("bystander"), messages).isEmpty());
    QFile file(DirHelper::instance()->downloadPath() + QStringLiteral("/setup.v2.exe"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), body);
}

void TestDownloadsAndCookies::anyNameReachesThePageAsItself_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("ordinary") << QStringLiteral("setup");
    QTest::newRow("quotes and backslash") << QStringLiteral("it's \"q\" \\");
    QTest::newRow("script") << QStringLiteral("\"});callQML('pusher','','injected');({\"");
    QTest::newRow("line separators") << QStringLiteral("a") + QChar(0x2028) + QStringLiteral("\nb");
}

// Pushes go in as JSON strings: the page gets the name, and no script of it.
// An ordinary name gives the very text pages have always had.
void TestDownloadsAndCookies::anyNameReachesThePageAsItself()
{
    QFETCH(QString, name);
    const WindowRecord *record
        = openLoaded(QStringLiteral("pusher"), m_server.url("/talk.html?pusher"));
    QVERIFY(record);
    QSignalSpy messages(m_windows, &QCefView::sgWebMsgReceived);

    m_windows->onDownload(record->client->getBrowser(), 7, QStringLiteral("Downloading"), name);
    m_windows->onDownload(record->client->getBrowser(), -1, QStringLiteral("Succeed"), name);
    m_windows->onDownload(record->client->getBrowser(), -1, QStringLiteral("Failed"), name);
    // Whatever the page ran of the pushes, it ran before this.
    const QString end = QStringLiteral("{\"end\":true}");
    m_windows->sendToWeb(
        QStringLiteral("pusher"), QStringLiteral("callQML('pusher', '', '%1')").arg(end));
    QTRY_VERIFY_WITH_TIMEOUT(
        pushesTo(QStringLiteral("pusher"), messages).contains(end), kEngineTimeout);

    QStringList pushes = pushesTo(QStringLiteral("pusher"), messages);
    QCOMPARE(pushes.takeLast(), end);
    QCOMPARE(pushes.count(), 3);
    const QJsonObject progress = QJsonDocument::fromJson(pushes.at(0).toUtf8()).object();
    const QJsonObject succeed = QJsonDocument::fromJson(pushes.at(1).toUtf8()).object();
    const QJsonObject failed = QJsonDocument::fromJson(pushes.at(2).toUtf8()).object();
    QCOMPARE(progress.keys(), QStringList({ "Download", "Progress" }));
    QCOMPARE(progress.value("Download").toString(), name);
    QCOMPARE(progress.value("Progress").toString(), QStringLiteral("7"));
    QCOMPARE(succeed.keys(), QStringList({ "Download", "State" }));
    QCOMPARE(succeed.value("Download").toString(), name);
    QCOMPARE(succeed.value("State").toString(), QStringLiteral("Succeed"));
    QCOMPARE(failed.value("Download").toString(), name);
    QCOMPARE(failed.value("State").toString(), QStringLiteral("Failed"));
    if (name == QLatin1String("setup")) {
        QCOMPARE(pushes,
            QStringList({ "{\"Download\":\"setup\",\"Progress\":\"7\"}",
                "{\"Download\":\"setup\",\"State\":\"Succeed\"}",
                "{\"Download\":\"setup\",\"State\":\"Failed\"}" }));
    }
}

// The download folder is a small file system of its own, which the download
// fills: the page learns that its download failed and the log says why; the
// player's file stays and nothing is left of the download.
void TestDownloadsAndCookies::fullDiskEndsInAFailurePush()
{
    const QString folder = DirHelper::instance()->downloadPath();
    if (!runs(QStringLiteral("mount"), { "-t", "tmpfs", "-o", "size=64k", "tmpfs", folder }))
        QSKIP("cannot mount a small tmpfs on the download folder (needs root and mount rights)");
    const auto unmount = qScopeGuard([folder] {
        runs(QStringLiteral("umount"), { "-l", folder });
    });
    QFile earlier(folder + QStringLiteral("/same.bin"));
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("player's");
    earlier.close();
    QVERIFY(openLoaded(QStringLiteral("filler"), m_server.url("/talk.html?filler")));
    m_downloads.setDownload(QStringLiteral("/big"),
        { QByteArray(1 << 20, 'b'), 1 << 16,
            { { "Content-Type", "application/octet-stream" },
                { "X-Content-Type-Options", "nosniff" },
                { "Content-Disposition", "attachment; filename=\"same.bin\"" } } });
    QSignalSpy requested(&m_downloads, &TestDownloadServer::sgRequested);
    QSignalSpy messages(m_windows, &QCefView::sgWebMsgReceived);
    DebugCapture debug;

    m_windows->sendToWeb(QStringLiteral("filler"),
        QStringLiteral("location.href = '%1'").arg(m_downloads.url(QStringLiteral("/big"))));
    QTRY_COMPARE_WITH_TIMEOUT(requested.count(), 1, kEngineTimeout);
    const QString failed = QStringLiteral("{\"Download\":\"same (1)\",\"State\":\"Failed\"}");
    const auto told = [&] { return pushesTo(QStringLiteral("filler"), messages).contains(failed); };
    while (!told() && m_downloads.sendStep(QStringLiteral("/big")))
        QTest::qWait(100);
    QTRY_VERIFY_WITH_TIMEOUT(told(), kEngineTimeout);

    QCOMPARE(pushesTo(QStringLiteral("filler"), messages).last(), failed);
    QCOMPARE(debug.lines().filter(QStringLiteral("download of same (1).bin failed: ")),
        QStringList { QStringLiteral("[OtherType]  [Other_Type] download of same (1).bin failed: ")
            + QStringLiteral("Insufficient space on the target drive") });
    QCOMPARE(contents(earlier.fileName()), QByteArray("player's"));
    QTRY_COMPARE_WITH_TIMEOUT(QDir(folder).entryList(QDir::Files | QDir::Hidden),
        QStringList { "same.bin" }, kEngineTimeout);
}

void TestDownloadsAndCookies::attachmentCollectsTheCookiesOfTheAddress()
{
    QVERIFY(openLoaded(QStringLiteral("setterA"), m_server.url("a.localhost", "/set-a")));
    waitForCookies(m_server.url("a.localhost", "/deep/x"), 4);
    // The page's own cookies came after its window was attached.
    const QHash<QString, QString> before = m_windows->cookieTable();
    QVERIFY(!before.contains(QStringLiteral("onlyA")));

    QVERIFY(open(QStringLiteral("visitorA"), m_server.url("a.localhost", "/page")));
    QHash<QString, QString> expected = before;
    expected.insert(QStringLiteral("shared"), QStringLiteral("fromA"));
    expected.insert(QStringLiteral("onlyA"), QStringLiteral("1"));
    expected.insert(QStringLiteral("httpA"), QStringLiteral("1"));
    QCOMPARE(m_windows->cookieTable(), expected);
}

void TestDownloadsAndCookies::sameNameKeepsTheValueVisitedLast()
{
    QVERIFY(openLoaded(QStringLiteral("setterA"), m_server.url("a.localhost", "/set-a")));
    QVERIFY(openLoaded(QStringLiteral("setterB"), m_server.url("b.localhost", "/set-b")));
    waitForCookies(m_server.url("a.localhost", "/page"), 3);
    waitForCookies(m_server.url("b.localhost", "/page"), 2);

    QVERIFY(open(QStringLiteral("visitorA"), m_server.url("a.localhost", "/page")));
    QCOMPARE(m_windows->cookieTable().value(QStringLiteral("shared")), QStringLiteral("fromA"));
    QVERIFY(open(QStringLiteral("visitorB"), m_server.url("b.localhost", "/page")));
    QCOMPARE(m_windows->cookieTable().value(QStringLiteral("shared")), QStringLiteral("fromB"));
    QCOMPARE(m_windows->cookieTable().value(QStringLiteral("onlyB")), QStringLiteral("1"));
    QCOMPARE(m_windows->cookieTable().value(QStringLiteral("onlyA")), QStringLiteral("1"));
}

void TestDownloadsAndCookies::addressWithoutCookiesAddsNothing()
{
    const QHash<QString, QString> before = m_windows->cookieTable();
    QVERIFY(open(QStringLiteral("plain"), m_server.url("c.localhost", "/page")));
    QCOMPARE(m_windows->cookieTable(), before);
}

LUMEN_ENGINE_TEST_MAIN(TestDownloadsAndCookies)
#include "tst_downloadsandcookies.moc"
