#include "cef/cefcookiemanager.h"
#include "cef/cefcookievisitor.h"
#include "cef/qcefclient.h"
#include "cef/qcefengine.h"
#include "cookietests.h"
#include "fakeengine.h"

#include <QNetworkCookie>
#include <QtTest>

namespace {

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

// A cookie as the engine reports it: a host-only one has its host as domain, one set for a
// domain has the domain with a leading dot.
QNetworkCookie cookie(const char *name, const char *value, const QString &domain,
    const QString &path = QStringLiteral("/"))
{
    QNetworkCookie made(name, value);
    made.setDomain(domain);
    made.setPath(path);
    return made;
}

} // namespace

// The engine's cookies as the window manager reads them, on the fake engine: those a request
// to an address would carry, kept by what the profile tells of its store.
class TestEnginelessCookies : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void visitsTheCookiesARequestWouldCarry_data();
    void visitsTheCookiesARequestWouldCarry();
    void visitGoesInTurnUntilTheVisitorStops();
    void visitorCanDeleteACookie();
    void noAddressNoVisit();

private:
    QStringList cookiesFor(const QString &url, bool includeHttpOnly = true) const;
    FakeProfile *profile() const;

    QCefEngine m_engine { std::make_unique<FakeEngine>() };
};

void TestEnginelessCookies::initTestCase()
{
    QVERIFY(!CefCookieManager::GetGlobalManager());
    int argc = 0;
    QCOMPARE(m_engine.initialize(argc, nullptr), -1);
    QVERIFY(CefCookieManager::GetGlobalManager());
    const QString a = QStringLiteral("a.localhost");
    profile()->addCookie(cookie("shared", "fromA", a));
    profile()->addCookie(cookie("onlyA", "1", a));
    QNetworkCookie httpOnly = cookie("httpA", "1", a);
    httpOnly.setHttpOnly(true);
    profile()->addCookie(httpOnly);
    profile()->addCookie(cookie("deep", "1", a, QStringLiteral("/deep")));
    profile()->addCookie(cookie("domainA", "1", QStringLiteral(".a.localhost")));
    QNetworkCookie secure = cookie("secureA", "1", a);
    secure.setSecure(true);
    profile()->addCookie(secure);
    profile()->addCookie(cookie("shared", "fromB", QStringLiteral("b.localhost")));
    profile()->addCookie(cookie("onlyB", "1", QStringLiteral("b.localhost")));
}

FakeProfile *TestEnginelessCookies::profile() const
{
    return static_cast<FakeEngine &>(m_engine.engine()).fakeProfile();
}

QStringList TestEnginelessCookies::cookiesFor(const QString &url, bool includeHttpOnly) const
{
    return visitedCookies(url, includeHttpOnly);
}

void TestEnginelessCookies::visitsTheCookiesARequestWouldCarry_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("includeHttpOnly");
    QTest::addColumn<QStringList>("cookies");
    const QStringList a { "domainA=1", "httpA=1", "onlyA=1", "shared=fromA" };
    QTest::newRow("page") << "http://a.localhost:8/page" << true << a;
    QTest::newRow("under the cookie's path")
        << "http://a.localhost:8/deep/x" << true << (QStringList { "deep=1" } + a);
    QTest::newRow("a path that only begins like it") << "http://a.localhost:8/deeper" << true << a;
    QTest::newRow("secure connection")
        << "https://a.localhost:8/page" << true << (QStringList { "secureA=1" } + a);
    QTest::newRow("subdomain") << "http://sub.a.localhost:8/" << true
                               << QStringList { "domainA=1" };
    QTest::newRow("other site") << "http://b.localhost:8/" << true
                                << QStringList { "onlyB=1", "shared=fromB" };
    QTest::newRow("without http-only") << "http://a.localhost:8/page" << false
                                       << QStringList { "domainA=1", "onlyA=1", "shared=fromA" };
    QTest::newRow("site without cookies") << "http://c.localhost:8/" << true << QStringList();
    QTest::newRow("without scheme, as windows are opened") << "a.localhost:8/page" << true << a;
}

void TestEnginelessCookies::visitsTheCookiesARequestWouldCarry()
{
    QFETCH(QString, address);
    QFETCH(bool, includeHttpOnly);
    QFETCH(QStringList, cookies);
    cookies.sort();
    QCOMPARE(cookiesFor(address, includeHttpOnly), cookies);
}

// Longest path first; count and total tell the place of each cookie.
void TestEnginelessCookies::visitGoesInTurnUntilTheVisitorStops()
{
    const QString address = QStringLiteral("http://a.localhost:8/deep/x");
    RecordingVisitor all;
    QVERIFY(CefCookieManager::GetGlobalManager()->VisitUrlCookies(address, true, &all));
    QCOMPARE(all.visits.count(), 5);
    QCOMPARE(all.visits.first(), QStringLiteral("deep 0/5"));
    QCOMPARE(all.visits.last().section(QLatin1Char(' '), 1), QStringLiteral("4/5"));

    RecordingVisitor two(2);
    CefCookieManager::GetGlobalManager()->VisitUrlCookies(address, true, &two);
    QCOMPARE(two.visits, all.visits.mid(0, 2));
}

// The profile is asked to delete it, and the mirror follows what the profile then tells.
void TestEnginelessCookies::visitorCanDeleteACookie()
{
    const QNetworkCookie doomed = cookie("doomed", "1", QStringLiteral("d.localhost"));
    profile()->addCookie(doomed);
    const QString address = QStringLiteral("http://d.localhost:8/");
    QCOMPARE(cookiesFor(address), QStringList { "doomed=1" });

    RecordingVisitor deleting(-1, "doomed");
    CefCookieManager::GetGlobalManager()->VisitUrlCookies(address, true, &deleting);
    QCOMPARE(deleting.visits, QStringList { "doomed 0/1" });
    QCOMPARE(profile()->cookiesDeleted(), QList<QNetworkCookie> { doomed });
    QCOMPARE(cookiesFor(address), QStringList());
}

void TestEnginelessCookies::noAddressNoVisit()
{
    RecordingVisitor visitor;
    QVERIFY(!CefCookieManager::GetGlobalManager()->VisitUrlCookies(QString(), true, &visitor));
    QVERIFY(visitor.visits.isEmpty());
}

QTEST_MAIN(TestEnginelessCookies)
#include "tst_enginelesscookies.moc"
