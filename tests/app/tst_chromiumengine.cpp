#include "answeringportal.h"
#include "processtree.h"
#include "programcopy.h"
#include "testhttpserver.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

// The real program on the engine the administrator chose with lumen_config engine, from a copy
// of its own: the system's Chromium runs the first window's page inside the shell's window and
// carries its bridge; "auto" takes that Chromium only when it is there and recent enough.
class TestChromiumEngine : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstWindowRunsOnTheSystemChromium();
    void crashedRendererIsReloaded();
    void killedBrowserComesBackAndEndsWithTheProgram();
    void autoTakesChromiumOnlyWhenUsable_data();
    void autoTakesChromiumOnlyWhenUsable();

private:
    QString appDir() const { return m_temp->filePath("app"); }
    void chooseEngine(const QString &engine);
    static QString windowInfo(const QStringList &arguments);
    bool waitForOutput(const QString &text);
    // Started on Chromium; true once the first window's page got the shell's answer.
    bool startOnChromium();
    // Everything the program said on standard error so far.
    QString output();
    // Its end, which a failure message has room for.
    QByteArray lastOutput() { return output().right(900).toUtf8(); }

    QScopedPointer<QTemporaryDir> m_temp;
    QScopedPointer<TestHttpServer> m_portal;
    QScopedPointer<QProcess> m_lumen;
    QString m_output;
};

void TestChromiumEngine::init()
{
    m_temp.reset(new QTemporaryDir);
    QVERIFY(m_temp->isValid());
    m_portal.reset(new TestHttpServer);
    QVERIFY(m_portal->listen());
    m_portal->setPage("/", answeringPortalPage);
    m_portal->setPage("/ready", "ready");
    const QString failure = installProgramCopy(appDir(), QUrl(m_portal->url("/")).port());
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    m_lumen.reset(new QProcess);
    m_lumen->setProgram(appDir() + "/lumen");
    // The test's own X server, its authority included.
    QProcessEnvironment environment
        = sessionEnvironment(m_temp->path(), qEnvironmentVariable("DISPLAY"));
    environment.insert("XAUTHORITY", qEnvironmentVariable("XAUTHORITY"));
    m_lumen->setProcessEnvironment(environment);
    m_output.clear();
}

void TestChromiumEngine::cleanup()
{
    stopProcess(*m_lumen);
    m_lumen.reset();
    m_portal.reset();
    m_temp.reset();
}

void TestChromiumEngine::chooseEngine(const QString &engine)
{
    QProcess config;
    config.start(qEnvironmentVariable("LUMEN_BIN_DIR") + "/lumen_config",
        { "--file", appDir() + "/config.ini", "engine", engine });
    QVERIFY(config.waitForFinished());
    QVERIFY2(config.exitCode() == 0, config.readAllStandardError().constData());
}

QString TestChromiumEngine::windowInfo(const QStringList &arguments)
{
    QProcess xwininfo;
    xwininfo.start("xwininfo", arguments);
    xwininfo.waitForFinished(10000);
    return QString::fromUtf8(xwininfo.readAllStandardOutput());
}

bool TestChromiumEngine::waitForOutput(const QString &text)
{
    QDeadlineTimer deadline(60000);
    while (!m_output.contains(text) && !deadline.hasExpired()
        && m_lumen->state() == QProcess::Running) {
        m_lumen->waitForReadyRead(500);
        output();
    }
    return output().contains(text);
}

QString TestChromiumEngine::output()
{
    m_output += QString::fromUtf8(m_lumen->readAllStandardError());
    return m_output;
}

bool TestChromiumEngine::startOnChromium()
{
    chooseEngine("chromium");
    m_lumen->start();
    // The page's bridge call reached the shell, and the shell's answer reached the page.
    return QTest::qWaitFor(
               [this] {
                   return m_portal->requestCount("/ready") > 0
                       || m_lumen->state() == QProcess::NotRunning;
               },
               90000)
        && m_lumen->state() == QProcess::Running;
}

void TestChromiumEngine::firstWindowRunsOnTheSystemChromium()
{
    QVERIFY2(startOnChromium(), lastOutput().constData());
    QVERIFY2(output().contains("Engine: chromium, chosen by chromium"), qPrintable(m_output));

    // Shown once loaded, with Chromium's own window inside the shell's, no longer a top-level
    // window of its own.
    QTRY_VERIFY_WITH_TIMEOUT(
        windowInfo({ "-name", "login" }).contains("Map State: IsViewable"), 15000);
    const QString tree = windowInfo({ "-name", "login", "-tree" });
    static const QRegularExpression chromiumChild(
        R"((0x[0-9a-f]+) "[^"]*": \("[^"]*lumen-page-[0-9a-f]+" "Chromium"\))");
    const QString page = chromiumChild.match(tree).captured(1);
    QVERIFY2(!page.isEmpty(), qPrintable(tree));
    QVERIFY(windowInfo({ "-id", page }).contains("Map State: IsViewable"));
}

// A renderer that dies is reported, and the shell loads its page again in a new one that carries
// the bridge as the first did.
void TestChromiumEngine::crashedRendererIsReloaded()
{
    QVERIFY2(startOnChromium(), lastOutput().constData());
    int crashed = 0;
    for (qint64 pid : descendantProcesses(m_lumen->processId())) {
        QFile command(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (command.open(QIODevice::ReadOnly) && command.readAll().contains("--type=renderer"))
            crashed += ::kill(pid_t(pid), SIGSEGV) == 0;
    }
    QVERIFY(crashed > 0);
    QTRY_VERIFY2_WITH_TIMEOUT(
        m_portal->requestCount("/ready") >= 2, lastOutput().constData(), 30000);
}

// The browser killed from outside, as the kernel ends one out of memory: a new one takes its
// place, the first window's page comes back in it with its bridge, inside the shell's window
// it had, and the new browser ends with the program.
void TestChromiumEngine::killedBrowserComesBackAndEndsWithTheProgram()
{
    QVERIFY2(startOnChromium(), lastOutput().constData());
    QTRY_VERIFY_WITH_TIMEOUT(
        windowInfo({ "-name", "login" }).contains("Map State: IsViewable"), 15000);
    const QList<qint64> browsers = chromiumBrowsers(m_lumen->processId());
    QCOMPARE(browsers.size(), 1);
    QCOMPARE(::kill(pid_t(browsers.first()), SIGKILL), 0);

    QTRY_VERIFY2_WITH_TIMEOUT(
        m_portal->requestCount("/ready") >= 2, lastOutput().constData(), 60000);
    QCOMPARE(m_lumen->state(), QProcess::Running);
    const QList<qint64> again = chromiumBrowsers(m_lumen->processId());
    QCOMPARE(again.size(), 1);
    QVERIFY(again.first() != browsers.first());
    static const QRegularExpression chromiumChild(
        R"((0x[0-9a-f]+) "[^"]*": \("[^"]*lumen-page-[0-9a-f]+" "Chromium"\))");
    const auto pageShown = [] {
        const QString tree = windowInfo({ "-name", "login", "-tree" });
        const QString page = chromiumChild.match(tree).captured(1);
        return !page.isEmpty() && windowInfo({ "-id", page }).contains("Map State: IsViewable");
    };
    QTRY_VERIFY_WITH_TIMEOUT(pageShown(), 15000);

    const QList<qint64> processes = descendantProcesses(m_lumen->processId());
    stopProcess(*m_lumen);
    const auto left = [&processes] {
        QStringList alive;
        for (qint64 pid : processes) {
            if (QFile::exists(QStringLiteral("/proc/%1").arg(pid)))
                alive.append(QString::number(pid));
        }
        return alive;
    };
    QTRY_COMPARE_WITH_TIMEOUT(left(), QStringList(), 15000);
}

void TestChromiumEngine::autoTakesChromiumOnlyWhenUsable_data()
{
    QTest::addColumn<QString>("chromium");
    QTest::addColumn<QString>("taken");
    QTest::addColumn<QString>("choice");
    QTest::newRow("installed") << QString() << "chromium" << "auto";
    QTest::newRow("installed, by default") << QString() << "chromium" << QString();
    QTest::newRow("missing") << "/nonexistent/chromium"
                             << "qtwebengine"
                             << "auto";
    QTest::newRow("too old") << "old-chromium"
                             << "qtwebengine"
                             << "auto";
}

void TestChromiumEngine::autoTakesChromiumOnlyWhenUsable()
{
    QFETCH(QString, chromium);
    QFETCH(QString, taken);
    QFETCH(QString, choice);
    if (chromium == "old-chromium") {
        chromium = m_temp->filePath(chromium);
        QFile script(chromium);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho 'Chromium 120.0.6099.224 built on Debian GNU/Linux 12'\n");
        script.close();
        QVERIFY(script.setPermissions(script.permissions() | QFile::ExeOwner));
    }
    QProcessEnvironment environment = m_lumen->processEnvironment();
    if (!chromium.isEmpty())
        environment.insert("LUMEN_CHROMIUM", chromium);
    m_lumen->setProcessEnvironment(environment);
    if (choice.isEmpty())
        QSettings(appDir() + "/config.ini", QSettings::IniFormat).remove("Browser/Engine");
    else
        chooseEngine(choice);
    m_lumen->start();
    QVERIFY(m_lumen->waitForStarted());
    QVERIFY2(waitForOutput("Engine: " + taken + ", chosen by auto"), qPrintable(m_output));
}

QTEST_GUILESS_MAIN(TestChromiumEngine)
#include "tst_chromiumengine.moc"
