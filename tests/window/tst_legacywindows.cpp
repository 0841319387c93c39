#include "cookietests.h"
#include "engine/browserengine.h"
#include "engine/enginepage.h"
#include "engine/engineprofile.h"
#include "enginetest.h"
#include "screencolour.h"
#include "shellscene.h"
#include "testhttpserver.h"
#include "window/qcefview.h"
#include "window/qie.h"

#include <QNetworkCookie>
#include <QWebEngineView>

#include <algorithm>
#include <memory>

namespace {

constexpr int kEngineTimeout = 20000;

const QColor kTeal(20, 150, 160);

// Asks for one resource on its own site under another path, and one on
// another site, so a request tells where the cookies went. Neither is an image: unseen, Chromium
// draws none of its broken-image icons.
QByteArray playPage(const QString &otherSiteUrl)
{
    return QByteArrayLiteral("<!doctype html><html><body style=\"margin:0;background:")
        + kTeal.name().toLatin1()
        + QByteArrayLiteral("\"><img style=\"visibility:hidden\" src=\"/deep/pixel\">"
                            "<img style=\"visibility:hidden\" src=\"")
        + otherSiteUrl.toLatin1() + QByteArrayLiteral("\"></body></html>");
}

// Reports what the dialogs answered by the path it asks for next; a dialog
// shown would hold the script at its first line.
const char dialogPage[] = R"(<!doctype html><html><body><script>
alert('alert');
var confirmed = confirm('confirm') ? 'yes' : 'no';
var prompted = prompt('prompt', 'text') === null ? 'null' : 'text';
location.href = '/after-' + confirmed + '-' + prompted;
</script></body></html>)";

} // namespace

// Windows opened with the legacy flag: the legacy browser inside a scene
// window, with the cookies the engine windows collected, as the engine sends and
// draws them, on either engine; what their pages set stays in their own store. The legacy
// windows' rules are tested on the fake engine
// (tst_enginelesslegacy).
class TestLegacyWindows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void pageShowsInsideItsSceneWindowWithTheCollectedCookies();
    void scriptDialogsShowNothing();
    void clearingRemovesCookiesAndCachedFiles();
    void cookiesTheirPagesGetStayApart();

private:
    QString gameUrl(const QString &path) const;
    WindowRecord *open(const QString &name, const QString &url, const QString &father = QString());
    bool waitForRequests(const QString &path, int count) const;
    bool loaded(const QString &name, const QString &url);

    ShellScene m_shell;
    TestHttpServer m_server;
    QCefView *m_windows = nullptr;
    QStringList m_opened;
};

void TestLegacyWindows::initTestCase()
{
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QVERIFY(m_server.listen());
    m_server.setPage(QStringLiteral("/play"), playPage(m_server.url("other.localhost", "/pixel")));
    m_server.setPage(QStringLiteral("/second"), "<html><body>second</body></html>");
    m_server.setPage(QStringLiteral("/dialogs"), dialogPage);
    m_server.setPage(QStringLiteral("/after-no-null"), "<html><body>after</body></html>");
    QVERIFY(m_shell.start());
    m_windows = m_shell.windows();
    collectCookiesOfTwoSites(*m_windows);
}

void TestLegacyWindows::cleanup()
{
    QVERIFY(m_shell.closeWindows(m_opened));
    m_opened.clear();
}

// A site whose name has a hyphen, on a port of its own.
QString TestLegacyWindows::gameUrl(const QString &path) const
{
    return m_server.url(QStringLiteral("my-game.localhost"), path);
}

WindowRecord *TestLegacyWindows::open(
    const QString &name, const QString &url, const QString &father)
{
    m_opened.prepend(name);
    m_windows->openWindow(name, father, QStringLiteral("1"), url, QStringLiteral("0,0,300,200"),
        QString(), QString(), QString(), QString(), QString(), true);
    const auto attached = [this, name] {
        const WindowRecord *record = m_windows->findWindow(name);
        return record && record->ieWidget;
    };
    return QTest::qWaitFor(attached, kEngineTimeout) ? m_windows->findWindow(name) : nullptr;
}

bool TestLegacyWindows::waitForRequests(const QString &path, int count) const
{
    return QTest::qWaitFor([&] { return m_server.requestCount(path) >= count; }, kEngineTimeout);
}

// The legacy window has shown the address, its images included.
bool TestLegacyWindows::loaded(const QString &name, const QString &url)
{
    const WindowRecord *record = m_windows->findWindow(name);
    QSignalSpy finished(record->ieWidget->page(), &EnginePage::sgLoadFinished);
    m_windows->load(name, url);
    // A load before may still finish.
    return QTest::qWaitFor(
        [&finished, &url] {
            return std::any_of(finished.cbegin(), finished.cend(), [&url](const auto &load) {
                return load.at(0).toUrl() == QUrl(url) && load.at(1).toInt() == 200;
            });
        },
        kEngineTimeout);
}

void TestLegacyWindows::pageShowsInsideItsSceneWindowWithTheCollectedCookies()
{
    const WindowRecord *record = open(QStringLiteral("legacy"), gameUrl("/play"));
    QVERIFY(record);
    QVERIFY(!record->client);
    QCOMPARE(record->ieWidget->window()->parent(), record->window);
    QVERIFY(waitForRequests(QStringLiteral("/play"), 1));
    QVERIFY(waitForRequests(QStringLiteral("/pixel"), 1));
    QVERIFY(waitForRequests(QStringLiteral("/deep/pixel"), 1));

    const QByteArray sent = m_server.lastRequestHeaders(QStringLiteral("/play")).value("cookie");
    QCOMPARE(sent.split(';').size(), 2);
    QVERIFY(sent.contains("session=abc"));
    QVERIFY(sent.contains("user=7"));
    QVERIFY(!sent.contains("portalSession"));
    QCOMPARE(m_server.lastRequestHeaders(QStringLiteral("/deep/pixel")).value("cookie"), sent);
    QVERIFY(!m_server.lastRequestHeaders(QStringLiteral("/pixel")).contains("cookie"));

    const QRect frame = record->window->geometry();
    QTRY_VERIFY_WITH_TIMEOUT(sameColour(screenColourAt(frame.center()), kTeal), kEngineTimeout);
    QVERIFY(sameColour(screenColourAt(frame.topLeft() + QPoint(1, 1)), kTeal));
    QVERIFY(sameColour(screenColourAt(frame.bottomRight() - QPoint(1, 1)), kTeal));

    // The widget follows its scene window's size.
    record->window->resize(420, 260);
    QTRY_COMPARE(record->ieWidget->window()->size(), QSize(420, 260));
}

void TestLegacyWindows::scriptDialogsShowNothing()
{
    QVERIFY(open(QStringLiteral("dialogs"), gameUrl("/dialogs")));
    QVERIFY(waitForRequests(QStringLiteral("/after-no-null"), 1));
    for (const QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY2(!widget->isVisible() || qobject_cast<const QWebEngineView *>(widget),
            qPrintable(widget->metaObject()->className()));
}

void TestLegacyWindows::clearingRemovesCookiesAndCachedFiles()
{
    TestHttpServer::Response image;
    image.contentType = "image/svg+xml";
    image.body = "<svg xmlns=\"http://www.w3.org/2000/svg\"/>";
    image.headers = { { "Cache-Control", "max-age=3600" } };
    m_server.setResponse(QStringLiteral("/cached.svg"), image);
    const QByteArray imagePage = "<html><body><img src=\"/cached.svg\"></body></html>";
    m_server.setPage(QStringLiteral("/image-a"), imagePage);
    m_server.setPage(QStringLiteral("/image-b"), imagePage);
    QVERIFY(open(QStringLiteral("legacy"), gameUrl("/image-a")));
    QVERIFY(waitForRequests(QStringLiteral("/cached.svg"), 1));
    QVERIFY(loaded(QStringLiteral("legacy"), gameUrl("/image-b")));
    QCOMPARE(m_server.requestCount(QStringLiteral("/cached.svg")), 1);

    m_windows->clearIECache();
    // Both go on in the engine's threads: the next loads show when they are done.
    const auto cleared = [this] {
        return loaded(QStringLiteral("legacy"), gameUrl("/image-a"))
            && !m_server.lastRequestHeaders(QStringLiteral("/image-a")).contains("cookie")
            && m_server.requestCount(QStringLiteral("/cached.svg")) == 2;
    };
    QVERIFY(QTest::qWaitFor(cleared, kEngineTimeout));
}

// A cookie a legacy page's site sets goes back with its next request, and never to the engine
// windows' pages of the same site, whose profile never tells it either.
void TestLegacyWindows::cookiesTheirPagesGetStayApart()
{
    EngineProfile *engineWindows = m_shell.engine().engine().profile();
    QSignalSpy told(engineWindows, &EngineProfile::sgCookieAdded);
    TestHttpServer::Response setting;
    setting.body = "<html><body>set</body></html>";
    setting.headers = { { "Set-Cookie", "legacyOnly=1; Path=/" } };
    m_server.setResponse(QStringLiteral("/set"), setting);
    m_server.setPage(QStringLiteral("/echo"), "<html><body>echo</body></html>");
    // The load it opens at may still go on: the next one would stop it before its cookie.
    QVERIFY(open(QStringLiteral("legacy"), gameUrl("/set")));
    QVERIFY(loaded(QStringLiteral("legacy"), gameUrl("/set")));
    QVERIFY(loaded(QStringLiteral("legacy"), gameUrl("/echo")));
    const QByteArray sent = m_server.lastRequestHeaders(QStringLiteral("/echo")).value("cookie");
    QVERIFY2(sent.contains("legacyOnly=1"), sent.constData());

    const std::unique_ptr<EnginePage> page(engineWindows->createPage(PageOptions()));
    QSignalSpy finished(page.get(), &EnginePage::sgLoadFinished);
    page->load(QUrl(gameUrl("/echo")));
    QVERIFY(finished.wait(kEngineTimeout));
    QCOMPARE(m_server.requestCount(QStringLiteral("/echo")), 2);
    QVERIFY(!m_server.lastRequestHeaders(QStringLiteral("/echo"))
            .value("cookie")
            .contains("legacyOnly"));
    for (const QList<QVariant> &cookie : std::as_const(told))
        QVERIFY(cookie.at(0).value<QNetworkCookie>().name() != "legacyOnly");
}

LUMEN_ENGINE_TEST_MAIN(TestLegacyWindows)

#include "tst_legacywindows.moc"
