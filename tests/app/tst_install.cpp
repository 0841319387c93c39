#include "programcopy.h"
#include "testengine.h"
#include "testfiles.h"
#include "testhttpserver.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// Installs the built program into a temporary prefix, as a package does, and runs it from
// there against the demo portal: nothing of the build folder is used.
class TestInstall : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void installedProgramLoadsLobby();
    void rootRunKeepsPageSettingsToItself();

private:
    QString prefix() const { return m_temp->filePath("usr"); }
    QString home() const { return m_temp->filePath("home"); }
    void install();
    QString run(const QString &program, const QStringList &arguments);
    // The exit code of lumen_config, run by root or by nobody with a home of its own; its
    // standard output goes to m_output.
    int runConfig(const QStringList &arguments, bool asNobody);
    QString startPortal();
    // Every file and folder under the prefix, as paths relative to it.
    QStringList installedEntries() const;

    QScopedPointer<QTemporaryDir> m_temp;
    QProcessEnvironment m_environment;
    QScopedPointer<QProcess> m_portal;
    QScopedPointer<QProcess> m_lumen;
    QString m_output;
};

void TestInstall::init()
{
    m_temp.reset(new QTemporaryDir);
    QVERIFY(m_temp->isValid());
    m_environment = QProcessEnvironment::systemEnvironment();
    m_environment.insert("HOME", home());
    for (const QString name : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
        m_environment.remove(name);
    m_portal.reset(new QProcess);
    m_lumen.reset(new QProcess);
}

void TestInstall::cleanup()
{
    // The program ends its browser before the folders go.
    stopProcess(*m_lumen);
    m_portal->kill();
    m_portal->waitForFinished();
    m_temp.reset();
}

// The engine of the test run, as the administrator chooses it.
void TestInstall::install()
{
    run(qEnvironmentVariable("CMAKE_COMMAND"),
        { "--install", qEnvironmentVariable("LUMEN_BUILD_DIR"), "--prefix", prefix() });
    run(prefix() + "/bin/lumen_config", { "--system", "engine", TestEngine::configName() });
}

// Standard output of a program that must succeed.
QString TestInstall::run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessEnvironment(m_environment);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(120000);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        qWarning().noquote() << program << arguments << "failed:" << err;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The portal's domain, as the program reaches the demo server.
QString TestInstall::startPortal()
{
    const QString portFile = m_temp->filePath("port");
    m_portal->start("python3",
        { qEnvironmentVariable("LUMEN_SOURCE_DIR") + "/portal/serve.py", "--port-file", portFile,
            "0" });
    if (!QTest::qWaitFor([&] { return !fileBytes(portFile).trimmed().isEmpty(); }, 10000))
        return QString();
    return "corvela.localhost:" + QString::fromUtf8(fileBytes(portFile).trimmed());
}

QStringList TestInstall::installedEntries() const
{
    QStringList entries;
    QDirIterator it(prefix(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext())
        entries.append(QDir(prefix()).relativeFilePath(it.next()));
    entries.sort();
    return entries;
}

void TestInstall::installedProgramLoadsLobby()
{
    install();
    QVERIFY(QFileInfo(prefix() + "/share/applications/lumen.desktop").isFile());
    QVERIFY(QFileInfo(prefix() + "/share/icons/hicolor/48x48/apps/lumen.png").isFile());

    const QString domain = startPortal();
    QVERIFY(!domain.isEmpty());
    const QString config = prefix() + "/bin/lumen_config";
    run(config, { "--system", "debug", "on" });
    run(config, { "set-domain", domain });
    QCOMPARE(run(config, { "url" }), "www." + domain + "/?v=1.0.2");

    m_lumen->setProcessEnvironment(m_environment);
    m_lumen->start(prefix() + "/bin/lumen", QStringList());
    // The lobby's script talks to the shell as soon as it runs; the debug switch of the
    // administrator's file puts that in the user's log.
    const QString log = home() + "/.config/lumen/playcrate/log/PlaycrateApp_"
        + QDate::currentDate().toString("yyyyMMdd") + ".log";
    QVERIFY2(QTest::qWaitFor([&] { return fileBytes(log).contains("name:login recv H5:"); }, 60000),
        fileBytes(log).constData());
    QCOMPARE(m_lumen->state(), QProcess::Running);
}

int TestInstall::runConfig(const QStringList &arguments, bool asNobody)
{
    QProcess process;
    QString program = prefix() + "/bin/lumen_config";
    QStringList command = arguments;
    if (asNobody) {
        const QString nobodyHome = m_temp->filePath("home-nobody");
        QDir().mkpath(nobodyHome);
        QProcess::execute("chown", { "nobody", nobodyHome });
        QProcessEnvironment environment = m_environment;
        environment.insert("HOME", nobodyHome);
        process.setProcessEnvironment(environment);
        command = QStringList { "--reuid=nobody", "--regid=nogroup", "--clear-groups", program }
            + command;
        program = "setpriv";
    } else {
        process.setProcessEnvironment(m_environment);
    }
    process.start(program, command);
    process.waitForFinished(60000);
    m_output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// Root writes through the permission bits of an installed program: what a page stores in a root
// run still belongs to root alone, and nothing is written where the program is installed, by the
// program or by the engine's processes.
void TestInstall::rootRunKeepsPageSettingsToItself()
{
    install();
    // Other users reach the installed program, as they reach /usr.
    QVERIFY(QFile::setPermissions(
        m_temp->path(), QFile::permissions(m_temp->path()) | QFile::ExeOther | QFile::ReadOther));
    TestHttpServer portal;
    QVERIFY(portal.listen());
    portal.setPage("/",
        "<!doctype html><script>"
        "window.qtQueryCallback = function (reply) { fetch('/stored', { cache: 'no-store' }); };"
        "window.addEventListener('load', function () { callQML('login', 'token',"
        " '{\"SetConfig\":\"token\",\"Value\":\"root-secret\",\"GetConfig\":\"login\","
        "\"Key\":\"token\"}'); });</script>");
    const QString config = prefix() + "/bin/lumen_config";
    run(config,
        { "--system", "set-domain",
            "lumen.localhost:" + QString::number(QUrl(portal.url("/")).port()) });

    const QStringList installed = installedEntries();

    m_lumen->setProcessEnvironment(m_environment);
    m_lumen->start(prefix() + "/bin/lumen", QStringList());
    QTRY_VERIFY_WITH_TIMEOUT(portal.requestCount("/stored") == 1, 60000);

    QCOMPARE(run(config, { "get", "token" }), QString("root-secret"));
    QCOMPARE(runConfig({ "--system", "get", "token" }, false), 1);
    QCOMPARE(runConfig({ "get", "token" }, true), 1);
    QCOMPARE(runConfig({ "list" }, true), 0);
    QVERIFY(!m_output.contains("root-secret"));
    QCOMPARE(runConfig({ "url" }, true), 0);
    QCOMPARE(m_output,
        "www.lumen.localhost:" + QString::number(QUrl(portal.url("/")).port()) + "/?v=1.0.2");
    QVERIFY(!QFileInfo::exists(prefix() + "/lib/lumen/cache"));
    QStringList written = installedEntries();
    for (const QString &entry : installed)
        written.removeOne(entry);
    QVERIFY2(
        written.isEmpty(), qPrintable("written into the installed program: " + written.join(", ")));
    QVERIFY(QFileInfo(home() + "/.local/share/lumen/engine").isDir());
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
