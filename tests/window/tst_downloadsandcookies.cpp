#include "app/dirhelper.h"
#include "cef/cefbrowser.h"
#include "cef/cefcookiemanager.h"
#include "cef/qcefclient.h"
#include "debugcapture.h"
#include "downloadreports.h"
#include "engine/browserengine.h"
#include "engine/engineprofile.h"
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
    EngineProfile *profile = m_shell.engine().engine().profile();
    profile->deleteAllCookies();
    QNetworkCookie secure("secureA", "1");
    secure.setDomain(QStringLiteral("a.localhost"));
    secure.setPath(QStringLiteral("/"));
    secure.setSecure(true);
    profile->setCookie(secure, QUrl(QStringLiteral("https://a.localhost/")));
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

// The download folder is a small file system of its own, which the download
// fills: the page learns that its download failed and the log says why; the
// player's file stays and nothing is left of the download.
void TestDownloadsAndCookies::fullDiskEndsInAFailurePush()
{
    const QString folder = DirHelper::instance()->downloadPath();
    if (!runs(QStringLiteral("mount"), { "-t", "tmpfs", "-o", "size=64k", "tmpfs", folder }))
        QSKIP("cannot mount a small tmpfs on the download folder (needs root and mount rights)");
    const auto unmount
        = qScopeGuard([folder] { runs(QStringLiteral("umount"), { "-l", folder }); });
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
    QVERIFY2(DownloadReports::failureLoggedOnce(debug.lines(), QStringLiteral("same (1).bin")),
        qPrintable(debug.lines().join(QLatin1Char('\n'))));
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
