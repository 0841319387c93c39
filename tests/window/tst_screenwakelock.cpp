#include "cef/qcefclient.h"
#include "debugcapture.h"
#include "enginetest.h"
#include "shellscene.h"
#include "testhttpserver.h"
#include "window/qcefview.h"

#include <QDBusConnection>
#include <QRegularExpression>
#include <QSet>

namespace {

constexpr int kEngineTimeout = 20000;

const char page[] = R"html(<!doctype html><html><body><script>
var sentinel = null;
function report(path) { fetch(path, { cache: 'no-store' }); }
function hold() {
    navigator.wakeLock.request('screen').then(function (held) {
        sentinel = held;
        held.onrelease = function () { report('/released/' + held.released); };
        report('/held/' + (held instanceof WakeLockSentinel) + '/' + held.type);
    }, function (error) { report('/refused/' + error.name); });
}
</script></body></html>)html";

} // namespace

// The desktop's screen-saver service, on the test's own session bus: the inhibitions held now.
class FakeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    QSet<uint> held;

public slots:
    uint Inhibit(const QString &, const QString &) { return *held.insert(++m_last); }
    void UnInhibit(uint cookie) { held.remove(cookie); }

private:
    uint m_last = 0;
};

// A game asks for the screen wake lock, which the engine would refuse: a trusted page gets it,
// and the desktop's screen saver is held off until the page lets it go or is hidden; another
// site is refused as browsers refuse, and logged once.
class TestScreenWakeLock : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void trustedPageHoldsTheScreenOnUntilReleasedOrHidden();

private:
    // The page's report once it has asked for the lock.
    QString hold(const QString &url = QString());

    FakeScreenSaver m_saver;
    ShellScene m_shell;
    TestHttpServer m_server;
    QStringList m_reports;
};

void TestScreenWakeLock::initTestCase()
{
    QGuiApplication::setQuitOnLastWindowClosed(false);
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    QVERIFY2(!address.isEmpty(), "no session bus: run under dbus-run-session, as CTest does");
    QDBusConnection service = QDBusConnection::connectToBus(QString::fromLatin1(address), "saver");
    QVERIFY(service.registerService("org.freedesktop.ScreenSaver"));
    QVERIFY(service.registerObject(
        "/org/freedesktop/ScreenSaver", &m_saver, QDBusConnection::ExportAllSlots));

    QVERIFY(m_server.listen());
    m_server.setPage("/wake.html", page);
    connect(&m_server, &TestHttpServer::sgRequested, this,
        [this](const QString &path) { m_reports.append(path); });
    QVERIFY(m_shell.start());
    m_shell.windows()->openWindow(
        "game", "", "", m_server.url("/wake.html"), "100,100,400,300", "", "", "", "", "");
}

void TestScreenWakeLock::cleanupTestCase()
{
    QVERIFY(m_shell.closeWindows({ "game" }));
}

QString TestScreenWakeLock::hold(const QString &url)
{
    const WindowRecord *game = m_shell.windows()->findWindow("game");
    QSignalSpy loadEnds(game->client.data(), &QCefClient::sgLoadEnd);
    if (!QTest::qWaitFor([&] { return game->window; }, kEngineTimeout))
        return QStringLiteral("not attached");
    if (!url.isEmpty())
        m_shell.windows()->load("game", url);
    if (!url.isEmpty() && !loadEnds.wait(kEngineTimeout))
        return QStringLiteral("not loaded");
    const QRegularExpression answer("^/(held|refused)/");
    m_reports.clear();
    game->browser()->executeJavaScript("hold()");
    if (!QTest::qWaitFor([&] { return !m_reports.filter(answer).isEmpty(); }, kEngineTimeout))
        return QStringLiteral("no answer");
    return m_reports.filter(answer).constFirst();
}

void TestScreenWakeLock::trustedPageHoldsTheScreenOnUntilReleasedOrHidden()
{
    QCOMPARE(hold(m_server.url("/wake.html")), QStringLiteral("/held/true/screen"));
    QTRY_COMPARE(m_saver.held.size(), 1);
    const WindowRecord *game = m_shell.windows()->findWindow("game");
    game->browser()->executeJavaScript("sentinel.release()");
    QTRY_VERIFY(m_reports.contains("/released/true"));
    QTRY_VERIFY(m_saver.held.isEmpty());

    QCOMPARE(hold(), QStringLiteral("/held/true/screen"));
    QTRY_COMPARE(m_saver.held.size(), 1);
    game->window->hide();
    QTRY_VERIFY(m_reports.contains("/released/true"));
    QTRY_VERIFY(m_saver.held.isEmpty());
    game->window->show();

    DebugCapture debug;
    QCOMPARE(hold(m_server.url("foreign.localhost", "/wake.html")),
        QStringLiteral("/refused/NotAllowedError"));
    QCOMPARE(hold(), QStringLiteral("/refused/NotAllowedError"));
    QCOMPARE(debug.lines().filter("wake lock refused to http://foreign.localhost").count(), 1);
    QVERIFY(m_saver.held.isEmpty());
}

LUMEN_ENGINE_TEST_MAIN(TestScreenWakeLock)
#include "tst_screenwakelock.moc"
