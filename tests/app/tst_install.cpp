#include "testfiles.h"

#include <QDate>
#include <QDir>
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

private:
    QString prefix() const { return m_temp->filePath("usr"); }
    QString home() const { return m_temp->filePath("home"); }
    QString run(const QString &program, const QStringList &arguments);
    QString startPortal();

    QScopedPointer<QTemporaryDir> m_temp;
    QProcessEnvironment m_environment;
    QScopedPointer<QProcess> m_portal;
    QScopedPointer<QProcess> m_lumen;
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
    for (QProcess *process : { m_lumen.data(), m_portal.data() }) {
        process->kill();
        process->waitForFinished();
    }
    m_temp.reset();
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

void TestInstall::installedProgramLoadsLobby()
{
    run(qEnvironmentVariable("CMAKE_COMMAND"),
        { "--install", qEnvironmentVariable("LUMEN_BUILD_DIR"), "--prefix", prefix() });
    QVERIFY(QFileInfo(prefix() + "/share/applications/lumen.desktop").isFile());
    QVERIFY(QFileInfo(prefix() + "/share/icons/hicolor/48x48/apps/lumen.png").isFile());
    // Root writes anywhere: a folder in the way of the program's write probe makes the
    // program folder read-only for it, as for a user of a system-wide install.
    QVERIFY(QDir().mkpath(prefix() + "/lib/lumen/.lumen-write-test"));

    const QString domain = startPortal();
    QVERIFY(!domain.isEmpty());
    const QString config = prefix() + "/bin/lumen_config";
    run(config, { "--system", "debug", "on" });
    run(config, { "set-domain", domain });
    QCOMPARE(run(config, { "--system", "url" }), QString("www./?v=1.0.2"));
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

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
