#include "cef/cefbrowser.h"
#include "cef/cefcookiemanager.h"
#include "cef/qcefapp.h"
#include "cef/qcefclient.h"
#include "enginetest.h"
#include "testhttpserver.h"

#include <QNetworkCookie>
#include <QWebEngineProfile>
#include <QtWebEngineCore/QWebEngineCookieStore>

namespace {

constexpr int kEngineTimeout = 20000;

// Remembers what it was shown; stops after a number of cookies, and deletes
// the cookies of one name.
class RecordingVisitor : public CefCookieVisitor
{
public:
    explicit RecordingVisitor(int stopAfter = -1, const QByteArray &doomed = QByteArray())
        : m_stopAfter(stopAfter)
        , m_doomed(doomed)
    {
    }

    bool Visit(const QNetworkCookie &cookie, int count, int total, bool &deleteCookie) override
    {
        visits.append(
            QStringLiteral("%1 %2/%3").arg(QString::fromUtf8(cookie.name())).arg(count).arg(total));
        deleteCookie = cookie.name() == m_doomed;
        return visits.count() != m_stopAfter;
    }

    QStringList visits;

private:
    int m_stopAfter;
    QByteArray m_doomed;
};

QPair<QByteArray, QByteArray> setCookie(const QByteArray &line)
{
    return { "Set-Cookie", line };
}

} // namespace

// The engine's cookies as the window manager reads them: those a request to an
// address would carry, kept current as pages and servers change them.
class TestCefCookieManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void visitsTheCookiesARequestWouldCarry_data();
    void visitsTheCookiesARequestWouldCarry();
    void visitGoesInTurnUntilTheVisitorStops();
    void visitorCanDeleteACookie();
    void changesAndRemovalsAreFollowed();
    void noAddressNoVisit();

private:
    QString url(const QString &host, const QString &path,
        const QString &scheme = QStringLiteral("http")) const;
    void load(const QString &host, const QString &path);
    QStringList cookiesFor(const QString &url, bool includeHttpOnly = true) const;

    QCefEngine m_engine { realEngine() };
    TestHttpServer m_server;
    QList<CefRefPtr<QCefClient>> m_clients;
};

void TestCefCookieManager::initTestCase()
{
    QVERIFY(!CefCookieManager::GetGlobalManager());
    QVERIFY(m_server.listen());
    TestHttpServer::Response a;
    a.body = "<html><body>a</body></html>";
    a.headers = { setCookie("shared=fromA"), setCookie("onlyA=1"), setCookie("httpA=1; HttpOnly"),
        setCookie("deep=1; Path=/deep"), setCookie("domainA=1; Domain=a.localhost") };
    m_server.setResponse(QStringLiteral("/set-a"), a);
    TestHttpServer::Response b;
    b.body = "<html><body>b</body></html>";
    b.headers = { setCookie("shared=fromB"), setCookie("onlyB=1") };
    m_server.setResponse(QStringLiteral("/set-b"), b);
    int argc = 0;
    QCOMPARE(m_engine.initialize(argc, nullptr), -1);
    QVERIFY(CefCookieManager::GetGlobalManager());
    // Whatever an earlier run left behind goes before this run sets its own.
    QWebEngineCookieStore *store = engineProfile(m_engine)->cookieStore();
    store->deleteAllCookies();

    load("a.localhost", "/set-a");
    load("b.localhost", "/set-b");
    // An http server cannot set a secure cookie.
    QNetworkCookie secure("secureA", "1");
    secure.setDomain(QStringLiteral("a.localhost"));
    secure.setPath(QStringLiteral("/"));
    secure.setSecure(true);
    store->setCookie(secure, QUrl(QStringLiteral("https://a.localhost/")));
    QTRY_COMPARE_WITH_TIMEOUT(
        cookiesFor(url("a.localhost", "/deep/x", "https")).count(), 6, kEngineTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(cookiesFor(url("b.localhost", "/")).count(), 2, kEngineTimeout);
}

void TestCefCookieManager::cleanup()
{
    for (const CefRefPtr<QCefClient> &client : qAsConst(m_clients)) {
        if (client->getBrowser())
            client->getBrowser()->closeBrowser();
    }
    m_clients.clear();
}

// The server answers whatever the host name; the engine takes any name under
// .localhost for the loopback address, each a site of its own for cookies.
QString TestCefCookieManager::url(
    const QString &host, const QString &path, const QString &scheme) const
{
    QUrl address(m_server.url(path));
    address.setHost(host);
    address.setScheme(scheme);
    return address.toString();
}

void TestCefCookieManager::load(const QString &host, const QString &path)
{
    const CefRefPtr<QCefClient> client
        = m_engine.app()->createBrowser(QStringLiteral("app"), false, url(host, path), 400, 300);
    m_clients.append(client);
    QSignalSpy loadEnds(client.data(), &QCefClient::sgLoadEnd);
    QVERIFY(loadEnds.wait(kEngineTimeout));
}

// What the client, as visitor, sends on: "name=value", sorted.
QStringList TestCefCookieManager::cookiesFor(const QString &url, bool includeHttpOnly) const
{
    QCefClient client;
    QSignalSpy sent(&client, &QCefClient::sgSendCookie);
    CefCookieManager::GetGlobalManager()->VisitUrlCookies(url, includeHttpOnly, &client);
    QStringList cookies;
    for (const QList<QVariant> &cookie : qAsConst(sent))
        cookies.append(cookie.at(0).toString() + QLatin1Char('=') + cookie.at(1).toString());
    cookies.sort();
    return cookies;
}

void TestCefCookieManager::visitsTheCookiesARequestWouldCarry_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("includeHttpOnly");
    QTest::addColumn<QStringList>("cookies");
    const QStringList a { "domainA=1", "httpA=1", "onlyA=1", "shared=fromA" };
    QTest::newRow("page") << url("a.localhost", "/page") << true << a;
    QTest::newRow("under the cookie's path")
        << url("a.localhost", "/deep/x") << true << (QStringList { "deep=1" } + a);
    QTest::newRow("a path that only begins like it") << url("a.localhost", "/deeper") << true << a;
    QTest::newRow("secure connection")
        << url("a.localhost", "/page", "https") << true << (QStringList { "secureA=1" } + a);
    QTest::newRow("subdomain") << url("sub.a.localhost", "/") << true
                               << QStringList { "domainA=1" };
    QTest::newRow("other site") << url("b.localhost", "/") << true
                                << QStringList { "onlyB=1", "shared=fromB" };
    QTest::newRow("without http-only") << url("a.localhost", "/page") << false
                                       << QStringList { "domainA=1", "onlyA=1", "shared=fromA" };
    QTest::newRow("site without cookies") << url("c.localhost", "/") << true << QStringList();
    QTest::newRow("without scheme, as windows are opened")
        << url("a.localhost", "/page").mid(int(qstrlen("http://"))) << true << a;
}

void TestCefCookieManager::visitsTheCookiesARequestWouldCarry()
{
    QFETCH(QString, address);
    QFETCH(bool, includeHttpOnly);
    QFETCH(QStringList, cookies);
    cookies.sort();
    QCOMPARE(cookiesFor(address, includeHttpOnly), cookies);
}

// Longest path first; count and total tell the place of each cookie.
void TestCefCookieManager::visitGoesInTurnUntilTheVisitorStops()
{
    const QString address = url("a.localhost", "/deep/x");
    RecordingVisitor all;
    QVERIFY(CefCookieManager::GetGlobalManager()->VisitUrlCookies(address, true, &all));
    QCOMPARE(all.visits.count(), 5);
    QCOMPARE(all.visits.first(), QStringLiteral("deep 0/5"));
    QCOMPARE(all.visits.last().section(QLatin1Char(' '), 1), QStringLiteral("4/5"));

    RecordingVisitor two(2);
    CefCookieManager::GetGlobalManager()->VisitUrlCookies(address, true, &two);
    QCOMPARE(two.visits, all.visits.mid(0, 2));
}

void TestCefCookieManager::visitorCanDeleteACookie()
{
    QNetworkCookie doomed("doomed", "1");
    doomed.setDomain(QStringLiteral("d.localhost"));
    doomed.setPath(QStringLiteral("/"));
    QWebEngineCookieStore *store = engineProfile(m_engine)->cookieStore();
    store->setCookie(doomed, QUrl(QStringLiteral("http://d.localhost/")));
    const QString address = url("d.localhost", "/");
    QTRY_COMPARE_WITH_TIMEOUT(cookiesFor(address), QStringList { "doomed=1" }, kEngineTimeout);

    RecordingVisitor deleting(-1, "doomed");
    CefCookieManager::GetGlobalManager()->VisitUrlCookies(address, true, &deleting);
    QCOMPARE(deleting.visits, QStringList { "doomed 0/1" });
    QTRY_COMPARE_WITH_TIMEOUT(cookiesFor(address), QStringList(), kEngineTimeout);
}

void TestCefCookieManager::changesAndRemovalsAreFollowed()
{
    TestHttpServer::Response page;
    page.body = "<html><body>e</body></html>";
    page.headers = { setCookie("kept=1"), setCookie("changed=old"), setCookie("dropped=1") };
    m_server.setResponse(QStringLiteral("/first"), page);
    page.headers = { setCookie("changed=new"), setCookie("dropped=; Max-Age=0") };
    m_server.setResponse(QStringLiteral("/second"), page);
    const QString address = url("e.localhost", "/");

    load("e.localhost", "/first");
    QTRY_COMPARE_WITH_TIMEOUT(
        cookiesFor(address), QStringList({ "changed=old", "dropped=1", "kept=1" }), kEngineTimeout);
    load("e.localhost", "/second");
    QTRY_COMPARE_WITH_TIMEOUT(
        cookiesFor(address), QStringList({ "changed=new", "kept=1" }), kEngineTimeout);
}

void TestCefCookieManager::noAddressNoVisit()
{
    RecordingVisitor visitor;
    QVERIFY(!CefCookieManager::GetGlobalManager()->VisitUrlCookies(QString(), true, &visitor));
    QVERIFY(visitor.visits.isEmpty());
}

LUMEN_ENGINE_TEST_MAIN(TestCefCookieManager)
#include "tst_cefcookiemanager.moc"
