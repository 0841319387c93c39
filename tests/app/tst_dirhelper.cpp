#include "app/dirhelper.h"
#include "app/mvtconfig.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <unistd.h>

namespace {

// Set in a child copy of this program: it only builds the folder layout, as a
// start of the program would, and prints the data root.
const char kChildVariable[] = "TST_DIRHELPER_CHILD";

const QStringList kCreatedFolders = {
    QStringLiteral(""),
    QStringLiteral("log"),
    QStringLiteral("log/media"),
    QStringLiteral("log/trtc"),
    QStringLiteral("log/agora"),
    QStringLiteral("config"),
    QStringLiteral("record"),
    QStringLiteral("dump"),
    QStringLiteral("db"),
    QStringLiteral("download"),
    QStringLiteral("cefCache"),
};

void setIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("lumen"));
    QCoreApplication::setApplicationName(QStringLiteral("playcrate"));
}

int childMain(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    setIdentity();
    // As at start-up: the settings store, which holds the log's switch, comes first.
    MVTConfig::instance();
    QTextStream(stdout) << DirHelper::instance()->getAppData();
    return 0;
}

// Read from disk: settings objects of one process share what they parsed.
QString storedMainPath(const QString &settingsFile)
{
    static const QRegularExpression entry(
        QStringLiteral("^MVT_APP_DATA=(.*)$"), QRegularExpression::MultilineOption);
    return entry.match(QString::fromUtf8(fileBytes(settingsFile))).captured(1);
}

QString appDir()
{
    return QCoreApplication::applicationDirPath();
}

QString fallbackLogFile()
{
    return appDir() + QStringLiteral("/logs/useless_identify.txt");
}

} // namespace

class TestDirHelper : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstStartCreatesDefaultLayout_data();
    void firstStartCreatesDefaultLayout();
    void startKeepsStoredMainPath();
    void folderFailureEndsProcess_data();
    void folderFailureEndsProcess();
    void changeDirPath_data();
    void changeDirPath();
    void ideographsAreRefused_data();
    void ideographsAreRefused();
    void resetMainPathStoresDefault();
    void pathsFollowMainPath_data();
    void pathsFollowMainPath();

private:
    // The child's user folders, inside this test's temporary folder.
    QString childConfigHome() const { return m_temp->filePath(QStringLiteral("config")); }
    QString childSettingsFile() const
    {
        return childConfigHome() + QStringLiteral("/lumen/playcrate.conf");
    }
    void runChild(QProcess &child) const;
    static QString ownSettingsFile();
    static QString ownDefaultMainPath();
    static void verifyLayout(const QString &root);

    QScopedPointer<QTemporaryDir> m_temp;
};

void TestDirHelper::initTestCase()
{
    QVERIFY(DirHelper::instance());
    QCOMPARE(DirHelper::instance()->getAppData(), ownDefaultMainPath());
}

void TestDirHelper::init()
{
    m_temp.reset(new QTemporaryDir);
    QVERIFY(m_temp->isValid());
    QDir(appDir() + QStringLiteral("/logs")).removeRecursively();
    QVERIFY(QDir().mkpath(appDir() + QStringLiteral("/logs")));
    QVERIFY(writeFile(appDir() + QStringLiteral("/config.ini"), "[Browser]\nDebugEnable=true\n"));
}

void TestDirHelper::cleanup()
{
    QDir(appDir() + QStringLiteral("/logs")).removeRecursively();
    QFile::remove(appDir() + QStringLiteral("/config.ini"));
    m_temp.reset();
}

void TestDirHelper::runChild(QProcess &child) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
    environment.insert(QStringLiteral("HOME"), m_temp->path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), childConfigHome());
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
}

QString TestDirHelper::ownSettingsFile()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/lumen/playcrate.conf");
}

QString TestDirHelper::ownDefaultMainPath()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/lumen/playcrate");
}

void TestDirHelper::verifyLayout(const QString &root)
{
    for (const QString &folder : kCreatedFolders)
        QVERIFY2(QFileInfo(root + QLatin1Char('/') + folder).isDir(), qPrintable(folder));
    QVERIFY(!QFileInfo::exists(root + QStringLiteral("/update")));
}

void TestDirHelper::firstStartCreatesDefaultLayout_data()
{
    QTest::addColumn<QByteArray>("settings");

    QTest::newRow("no value") << QByteArray();
    QTest::newRow("none") << QByteArray("[General]\nMVT_APP_DATA=none\n");
}

void TestDirHelper::firstStartCreatesDefaultLayout()
{
    QFETCH(QByteArray, settings);
    if (!settings.isEmpty())
        QVERIFY(writeFile(childSettingsFile(), settings));

    QProcess child;
    runChild(child);

    const QString defaultPath = childConfigHome() + QStringLiteral("/lumen/playcrate");
    QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()), defaultPath);
    QCOMPARE(storedMainPath(childSettingsFile()), defaultPath);
    verifyLayout(defaultPath);
}

void TestDirHelper::startKeepsStoredMainPath()
{
    const QString chosen = m_temp->filePath(QStringLiteral("games/chosen/marvolt"));
    QVERIFY(writeFile(childSettingsFile(), "[General]\nMVT_APP_DATA=" + chosen.toUtf8() + '\n'));

    QProcess child;
    runChild(child);

    QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()), chosen);
    QCOMPARE(storedMainPath(childSettingsFile()), chosen);
    verifyLayout(chosen);
    QVERIFY(!QFileInfo::exists(childConfigHome() + QStringLiteral("/lumen/playcrate")));
}

void TestDirHelper::folderFailureEndsProcess_data()
{
    QTest::addColumn<QString>("mainPath");
    QTest::addColumn<QString>("blockingFile");
    QTest::addColumn<bool>("readOnlyParent");
    QTest::addColumn<QString>("label");

    QTest::newRow("main path is a file") << "data"
                                         << "data" << false << "main path";
    QTest::newRow("file in the way of main path") << "blocker/data"
                                                  << "blocker" << false << "main path";
    QTest::newRow("read-only parent") << "locked/data" << QString() << true << "main path";
    QTest::newRow("file named log") << "data"
                                    << "data/log" << false << "log path";
    QTest::newRow("file named media") << "data"
                                      << "data/log/media" << false << "log media path";
    QTest::newRow("file named agora") << "data"
                                      << "data/log/agora" << false << "log media path";
    QTest::newRow("file named config") << "data"
                                       << "data/config" << false << "config path";
    QTest::newRow("file named cefCache") << "data"
                                         << "data/cefCache" << false << "cefCache path";
}

void TestDirHelper::folderFailureEndsProcess()
{
    QFETCH(QString, mainPath);
    QFETCH(QString, blockingFile);
    QFETCH(bool, readOnlyParent);
    QFETCH(QString, label);

    if (!blockingFile.isEmpty())
        QVERIFY(writeFile(m_temp->filePath(blockingFile), "not a folder"));
    if (readOnlyParent) {
        if (geteuid() == 0)
            QSKIP("Permission bits do not stop root");
        const QString parent = m_temp->filePath(QStringLiteral("locked"));
        QVERIFY(QDir().mkpath(parent));
        QVERIFY(QFile::setPermissions(parent, QFile::ReadOwner | QFile::ExeOwner));
    }
    const QString root = m_temp->filePath(mainPath);
    QVERIFY(writeFile(childSettingsFile(), "[General]\nMVT_APP_DATA=" + root.toUtf8() + '\n'));

    QProcess child;
    runChild(child);

    QCOMPARE(child.readAllStandardOutput(), QByteArray());
    const QString log = QString::fromUtf8(fileBytes(fallbackLogFile()));
    const QRegularExpression line(
        QStringLiteral("^\\[[^]]+\\]\\[thread \\d+\\]\\[error\\] :  \\[Other_Type\\] ")
        + QRegularExpression::escape(QStringLiteral("Fatal:create dir error ") + label)
        + QStringLiteral("\r\n$"));
    QVERIFY2(line.match(log).hasMatch(), qPrintable(log));
}

void TestDirHelper::changeDirPath_data()
{
    QTest::addColumn<QString>("prefix");

    QTest::newRow("plain folder") << QString();
    QTest::newRow("file URL") << "file://";
    QTest::newRow("file URL scheme before a path") << "file:///";
}

void TestDirHelper::changeDirPath()
{
    QFETCH(QString, prefix);
    const QString folder = m_temp->filePath(QStringLiteral("target"));
    const QString root = folder + QStringLiteral("/marvolt");
    DirHelper *helper = DirHelper::instance();

    QVERIFY(helper->changeDirPath(prefix + folder));
    QCOMPARE(helper->getAppData(), root);
    QCOMPARE(storedMainPath(ownSettingsFile()), root);
    verifyLayout(root);

    // The same place again is not written again.
    QVERIFY(QFile::remove(ownSettingsFile()));
    QVERIFY(helper->changeDirPath(prefix + folder));
    QVERIFY(!QFileInfo::exists(ownSettingsFile()));
    QCOMPARE(helper->getAppData(), root);
}

void TestDirHelper::ideographsAreRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("chinese folder") << QStringLiteral("游戏数据") << false;
    QTest::newRow("ideograph inside") << QStringLiteral("games中files") << false;
    QTest::newRow("first ideograph") << QString(QChar(0x4e00)) << false;
    QTest::newRow("last ideograph") << QString(QChar(0x9fa5)) << false;
    QTest::newRow("just below the range") << QString(QChar(0x4dff)) << true;
    QTest::newRow("just above the range") << QString(QChar(0x9fa6)) << true;
    QTest::newRow("ascii N a 5 0") << "Na50" << true;
    QTest::newRow("ascii letters and digits") << "Games2024x9fa5" << true;
    QTest::newRow("latin accents") << QStringLiteral("données") << true;
}

void TestDirHelper::ideographsAreRefused()
{
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    DirHelper *helper = DirHelper::instance();
    QVERIFY(helper->changeDirPath(m_temp->path()));
    const QString before = helper->getAppData();
    const QByteArray storedBefore = fileBytes(ownSettingsFile());
    const QString folder = m_temp->filePath(name);

    QCOMPARE(helper->changeDirPath(folder), accepted);

    if (accepted) {
        QCOMPARE(helper->getAppData(), folder + QStringLiteral("/marvolt"));
        verifyLayout(folder + QStringLiteral("/marvolt"));
    } else {
        QCOMPARE(helper->getAppData(), before);
        QCOMPARE(fileBytes(ownSettingsFile()), storedBefore);
        QVERIFY(!QFileInfo::exists(folder));
    }
}

void TestDirHelper::resetMainPathStoresDefault()
{
    DirHelper *helper = DirHelper::instance();
    QVERIFY(helper->changeDirPath(m_temp->path()));
    QVERIFY(QDir(ownDefaultMainPath() + QStringLiteral("/db")).removeRecursively());

    helper->resetMainPath();

    QCOMPARE(helper->getAppData(), ownDefaultMainPath());
    QCOMPARE(storedMainPath(ownSettingsFile()), ownDefaultMainPath());
    verifyLayout(ownDefaultMainPath());
}

void TestDirHelper::pathsFollowMainPath_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<bool>("fromMainPath");
    QTest::addColumn<QString>("suffix");

    const QList<QPair<const char *, const char *>> mainPaths = {
        { "configPath", "/config" },
        { "logPath", "/log" },
        { "logPathWithMedia", "/log/media" },
        { "logPathWithTRtc", "/log/trtc" },
        { "logPathWithAgora", "/log/agora" },
        { "dumpPath", "/dump" },
        { "recordPath", "/record" },
        { "dbPath", "/db" },
        { "downloadPath", "/download" },
        { "updatePath", "/update" },
        { "cefCachePath", "/cefCache" },
        { "getAppData", "" },
        { "getCurrentDirPath", "" },
    };
    for (const auto &path : mainPaths)
        QTest::newRow(path.first) << QByteArray(path.first) << true << path.second;
    QTest::newRow("getAppPath") << QByteArray("getAppPath") << false << QString();
    QTest::newRow("macResourcesPath") << QByteArray("macResourcesPath") << false << QString();
}

// Called by name, as the scene calls them.
void TestDirHelper::pathsFollowMainPath()
{
    QFETCH(QByteArray, method);
    QFETCH(bool, fromMainPath);
    QFETCH(QString, suffix);
    DirHelper *helper = DirHelper::instance();
    QVERIFY(helper->changeDirPath(m_temp->path()));
    const QString base = fromMainPath ? m_temp->path() + QStringLiteral("/marvolt") : appDir();

    QString path;
    QVERIFY(QMetaObject::invokeMethod(helper, method.constData(), Q_RETURN_ARG(QString, path)));
    QCOMPARE(path, base + suffix);
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet(kChildVariable))
        return childMain(argc, argv);

    // This process's own data root, made on first use of the helper.
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    QCoreApplication app(argc, argv);
    setIdentity();
    TestDirHelper test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dirhelper.moc"
