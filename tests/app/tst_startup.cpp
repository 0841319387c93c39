#include "app/textcipher.h"
#include "programcopy.h"
#include "testengine.h"
#include "testfiles.h"
#include "testhttpserver.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// Runs the real program from a copy in a temporary application directory, with
// the user's configuration folder redirected into the same temporary tree.
class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void logsStartupStepsInOrder();
    void purgesEngineCacheWhenFlagged_data();
    void purgesEngineCacheWhenFlagged();
    void recordsCompatibleModeWhenOpenGLIsMissing();
    void compatibleModeIsAnnouncedOnNextStart();
    void endsQuietlyWhenDataFolderCannotBeCreated();
    void showsSplashThenCentredLoginPage();
    void answersVersionAndHelpWithoutWindow_data();
    void answersVersionAndHelpWithoutWindow();
    void keepsUserStateApartFromReadOnlyProgram();
    void startsWhenHomeTakesNoWrites();
    void sigtermKeepsWhatThePageStored();
    void secondStartHandsOverToTheFirst();
    void secondStartEndsBesideALiveRunThatDoesNotAnswer();
    void startAfterARunThatDiedTakesItsLock();
    void startWithoutPortalAddressSaysSo();

private:
    QString appDir() const { return m_temp->filePath("app"); }
    QString configHome() const { return m_temp->filePath("config"); }
    QString dataRoot() const { return m_dataRoot; }
    QString dailyLogPath() const;
    static QString httpCacheUnder(const QString &cachePath);
    void makeProgramFolderReadOnly();
    void setEnvironment(const QString &name, const QString &value);
    void writeConfig(const QString &key, const QVariant &value);
    void writeMainDomain(const QString &domain);
    static QRgb screenPixel(int x, int y);
    void startLumen();
    bool waitForLogLine(const QString &text) const;
    static QString readText(const QString &path);

    QString m_dataRoot;
    QScopedPointer<QTemporaryDir> m_temp;
    QScopedPointer<QProcess> m_lumen;
};

void TestStartup::init()
{
    m_temp.reset(new QTemporaryDir);
    QVERIFY(m_temp->isValid());
    m_dataRoot = configHome() + "/lumen/playcrate";
    QVERIFY(QDir().mkpath(appDir()));
    QVERIFY(QDir().mkpath(configHome()));
    // The program and the engine's sub-process program, as a user installs them.
    for (const QString name : { "lumen", "lumen_render" }) {
        const QString built = qEnvironmentVariable("LUMEN_BIN_DIR") + "/" + name;
        QVERIFY2(QFile::copy(built, appDir() + "/" + name), qPrintable(built));
    }

    m_lumen.reset(new QProcess);
    m_lumen->setProgram(appDir() + "/lumen");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", m_temp->path());
    environment.insert("XDG_CONFIG_HOME", configHome());
    m_lumen->setProcessEnvironment(environment);
    writeConfig("Browser/Engine", TestEngine::configName());
}

void TestStartup::cleanup()
{
    // Ended as a player ends it: the browser it started goes before the folders do.
    stopProcess(*m_lumen);
    m_lumen.reset();
    m_temp.reset();
}

QString TestStartup::dailyLogPath() const
{
    return dataRoot() + "/log/PlaycrateApp_" + QDate::currentDate().toString("yyyyMMdd") + ".log";
}

QString TestStartup::httpCacheUnder(const QString &cachePath)
{
    return cachePath
        + (TestEngine::isSystemChromium() ? QStringLiteral("/chromium/Default/Cache")
                                          : QStringLiteral("/Cache"));
}

// Root writes through any permission bits, so the program's write probe is made to fail for
// real: a folder stands where it would create its file.
void TestStartup::makeProgramFolderReadOnly()
{
    QVERIFY(QDir().mkpath(appDir() + "/.lumen-write-test"));
}

void TestStartup::setEnvironment(const QString &name, const QString &value)
{
    QProcessEnvironment environment = m_lumen->processEnvironment();
    environment.insert(name, value);
    m_lumen->setProcessEnvironment(environment);
}

void TestStartup::writeConfig(const QString &key, const QVariant &value)
{
    QSettings config(appDir() + "/config.ini", QSettings::IniFormat);
    config.setValue(key, value);
}

// The portal's domain as an installer stores it: name and value encrypted.
void TestStartup::writeMainDomain(const QString &domain)
{
    const QString passphrase = QStringLiteral("6274093MOSS381906LAKE927415");
    writeConfig("Setting/" + TextCipher::encrypt("MainUrl", passphrase),
        TextCipher::encrypt(domain, passphrase));
}

QRgb TestStartup::screenPixel(int x, int y)
{
    return QGuiApplication::primaryScreen()->grabWindow(0, x, y, 1, 1).toImage().pixel(0, 0);
}

void TestStartup::startLumen()
{
    m_lumen->start();
    QVERIFY(m_lumen->waitForStarted());
}

QString TestStartup::readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// Info lines reach the file with the periodic flush, at most a few seconds late.
bool TestStartup::waitForLogLine(const QString &text) const
{
    return QTest::qWaitFor([&] { return readText(dailyLogPath()).contains(text); }, 30000);
}

void TestStartup::logsStartupStepsInOrder()
{
    writeConfig("Browser/DebugEnable", true);
    startLumen();
    QVERIFY(waitForLogLine(QStringLiteral("启动：qml对象启动成功")));
    const QString log = readText(dailyLogPath());

    const QStringList expected = {
        QStringLiteral("APP启动,version:1.0.2 id:"),
        QStringLiteral("启动：初始化qml对象"),
        QStringLiteral("启动：加载qml"),
        QStringLiteral("启动：初始化cef"),
        QStringLiteral("启动：初始化cefview"),
        QStringLiteral("启动：打开默认网页"),
        QStringLiteral("启动：打开默认网页成功"),
        QStringLiteral("启动：启动完成"),
        QStringLiteral("启动：qml对象启动成功"),
    };
    int from = 0;
    for (const QString &text : expected) {
        const int at = log.indexOf(text, from);
        QVERIFY2(at >= 0, qPrintable(QStringLiteral("missing or out of order: ") + text));
        from = at + text.size();
    }
    const QRegularExpression versionLine(QStringLiteral(
        "\\[info\\] :  \\[Other_Type\\] APP启动,version:1\\.0\\.2 id:[0-9a-f]{40}\r\n"));
    QVERIFY2(versionLine.match(log).hasMatch(), qPrintable(log));
    QCOMPARE(m_lumen->state(), QProcess::Running);
}

void TestStartup::purgesEngineCacheWhenFlagged_data()
{
    QTest::addColumn<bool>("cacheExists");
    QTest::newRow("engine cache present") << true;
    QTest::newRow("engine cache missing") << false;
}

void TestStartup::purgesEngineCacheWhenFlagged()
{
    QFETCH(bool, cacheExists);
    writeConfig("Browser/DebugEnable", true);
    writeConfig("Browser/IsCache", true);
    const QString cache = httpCacheUnder(appDir() + "/cache");
    if (cacheExists) {
        QVERIFY(QDir().mkpath(cache + "/stale-entries"));
        QFile entry(cache + "/stale-entries/entry");
        QVERIFY(entry.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir().mkpath(appDir() + "/cache/Local Storage"));

    startLumen();
    QVERIFY(waitForLogLine(QStringLiteral("启动：启动完成")));

    // The engine may open a fresh, empty cache folder once it runs.
    QVERIFY(!QFileInfo::exists(cache + "/stale-entries"));
    QVERIFY(QFileInfo::exists(appDir() + "/cache/Local Storage"));
    QSettings config(appDir() + "/config.ini", QSettings::IniFormat);
    QCOMPARE(config.value("Browser/IsCache").toBool(), false);
}

// The X platform with its OpenGL integrations switched off is a machine
// without usable OpenGL: no context can be created.
void TestStartup::recordsCompatibleModeWhenOpenGLIsMissing()
{
    writeConfig("Browser/DebugEnable", true);
    setEnvironment("QT_XCB_GL_INTEGRATION", "none");
    startLumen();
    QVERIFY(m_lumen->waitForFinished(30000));

    QCOMPARE(m_lumen->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_lumen->exitCode(), 0);
    const QString log = readText(dailyLogPath());
    QVERIFY2(log.contains(
                 QStringLiteral("[error] :  [Other_Type] 启动：检测到opengl失败，切换软件模拟")),
        qPrintable(log));
    QVERIFY(!log.contains(QStringLiteral("启动：加载qml")));
    QSettings startup(configHome() + "/lumen.conf", QSettings::IniFormat);
    QCOMPARE(startup.value("Compatible").toBool(), true);
}

void TestStartup::compatibleModeIsAnnouncedOnNextStart()
{
    {
        QSettings startup(configHome() + "/lumen.conf", QSettings::IniFormat);
        startup.setValue("Compatible", true);
    }
    writeConfig("Browser/DebugEnable", true);
    startLumen();
    QVERIFY(waitForLogLine(QStringLiteral("启动：启动完成")));
    const QString debugOutput = QString::fromUtf8(m_lumen->readAllStandardError());
    QVERIFY2(debugOutput.contains(QStringLiteral("兼容模式启动")), qPrintable(debugOutput));
}

void TestStartup::endsQuietlyWhenDataFolderCannotBeCreated()
{
    // A file where the data root should be: no folder can be made there.
    QVERIFY(QDir().mkpath(configHome() + "/lumen"));
    QFile blocker(dataRoot());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY(QDir().mkpath(appDir() + "/logs"));
    writeConfig("Browser/DebugEnable", true);

    startLumen();
    QVERIFY(m_lumen->waitForFinished(30000));

    QCOMPARE(m_lumen->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_lumen->exitCode(), 0);
    const QString fallback = readText(appDir() + "/logs/useless_identify.txt");
    QVERIFY2(fallback.contains(
                 QStringLiteral("[error] :  [Other_Type] Fatal:create dir error main path")),
        qPrintable(fallback));
}

// The first window opens hidden at the main address, 300 x 500 and centred
// on the 1920 x 1080 test screen; the splash stands in until the page loads.
void TestStartup::showsSplashThenCentredLoginPage()
{
    const QRgb pageColour = qRgb(10, 120, 200);
    TestHttpServer portal;
    QVERIFY(portal.listen());
    portal.setPage("/", "<!doctype html><body style='margin:0;background:rgb(10,120,200)'></body>");
    const QString port = QString::number(QUrl(portal.url("/")).port());
    writeMainDomain("lumen.localhost:" + port);

    startLumen();
    QTRY_VERIFY_WITH_TIMEOUT(portal.requestCount("/") > 0, 30000);
    QVERIFY(screenPixel(960, 540) != pageColour);

    QTRY_COMPARE_WITH_TIMEOUT(screenPixel(960, 540), pageColour, 30000);
    QCOMPARE(screenPixel(810, 290), pageColour);
    QCOMPARE(screenPixel(1109, 789), pageColour);
    QVERIFY(screenPixel(809, 540) != pageColour);
    QVERIFY(screenPixel(1110, 540) != pageColour);
    QVERIFY(screenPixel(960, 289) != pageColour);
    QVERIFY(screenPixel(960, 790) != pageColour);
}

void TestStartup::answersVersionAndHelpWithoutWindow_data()
{
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("answer");
    const QString systemChromium
        = "lumen 1\\.0\\.2\nChromium \\d+\\.[\\d.]+ \\(the system's, /usr/bin/chromium\\)\n";
    QTest::newRow("version of the built-in engine")
        << "qtwebengine" << "--version"
        << "lumen 1\\.0\\.2\nChromium \\d+\\.[\\d.]+ \\(Qt WebEngine 6\\.";
    QTest::newRow("version of the system's Chromium")
        << "chromium" << "--version" << systemChromium;
    QTest::newRow("version of the default engine: the system's Chromium installed")
        << "" << "--version" << systemChromium;
    QTest::newRow("help among engine switches") << "auto" << "--disable-gpu --help"
                                                << "Usage: lumen \\[OPTION\\]\\.\\.\\.\n";
}

// Without a display the application object could not even be made. --version names the engine
// config.ini chooses.
void TestStartup::answersVersionAndHelpWithoutWindow()
{
    QFETCH(QString, engine);
    QFETCH(QString, option);
    QFETCH(QString, answer);
    QSettings config(appDir() + "/config.ini", QSettings::IniFormat);
    if (engine.isEmpty())
        config.remove("Browser/Engine");
    else
        config.setValue("Browser/Engine", engine);
    config.sync();
    QProcessEnvironment environment = m_lumen->processEnvironment();
    environment.remove("DISPLAY");
    m_lumen->setProcessEnvironment(environment);
    m_lumen->setArguments(option.split(' '));
    startLumen();
    QVERIFY(m_lumen->waitForFinished(20000));
    QCOMPARE(m_lumen->exitCode(), 0);
    const QString output = QString::fromUtf8(m_lumen->readAllStandardOutput());
    QVERIFY2(QRegularExpression('^' + answer).match(output).hasMatch(), qPrintable(output));
    QVERIFY(!QFileInfo::exists(configHome() + "/lumen"));
}

// The administrator's config.ini gives the defaults; the user's overrides it and takes the
// writes; the engine's storage and cache live in the user's folders, and so does the purge.
void TestStartup::keepsUserStateApartFromReadOnlyProgram()
{
    makeProgramFolderReadOnly();
    writeConfig("Browser/DebugEnable", true);
    const QByteArray adminConfig = fileBytes(appDir() + "/config.ini");
    const QString userConfig = configHome() + "/lumen/config.ini";
    QVERIFY(writeFile(userConfig, "[Browser]\nIsCache=true\n"));
    const QString staleEntry
        = httpCacheUnder(m_temp->filePath(".cache/lumen/engine")) + "/stale/entry";
    QVERIFY(writeFile(staleEntry, "stale"));

    startLumen();
    QVERIFY(waitForLogLine(QStringLiteral("启动：启动完成")));

    QVERIFY(!QFileInfo::exists(staleEntry));
    QCOMPARE(QSettings(userConfig, QSettings::IniFormat).value("Browser/IsCache"), "false");
    QVERIFY(QFileInfo(m_temp->filePath(".local/share/lumen/engine")).isDir());
    QCOMPARE(fileBytes(appDir() + "/config.ini"), adminConfig);
    QVERIFY(!QFileInfo::exists(appDir() + "/cache"));
}

void TestStartup::startsWhenHomeTakesNoWrites()
{
    makeProgramFolderReadOnly();
    writeConfig("Browser/DebugEnable", true);
    // Files where the folders should be: no folder can be made below them, not even by root.
    const QString blocked = m_temp->filePath("blocked");
    QVERIFY(writeFile(blocked, "not a folder"));
    for (const QString name : { "HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
        setEnvironment(name, blocked);
    const QString runtime = m_temp->filePath("runtime");
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    setEnvironment("XDG_RUNTIME_DIR", runtime);
    m_dataRoot = runtime + "/lumen/playcrate";

    startLumen();
    QVERIFY(waitForLogLine(QStringLiteral("启动：启动完成")));
    QCOMPARE(m_lumen->state(), QProcess::Running);
    const QString debugOutput = QString::fromUtf8(m_lumen->readAllStandardError());
    QVERIFY2(debugOutput.contains("The home folder takes no writes (" + blocked + "/lumen)"),
        qPrintable(debugOutput));
}

// A desktop session logging out sends SIGTERM: the run ends as a quit does, and the page's local
// storage and cookie are there for the next run.
void TestStartup::sigtermKeepsWhatThePageStored()
{
    TestHttpServer portal;
    QVERIFY(portal.listen());
    portal.setPage("/",
        "<!doctype html><script>"
        "var stored = localStorage.getItem('k');"
        "if (stored) fetch('/seen/' + stored);"
        "localStorage.setItem('k', 'kept');"
        "document.cookie = 'c=kept; max-age=86400; path=/';"
        "fetch('/written');</script>");
    writeMainDomain("lumen.localhost:" + QString::number(QUrl(portal.url("/")).port()));
    writeConfig("Browser/DebugEnable", true);

    startLumen();
    QTRY_VERIFY_WITH_TIMEOUT(portal.requestCount("/written") == 1, 30000);
    m_lumen->terminate();
    QVERIFY(m_lumen->waitForFinished(30000));
    QCOMPARE(m_lumen->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_lumen->exitCode(), 0);
    QVERIFY(readText(dailyLogPath()).contains("Quitting on the system's request: SIGTERM"));

    startLumen();
    QTRY_VERIFY_WITH_TIMEOUT(portal.requestCount("/seen/kept") == 1, 30000);
    QCOMPARE(portal.lastRequestHeaders("/").value("cookie"), QByteArray("c=kept"));
}

// The second start would share the engine's storage: it hands over and ends before the engine.
void TestStartup::secondStartHandsOverToTheFirst()
{
    writeConfig("Browser/DebugEnable", true);
    startLumen();
    QVERIFY(waitForLogLine(QStringLiteral("启动：启动完成")));

    QProcess second;
    second.setProgram(m_lumen->program());
    second.setProcessEnvironment(m_lumen->processEnvironment());
    second.start();
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(waitForLogLine(QStringLiteral("Started again from this folder: showing the windows")));
    const QString log = readText(dailyLogPath());
    QVERIFY(
        log.contains(QStringLiteral("Already running from this folder: handed over to that run")));
    QCOMPARE(log.count(QStringLiteral("启动：初始化cef\r\n")), 1);
    QCOMPARE(m_lumen->state(), QProcess::Running);
}

// A cleaned temporary folder takes the first run's socket: the second start cannot reach it,
// yet the first is alive and keeps the engine's storage. The second says so and ends.
void TestStartup::secondStartEndsBesideALiveRunThatDoesNotAnswer()
{
    const QString sockets = m_temp->filePath("tmp");
    QVERIFY(QDir().mkpath(sockets));
    setEnvironment("TMPDIR", sockets);
    writeConfig("Browser/DebugEnable", true);
    startLumen();
    QVERIFY(waitForLogLine(QStringLiteral("启动：启动完成")));
    const QStringList socketFiles = QDir(sockets).entryList({ "lumen-*" }, QDir::System);
    QCOMPARE(socketFiles.size(), 1);
    QVERIFY(QFile::remove(sockets + "/" + socketFiles.first()));

    QProcess second;
    second.setProgram(m_lumen->program());
    second.setProcessEnvironment(m_lumen->processEnvironment());
    second.start();
    QVERIFY(second.waitForFinished(30000));
    const QString said = QStringLiteral("Already running from this folder as process %1 on ")
                             .arg(m_lumen->processId());
    QVERIFY(QString::fromUtf8(second.readAllStandardError()).contains(said));
    QVERIFY(readText(dailyLogPath()).contains(said));
    QCOMPARE(readText(dailyLogPath()).count(QStringLiteral("启动：初始化cef\r\n")), 1);
    QCOMPARE(m_lumen->state(), QProcess::Running);
}

// A run that died leaves its lock and socket behind: the next start takes both over.
void TestStartup::startAfterARunThatDiedTakesItsLock()
{
    writeConfig("Browser/DebugEnable", true);
    startLumen();
    QVERIFY(waitForLogLine(QStringLiteral("启动：启动完成")));
    m_lumen->kill();
    QVERIFY(m_lumen->waitForFinished());

    startLumen();
    QVERIFY(QTest::qWaitFor(
        [&] { return readText(dailyLogPath()).count(QStringLiteral("启动：启动完成")) == 2; },
        60000));
    QVERIFY(!readText(dailyLogPath()).contains(QStringLiteral("Already running")));
}

// No portal address: the window says the program is not set up instead of blaming the network.
void TestStartup::startWithoutPortalAddressSaysSo()
{
    writeConfig("Browser/DebugEnable", true);
    startLumen();
    QVERIFY(waitForLogLine(QStringLiteral("The program is not set up")));
    const QRgb errorPageBackground = qRgb(0xf4, 0xf4, 0xf4);
    QTRY_COMPARE_WITH_TIMEOUT(screenPixel(815, 785), errorPageBackground, 30000);
    QVERIFY(!readText(dailyLogPath()).contains(QStringLiteral("error page code")));
    QCOMPARE(m_lumen->state(), QProcess::Running);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
