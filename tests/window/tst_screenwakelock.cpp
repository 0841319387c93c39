#include "cef/qcefclient.h"
#include "debugcapture.h"
#include "enginetest.h"
#include "shellscene.h"
#include "testhttpserver.h"
#include "window/qcefview.h"

#include <QDBusConnection>
#include <QProcess>
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

// The desktop's screen-saver service as a test session bus of its own carries it: the
// inhibitions the shell holds now.
class FakeScreenSaver : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    QSet<uint> held;

public slots:
    uint Inhibit(const QString &, const QString &)
    {
        held.insert(++m_last);
        return m_last;
    }
    void UnInhibit(uint cookie) { held.remove(cookie); }

private:
    uint m_last = 0;
};

// A game asks for the screen wake lock, which the engine would refuse: a trusted page gets it
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
    // Opens the window name at url and asks for the lock once its page has loaded.
    WindowRecord *openAndHold(const QString &name, const QString &url);
    void hold(const WindowRecord *record);

    QProcess m_bus;
    FakeScreenSaver m_saver;
    ShellScene m_shell;
    TestHttpServer m_server;
    QStringList m_reports;
};

void TestScreenWakeLock::initTestCase()
{
    QGuiApplication::setQuitOnLastWindowClosed(false);
    m_bus.start(QStringLiteral("dbus-daemon"),
        { QStringLiteral("--session"), QStringLiteral("--nofork"),
            QStringLiteral("--print-address=1") });
    QVERIFY2(m_bus.waitForStarted(), "dbus-daemon is missing: run scripts/setup.sh");
    QTRY_VERIFY(m_bus.canReadLine());
    const QByteArray address = m_bus.readLine().trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    QDBusConnection service = QDBusConnection::connectToBus(QString::fromLatin1(address), "saver");
    QVERIFY(service.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
    QVERIFY(service.registerObject(
        QStringLiteral("/org/freedesktop/ScreenSaver"), &m_saver, QDBusConnection::ExportAllSlots));

    QVERIFY(m_server.listen());
    m_server.setPage(QStringLiteral("/wake.html"), page);
    connect(&m_server, &TestHttpServer::sgRequested, this,
        [this](const QString &path) { m_reports.append(path); });
    QVERIFY(m_shell.start());
}

void TestScreenWakeLock::cleanupTestCase()
{
    QVERIFY(m_shell.closeWindows({ QStringLiteral("game"), QStringLiteral("foreign") }));
    m_bus.kill();
    m_bus.waitForFinished();
}

void TestScreenWakeLock::hold(const WindowRecord *record)
{
    m_reports.clear();
    record->browser()->executeJavaScript(QStringLiteral("hold()"));
    QTRY_VERIFY_WITH_TIMEOUT(
        !m_reports.filter(QRegularExpression("^/(held|refused)/")).isEmpty(), kEngineTimeout);
}

WindowRecord *TestScreenWakeLock::openAndHold(const QString &name, const QString &url)
{
    QCefView *windows = m_shell.windows();
    windows->openWindow(name, QString(), QString(), url, QStringLiteral("100,100,400,300"),
        QString(), QString(), QString(), QString(), QString());
    WindowRecord *record = windows->findWindow(name);
    QSignalSpy loadEnds(record->client.data(), &QCefClient::sgLoadEnd);
    if (!QTest::qWaitFor([&] { return record->window && !loadEnds.isEmpty(); }, kEngineTimeout))
        return nullptr;
    hold(record);
    return record;
}

void TestScreenWakeLock::trustedPageHoldsTheScreenOnUntilReleasedOrHidden()
{
    WindowRecord *game = openAndHold(QStringLiteral("game"), m_server.url("/wake.html"));
    QVERIFY(game);
    QVERIFY2(m_reports.contains("/held/true/screen"), qPrintable(m_reports.join(' ')));
    QTRY_COMPARE(m_saver.held.size(), 1);

    game->browser()->executeJavaScript(QStringLiteral("sentinel.release()"));
    QTRY_VERIFY(m_reports.contains(QStringLiteral("/released/true")));
    QTRY_VERIFY(m_saver.held.isEmpty());

    hold(game);
    QTRY_COMPARE(m_saver.held.size(), 1);
    game->window->hide();
    QTRY_VERIFY(m_reports.contains(QStringLiteral("/released/true")));
    QTRY_VERIFY(m_saver.held.isEmpty());
    game->window->show();

    DebugCapture debug;
    WindowRecord *foreign
        = openAndHold(QStringLiteral("foreign"), m_server.url("foreign.localhost", "/wake.html"));
    QVERIFY(foreign);
    hold(foreign);
    QVERIFY2(m_reports.contains("/refused/NotAllowedError"), qPrintable(m_reports.join(' ')));
    QCOMPARE(
        debug.lines().filter("Screen wake lock refused to http://foreign.localhost").count(), 1);
    QVERIFY(m_saver.held.isEmpty());
}

LUMEN_ENGINE_TEST_MAIN(TestScreenWakeLock)
#include "tst_screenwakelock.moc"
