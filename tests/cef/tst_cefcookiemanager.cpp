#include "cef/cefbrowser.h"
#include "cef/cefcookiemanager.h"
#include "cef/qcefapp.h"
#include "cef/qcefclient.h"
#include "cookietests.h"
#include "engine/browserengine.h"
#include "engine/engineprofile.h"
#include "enginetest.h"
#include "testhttpserver.h"

#include <QNetworkCookie>

#include <utility>

namespace {

constexpr int kEngineTimeout = 20000;

QPair<QByteArray, QByteArray> setCookie(const QByteArray &line)
{
    return { "Set-Cookie", line };
}

} // namespace

// The engine's cookies as the window manager reads them, kept current as servers change them:
// what Chromium tells of its store. The visits' rules are tested on the fake engine
// (tst_enginelesscookies).
class TestCefCookieManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void changesAndRemovalsAreFollowed();

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
    QVERIFY(m_server.listen());
    int argc = 0;
    QCOMPARE(m_engine.initialize(argc, nullptr), -1);
    QVERIFY(CefCookieManager::GetGlobalManager());
    // Whatever an earlier run left behind goes before this run sets its own.
    m_engine.engine().profile()->deleteAllCookies();
}

void TestCefCookieManager::cleanup()
{
    for (const CefRefPtr<QCefClient> &client : std::as_const(m_clients)) {
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

QStringList TestCefCookieManager::cookiesFor(const QString &url, bool includeHttpOnly) const
{
    return visitedCookies(url, includeHttpOnly);
}

// Chromium's own form of a cookie set for a domain reaches the mirror too.
void TestCefCookieManager::changesAndRemovalsAreFollowed()
{
    TestHttpServer::Response page;
    page.body = "<html><body>e</body></html>";
    page.headers = { setCookie("kept=1"), setCookie("changed=old"), setCookie("dropped=1"),
        setCookie("wide=1; Domain=e.localhost") };
    m_server.setResponse(QStringLiteral("/first"), page);
    page.headers = { setCookie("changed=new"), setCookie("dropped=; Max-Age=0") };
    m_server.setResponse(QStringLiteral("/second"), page);
    const QString address = url("e.localhost", "/");

    load("e.localhost", "/first");
    QTRY_COMPARE_WITH_TIMEOUT(cookiesFor(address),
        QStringList({ "changed=old", "dropped=1", "kept=1", "wide=1" }), kEngineTimeout);
    QCOMPARE(cookiesFor(url("sub.e.localhost", "/")), QStringList { "wide=1" });
    load("e.localhost", "/second");
    QTRY_COMPARE_WITH_TIMEOUT(
        cookiesFor(address), QStringList({ "changed=new", "kept=1", "wide=1" }), kEngineTimeout);
}

LUMEN_ENGINE_TEST_MAIN(TestCefCookieManager)
#include "tst_cefcookiemanager.moc"
