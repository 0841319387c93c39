#include "app/configkeys.h"
#include "app/mvtconfig.h"
#include "app/originpolicy.h"
#include "app/policysettings.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct ToolRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

// A page key whose encrypted name matches pattern: such names lose slashes in the settings
// store and only come back whole in a listing when the tool restores them.
QString keyWithCipher(const QString &prefix, const QString &pattern)
{
    const QRegularExpression cipher(pattern);
    for (int number = 0; number < 100000; ++number) {
        const QString key = prefix + QString::number(number);
        if (cipher.match(ConfigKeys::encrypt(key)).hasMatch())
            return key;
    }
    return QString();
}

} // namespace

// Runs the built lumen_config as a child process, the way installers and administrators do.
class TestConfigTool : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void programReadsWhatToolWrote();
    void listAndGetDecryptWhatPagesStored_data();
    void listAndGetDecryptWhatPagesStored();
    void listSkipsForeignEntries();
    void trustedOriginsDecideWhoDrivesTheProgram();
    void securitySwitches();
    void debugSwitch_data();
    void debugSwitch();
    void engineChoiceReachesTheProgram();
    void defaultFileLiesBesideTool();
    void helpDescribesEveryCommand_data();
    void helpDescribesEveryCommand();
    void badInputFailsAndLeavesFile_data();
    void badInputFailsAndLeavesFile();

private:
    QString configPath() const { return m_temp->filePath(QStringLiteral("config.ini")); }
    static QString toolPath();
    ToolRun runTool(const QStringList &arguments, const QString &program = toolPath()) const;
    ToolRun runOnConfig(const QStringList &arguments) const;

    QScopedPointer<QTemporaryDir> m_temp;
};

void TestConfigTool::init()
{
    m_temp.reset(new QTemporaryDir);
    QVERIFY(m_temp->isValid());
    QVERIFY2(QFile::exists(toolPath()), qPrintable(toolPath() + " (run the test through ctest)"));
}

void TestConfigTool::cleanup()
{
    m_temp.reset();
}

QString TestConfigTool::toolPath()
{
    return qEnvironmentVariable("LUMEN_BIN_DIR") + QStringLiteral("/lumen_config");
}

ToolRun TestConfigTool::runTool(const QStringList &arguments, const QString &program) const
{
    QProcess tool;
    tool.start(program, arguments);
    ToolRun run;
    if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit) {
        tool.kill();
        tool.waitForFinished();
        run.err = QStringLiteral("lumen_config did not finish normally");
        return run;
    }
    run.exitCode = tool.exitCode();
    run.out = QString::fromUtf8(tool.readAllStandardOutput());
    run.err = QString::fromUtf8(tool.readAllStandardError());
    return run;
}

ToolRun TestConfigTool::runOnConfig(const QStringList &arguments) const
{
    return runTool(QStringList { QStringLiteral("--file"), configPath() } + arguments);
}

void TestConfigTool::programReadsWhatToolWrote()
{
    const ToolRun domain = runOnConfig({ "set-domain", "corvela.localhost:8765" });
    QCOMPARE(domain.err, QString());
    QCOMPARE(domain.exitCode, 0);
    QCOMPARE(domain.out, QStringLiteral("www.corvela.localhost:8765/?v=1.0.2\n"));
    QCOMPARE(runOnConfig({ "set", "userName", "alice" }).exitCode, 0);
    QCOMPARE(
        runOnConfig({ "set", QStringLiteral("区服"), QStringLiteral("华东一区") }).exitCode, 0);
    QCOMPARE(runOnConfig({ "set", "offset", "-5" }).exitCode, 0);

    MVTConfig program(configPath());
    QCOMPARE(program.getMainUrl(), QStringLiteral("www.corvela.localhost:8765/?v=1.0.2"));
    QCOMPARE(program.get("userName"), QStringLiteral("alice"));
    QCOMPARE(program.get(QStringLiteral("区服")), QStringLiteral("华东一区"));
    QCOMPARE(program.get("offset"), QStringLiteral("-5"));

    const QByteArray bytes = fileBytes(configPath());
    for (const char *plain : { "corvela", "MainUrl", "userName", "alice", "offset" })
        QVERIFY2(!bytes.contains(plain), plain);

    QCOMPARE(runOnConfig({ "url" }).out, QStringLiteral("www.corvela.localhost:8765/?v=1.0.2\n"));
    QCOMPARE(runOnConfig({ "get", "userName" }).out, QStringLiteral("alice\n"));
}

void TestConfigTool::listAndGetDecryptWhatPagesStored_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    QTest::newRow("plain") << "lastGame"
                           << "starfall";
    QTest::newRow("chinese") << QStringLiteral("区服") << QStringLiteral("华东一区");
    QTest::newRow("value with equals sign") << "query"
                                            << "a=b&c=d";
    QTest::newRow("cipher with leading slash") << keyWithCipher("leading", "^/") << "one";
    QTest::newRow("cipher with doubled slash") << keyWithCipher("doubled", "//") << "two";
    // Three cipher blocks carry no padding, so the last character can be a slash.
    QTest::newRow("cipher with trailing slash")
        << keyWithCipher("a-setting-name-of-three-cipher-blocks-", "/$") << "three";
}

void TestConfigTool::listAndGetDecryptWhatPagesStored()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QVERIFY(!key.isEmpty());

    MVTConfig program(configPath());
    program.set(key, value);
    program.set("volume", "80");

    const ToolRun list = runOnConfig({ "list" });
    QCOMPARE(list.err, QString());
    QCOMPARE(list.exitCode, 0);
    QStringList expected { key + "=" + value, QStringLiteral("volume=80") };
    expected.sort();
    QCOMPARE(list.out, expected.join('\n') + '\n');

    const ToolRun get = runOnConfig({ "get", key });
    QCOMPARE(get.exitCode, 0);
    QCOMPARE(get.out, value + '\n');
}

void TestConfigTool::listSkipsForeignEntries()
{
    MVTConfig(configPath()).set("volume", "80");
    QSettings(configPath(), QSettings::IniFormat).setValue("Setting/handWritten", "plain");

    const ToolRun list = runOnConfig({ "list" });
    QCOMPARE(list.exitCode, 0);
    QCOMPARE(list.out, QStringLiteral("volume=80\n"));
    QVERIFY2(list.err.contains("Setting/handWritten"), qPrintable(list.err));
}

void TestConfigTool::trustedOriginsDecideWhoDrivesTheProgram()
{
    QCOMPARE(runOnConfig({ "set-domain", "corvela.localhost:8765" }).exitCode, 0);
    QCOMPARE(runOnConfig({ "trust", "partner.example" }).exitCode, 0);
    const ToolRun trusted = runOnConfig({ "trust", "https://games.other.example:8443" });
    QCOMPARE(trusted.out,
        QStringLiteral("corvela.localhost:8765 (the portal's site)\npartner.example\n"
                       "https://games.other.example:8443\n"));
    const auto policy = [this] {
        return OriginPolicy(MVTConfig(configPath()).get(QStringLiteral("MainUrl")),
            PolicySettings(configPath()).trustedOrigins());
    };
    for (const char *url : { "http://www.corvela.localhost:9000/lobby", "https://corvela.localhost",
             "http://a.partner.example/x", "https://games.other.example:8443/" })
        QVERIFY2(policy().trusts(QUrl(QString::fromLatin1(url))), url);
    for (const char *url : { "http://evilcorvela.localhost:8765/", "http://localhost:8765/",
             "http://127.0.0.1:8765/", "ftp://partner.example/", "https://games.other.example/",
             "file:///etc/hostname", "data:text/html,x", "null" })
        QVERIFY2(!policy().trusts(QUrl(QString::fromLatin1(url))), url);

    QCOMPARE(runOnConfig({ "untrust", "partner.example" }).exitCode, 0);
    QVERIFY(!policy().trusts(QUrl(QStringLiteral("http://a.partner.example/"))));
    QCOMPARE(runOnConfig({ "untrust", "partner.example" }).exitCode, 1);
    QCOMPARE(runOnConfig({ "trust", "*" }).exitCode, 0);
    QVERIFY(policy().trusts(QUrl(QStringLiteral("http://anyone.example:81/"))));
    QVERIFY(!policy().trusts(QUrl(QStringLiteral("null"))));
}

void TestConfigTool::securitySwitches()
{
    const PolicySettings settings(configPath());
    QVERIFY(settings.webSecurity());
    QVERIFY(!settings.ignoreCertificateErrors());
    QVERIFY(!settings.updateHashRequired());
    QVERIFY(!settings.voiceChat());
    QCOMPARE(runOnConfig({ "web-security", "off" }).exitCode, 0);
    QCOMPARE(runOnConfig({ "certificate-errors", "ignore" }).exitCode, 0);
    QCOMPARE(runOnConfig({ "update-hash", "required" }).exitCode, 0);
    QCOMPARE(runOnConfig({ "voice-chat", "on" }).exitCode, 0);
    QVERIFY(!settings.webSecurity());
    QVERIFY(settings.ignoreCertificateErrors());
    QVERIFY(settings.updateHashRequired());
    QVERIFY(settings.voiceChat());
    QCOMPARE(runOnConfig({ "web-security", "maybe" }).exitCode, 1);
    QVERIFY(!settings.webSecurity());
}

void TestConfigTool::debugSwitch_data()
{
    QTest::addColumn<bool>("before");
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("openLog");

    QTest::newRow("on") << false << "on" << true;
    QTest::newRow("off") << true << "off" << false;
}

void TestConfigTool::debugSwitch()
{
    QFETCH(bool, before);
    QFETCH(QString, state);
    QFETCH(bool, openLog);

    QSettings(configPath(), QSettings::IniFormat).setValue("Browser/DebugEnable", before);
    const ToolRun run = runOnConfig({ "debug", state });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, "debug logging " + state + '\n');

    QCOMPARE(MVTConfig(configPath()).getOpenLog(), openLog);
    QCOMPARE(QSettings(configPath(), QSettings::IniFormat).value("Browser/DebugEnable").toBool(),
        openLog);
}

void TestConfigTool::engineChoiceReachesTheProgram()
{
    QCOMPARE(MVTConfig(configPath()).engineChoice(), QStringLiteral("auto"));
    for (const QString engine : { "chromium", "auto", "qtwebengine" }) {
        const ToolRun run = runOnConfig({ "engine", engine });
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, "engine " + engine + '\n');
        QCOMPARE(MVTConfig(configPath()).engineChoice(), engine);
    }
    // A hand-edited value the program does not know counts as none.
    QSettings(configPath(), QSettings::IniFormat).setValue("Browser/Engine", "firefox");
    QCOMPARE(MVTConfig(configPath()).engineChoice(), QStringLiteral("auto"));
}

// Installed beside the program, the tool works on the program's own file.
void TestConfigTool::defaultFileLiesBesideTool()
{
    const QString installed = m_temp->filePath("app/lumen_config");
    QVERIFY(QDir().mkpath(m_temp->filePath("app")));
    QVERIFY(QFile::copy(toolPath(), installed));

    QCOMPARE(runTool({ "set-domain", "corvela.example" }, installed).exitCode, 0);
    QCOMPARE(MVTConfig(m_temp->filePath("app/config.ini")).getMainUrl(),
        QStringLiteral("www.corvela.example/?v=1.0.2"));
}

void TestConfigTool::helpDescribesEveryCommand_data()
{
    QTest::addColumn<QString>("option");

    QTest::newRow("long") << "--help";
    QTest::newRow("short") << "-h";
}

void TestConfigTool::helpDescribesEveryCommand()
{
    QFETCH(QString, option);

    const ToolRun help = runTool({ option });
    QCOMPARE(help.exitCode, 0);
    QCOMPARE(help.err, QString());
    QVERIFY(help.out.startsWith("Usage: lumen_config [--file PATH] COMMAND"));
    for (const char *command :
        { "set-domain DOMAIN", "url", "debug on|off", "get KEY", "set KEY VALUE", "list" })
        QVERIFY2(help.out.contains(QStringLiteral("\n  ") + command + ' '), command);
}

void TestConfigTool::badInputFailsAndLeavesFile_data()
{
    QTest::addColumn<bool>("existing");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    // FILE stands for the configuration file of the test, DIR for its folder.
    const QString file = QStringLiteral("FILE");
    QTest::newRow("no arguments") << true << QStringList() << 2 << "no command given";
    QTest::newRow("unknown command") << true << QStringList { "--file", file, "frobnicate" } << 2
                                     << "unknown command: frobnicate";
    QTest::newRow("unknown option")
        << true << QStringList { "--frob", "list" } << 2 << "Unknown option 'frob'";
    QTest::newRow("file option without path")
        << true << QStringList { "list", "--file" } << 2 << "wrong arguments";
    QTest::newRow("lone file option")
        << true << QStringList { "--file" } << 2 << "Missing value after '--file'";
    QTest::newRow("get without key") << true << QStringList { "--file", file, "get" } << 2
                                     << "wrong arguments: lumen_config [--file PATH] get KEY";
    QTest::newRow("set with one argument")
        << true << QStringList { "--file", file, "set", "a" } << 2 << "set KEY VALUE";
    QTest::newRow("set with three arguments")
        << true << QStringList { "--file", file, "set", "a", "b", "c" } << 2 << "set KEY VALUE";
    QTest::newRow("debug without state")
        << true << QStringList { "--file", file, "debug" } << 2 << "debug on|off";
    QTest::newRow("url before set-domain")
        << true << QStringList { "--file", file, "url" } << 1 << "The program is not set up";
    QTest::newRow("url with argument")
        << true << QStringList { "--file", file, "url", "x" } << 2 << "wrong arguments";
    QTest::newRow("debug state") << true << QStringList { "--file", file, "debug", "maybe" } << 1
                                 << "expected on or off, not maybe";
    QTest::newRow("empty domain") << true << QStringList { "--file", file, "set-domain", "" } << 1
                                  << "the domain is empty";
    QTest::newRow("domain with scheme")
        << true << QStringList { "--file", file, "set-domain", "http://corvela.example" } << 1
        << "not a domain: http://corvela.example";
    QTest::newRow("domain with path")
        << true << QStringList { "--file", file, "set-domain", "corvela.example/lobby" } << 1
        << "not a domain";
    QTest::newRow("domain with www")
        << true << QStringList { "--file", file, "set-domain", "www.corvela.example" } << 1
        << "without \"www.\"";
    QTest::newRow("set main URL") << true
                                  << QStringList { "--file", file, "set", "MainUrl",
                                         "evil.example" }
                                  << 1 << "use set-domain";
    QTest::newRow("set version") << true
                                 << QStringList { "--file", file, "set", "AppVersion", "9.9.9" }
                                 << 1 << "AppVersion is built into the program";
    QTest::newRow("unknown engine")
        << true << QStringList { "--file", file, "engine", "webkit" } << 1
        << "engine: expected qtwebengine, chromium, auto, not webkit";
    QTest::newRow("set empty key")
        << true << QStringList { "--file", file, "set", "", "v" } << 1 << "the key is empty";
    QTest::newRow("get missing key")
        << true << QStringList { "--file", file, "get", "nothing" } << 1 << "no setting nothing in";
    QTest::newRow("list missing file")
        << false << QStringList { "--file", file, "list" } << 1 << "no such file";
    QTest::newRow("get missing file")
        << false << QStringList { "--file", file, "get", "a" } << 1 << "no such file";
    QTest::newRow("url missing file")
        << false << QStringList { "--file", file, "url" } << 1 << "no such file";
    QTest::newRow("list a folder")
        << true << QStringList { "--file", "DIR", "list" } << 1 << "cannot read";
    QTest::newRow("write a folder")
        << true << QStringList { "--file", "DIR", "debug", "on" } << 1 << "cannot read";
    QTest::newRow("write into missing folder")
        << false << QStringList { "--file", "DIR/missing/config.ini", "set-domain", "a.example" }
        << 1 << "cannot create";
    QTest::newRow("not a settings file")
        << false << QStringList { "--file", "DIR/broken.ini", "set", "a", "b" } << 1
        << "not a settings file";
}

void TestConfigTool::badInputFailsAndLeavesFile()
{
    QFETCH(bool, existing);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    if (existing) {
        MVTConfig program(configPath());
        program.set("kept", "yes");
        program.setIsCache(false);
    }
    QFile broken(m_temp->filePath("broken.ini"));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("[Setting\nkept\n");
    broken.close();
    const QByteArray before = fileBytes(configPath());
    for (QString &argument : arguments)
        argument.replace("FILE", configPath()).replace("DIR", m_temp->path());

    const ToolRun run = runTool(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(
        run.err.startsWith("lumen_config: ") && run.err.contains(message), qPrintable(run.err));
    QCOMPARE(run.out, QString());
    QCOMPARE(QFile::exists(configPath()), existing);
    QCOMPARE(fileBytes(configPath()), before);
    QCOMPARE(fileBytes(broken.fileName()), QByteArray("[Setting\nkept\n"));
    QCOMPARE(QDir(m_temp->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(),
        existing ? 2 : 1);
}

QTEST_GUILESS_MAIN(TestConfigTool)

#include "tst_configtool.moc"
