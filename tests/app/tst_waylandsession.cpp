#include "answeringportal.h"
#include "programcopy.h"
#include "testfiles.h"
#include "testhttpserver.h"

#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// Runs the real program in a Wayland session of its own: a headless Weston with Xwayland beside
// it. The program is given both displays and no QT_QPA_PLATFORM, as a Wayland desktop starts
// it; it has to take the X one, since it embeds native windows and grabs global keys there.
// The test program itself needs no display.
class TestWaylandSession : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void showsFirstWindowOnXwaylandAndAnswersThePage();

private:
    QString runtimeDir() const { return m_temp->filePath("runtime"); }
    QString westonLog() const { return m_temp->filePath("weston.log"); }
    QString xDisplayFromLog() const;
    QString xClient(const QString &program, const QStringList &arguments) const;

    QString m_xDisplay;
    QScopedPointer<QTemporaryDir> m_temp;
    QScopedPointer<QProcess> m_weston;
    QScopedPointer<QProcess> m_lumen;
};

namespace {

const char socketName[] = "lumen-test";

} // namespace

void TestWaylandSession::init()
{
    m_temp.reset(new QTemporaryDir);
    QVERIFY(m_temp->isValid());
    // Wayland and Xwayland refuse a runtime folder others can enter.
    QVERIFY(QDir().mkpath(runtimeDir()));
    QVERIFY(QFile::setPermissions(
        runtimeDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    m_weston.reset(new QProcess);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", runtimeDir());
    environment.insert("HOME", m_temp->path());
    environment.insert("XDG_CONFIG_HOME", m_temp->filePath("config"));
    m_weston->setProcessEnvironment(environment);
    m_weston->start("weston",
        { "--backend=headless-backend.so", "--xwayland", QStringLiteral("--socket=") + socketName,
            "--idle-time=0", "--log=" + westonLog() });
    QVERIFY2(m_weston->waitForStarted(), "weston and xwayland are missing: run scripts/setup.sh");
    // Weston holds the X display once it listens there; Xwayland comes with the first client.
    QTRY_VERIFY2_WITH_TIMEOUT(
        !(m_xDisplay = xDisplayFromLog()).isEmpty(), fileBytes(westonLog()).constData(), 15000);

    m_lumen.reset(new QProcess);
    m_lumen->setProgram(m_temp->filePath("app/lumen"));
    environment = sessionEnvironment(m_temp->path(), m_xDisplay);
    environment.remove("XDG_SESSION_DESKTOP");
    environment.insert("XDG_SESSION_TYPE", "wayland");
    environment.insert("XDG_CURRENT_DESKTOP", "weston");
    environment.insert("WAYLAND_DISPLAY", socketName);
    environment.insert("XDG_RUNTIME_DIR", runtimeDir());
    m_lumen->setProcessEnvironment(environment);
}

void TestWaylandSession::cleanup()
{
    stopProcess(*m_lumen);
    // Weston takes Xwayland and its sockets down with it when asked, not when killed.
    stopProcess(*m_weston);
    m_lumen.reset();
    m_weston.reset();
    m_temp.reset();
}

QString TestWaylandSession::xDisplayFromLog() const
{
    static const QRegularExpression listening(
        QStringLiteral("xserver listening on display (:\\d+)"));
    return listening.match(QString::fromUtf8(fileBytes(westonLog()))).captured(1);
}

// The standard output of an X command-line client run against Xwayland; Weston starts it
// without authorisation.
QString TestWaylandSession::xClient(const QString &program, const QStringList &arguments) const
{
    QProcess client;
    client.start(program, QStringList { "-display", m_xDisplay } + arguments);
    if (!client.waitForFinished(10000)) {
        stopProcess(client);
        return QString();
    }
    return QString::fromUtf8(client.readAllStandardOutput());
}

void TestWaylandSession::showsFirstWindowOnXwaylandAndAnswersThePage()
{
    // Without it Qt falls back to X11 by itself, and the program's own choice goes unseen.
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms");
    QVERIFY2(!platforms.entryList({ "libqwayland*" }).isEmpty(),
        "Qt's Wayland platform plugin is missing: run scripts/setup.sh (qt6-wayland)");

    TestHttpServer portal;
    QVERIFY(portal.listen());
    portal.setPage("/", answeringPortalPage);
    portal.setPage("/ready", "ready");
    const QString failure
        = installProgramCopy(m_temp->filePath("app"), QUrl(portal.url("/")).port());
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    m_lumen->start();
    QVERIFY(m_lumen->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(
        portal.requestCount("/ready") > 0 || m_lumen->state() == QProcess::NotRunning, 60000);
    QVERIFY2(m_lumen->state() == QProcess::Running, m_lumen->readAllStandardError().constData());

    // The first window is shown once its page has loaded; it is this program's, on X.
    QTRY_VERIFY_WITH_TIMEOUT(
        xClient("xwininfo", { "-name", "login" }).contains("Map State: IsViewable"), 10000);
    QCOMPARE(xClient("xprop", { "-name", "login", "_NET_WM_PID" }).trimmed(),
        "_NET_WM_PID(CARDINAL) = " + QString::number(m_lumen->processId()));
}

QTEST_GUILESS_MAIN(TestWaylandSession)
#include "tst_waylandsession.moc"
