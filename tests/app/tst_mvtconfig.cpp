#include "app/mvtconfig.h"
#include "app/textcipher.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kPassphrase = QStringLiteral("6274093MOSS381906LAKE927415");

// Qt shares the parsed file between settings objects of one process, so what
// the store wrote is checked in the bytes on disk.
// Canonical Base64 of whole cipher blocks.
bool isCipherText(const QString &text)
{
    const QByteArray raw = QByteArray::fromBase64(text.toLatin1());
    return !raw.isEmpty() && raw.size() % 16 == 0 && raw.toBase64() == text.toLatin1();
}

// An encrypted key name as the settings store hands it back: it reads "/" as a
// group separator and so drops a leading one and folds doubled ones.
bool isCipherKey(const QString &key)
{
    static const QRegularExpression base64(QStringLiteral("^[A-Za-z0-9+/]{21,}={0,2}$"));
    return base64.match(key).hasMatch();
}

QStringList g_messages;

void keepMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    g_messages.append(message);
}

} // namespace

class TestMVTConfig : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pageEntriesAreEncrypted_data();
    void pageEntriesAreEncrypted();
    void sameKeyOverwritesOneEntry();
    void readOnlyNamesLeaveFileUnchanged_data();
    void readOnlyNamesLeaveFileUnchanged();
    void installerNameIsPlainUnderBrowser();
    void installerNameBeyondAscii();
    void mainUrl_data();
    void mainUrl();
    void missingFileGivesDefaults();
    void openLogFollowsDebugSwitch_data();
    void openLogFollowsDebugSwitch();
    void cacheFlagReachesFileAtOnce();
    void scriptInterface_data();
    void scriptInterface();
    void instanceUsesConfigBesideExecutable();
    void unreadableLinesNeverCostTheMainUrl_data();
    void unreadableLinesNeverCostTheMainUrl();
    void failedWriteIsLoggedOnceAndStillServed();
    void undecodableValueIsLoggedOnceAndAbsent_data();
    void undecodableValueIsLoggedOnceAndAbsent();

private:
    QString configPath() const { return m_temp->filePath(QStringLiteral("config.ini")); }
    static QString appConfigPath();

    QScopedPointer<QTemporaryDir> m_temp;
};

void TestMVTConfig::init()
{
    m_temp.reset(new QTemporaryDir);
    QVERIFY(m_temp->isValid());
    QFile::remove(appConfigPath());
}

void TestMVTConfig::cleanup()
{
    QFile::remove(appConfigPath());
    m_temp.reset();
}

QString TestMVTConfig::appConfigPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/config.ini");
}

void TestMVTConfig::pageEntriesAreEncrypted_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    QTest::newRow("short") << "userName"
                           << "alice";
    QTest::newRow("several blocks") << "lastServerListOfTheWeek"
                                    << "s1,s2,s3,s4,s5,s6,s7,s8,s9,s10,s11,s12";
    QTest::newRow("chinese") << QStringLiteral("区服") << QStringLiteral("华东一区");
    QTest::newRow("one whole block") << "0123456789abcdef"
                                     << "fedcba9876543210";
}

void TestMVTConfig::pageEntriesAreEncrypted()
{
    QFETCH(QString, key);
    QFETCH(QString, value);

    MVTConfig(configPath()).set(key, value);

    QCOMPARE(MVTConfig(configPath()).get(key), value);
    const QByteArray bytes = fileBytes(configPath());
    QVERIFY(!bytes.contains(key.toUtf8()));
    QVERIFY(!bytes.contains(value.toUtf8()));

    QSettings file(configPath(), QSettings::IniFormat);
    QCOMPARE(file.childGroups(), QStringList { QStringLiteral("Setting") });
    file.beginGroup(QStringLiteral("Setting"));
    const QStringList entries = file.allKeys();
    QCOMPARE(entries.size(), 1);
    QVERIFY2(isCipherKey(entries.first()), qPrintable(entries.first()));
    const QString stored = file.value(entries.first()).toString();
    QVERIFY2(isCipherText(stored), qPrintable(stored));
}

void TestMVTConfig::sameKeyOverwritesOneEntry()
{
    MVTConfig config(configPath());
    config.set(QStringLiteral("server"), QStringLiteral("first"));
    config.set(QStringLiteral("server"), QStringLiteral("second"));

    QCOMPARE(MVTConfig(configPath()).get(QStringLiteral("server")), QStringLiteral("second"));
    QSettings file(configPath(), QSettings::IniFormat);
    file.beginGroup(QStringLiteral("Setting"));
    QCOMPARE(file.allKeys().size(), 1);
}

void TestMVTConfig::readOnlyNamesLeaveFileUnchanged_data()
{
    QTest::addColumn<QString>("key");

    QTest::newRow("main URL") << "MainUrl";
    QTest::newRow("version") << "AppVersion";
}

void TestMVTConfig::readOnlyNamesLeaveFileUnchanged()
{
    QFETCH(QString, key);

    MVTConfig config(configPath());
    config.set(key, QStringLiteral("evil.example"));
    QVERIFY(!QFile::exists(configPath()));

    config.set(QStringLiteral("other"), QStringLiteral("kept"));
    const QByteArray before = fileBytes(configPath());
    config.set(key, QStringLiteral("evil.example"));
    QCOMPARE(fileBytes(configPath()), before);
    QCOMPARE(config.get(key), QString());
    QCOMPARE(config.getVersion(), QStringLiteral("1.0.2"));
}

void TestMVTConfig::installerNameIsPlainUnderBrowser()
{
    MVTConfig config(configPath());
    config.set(QStringLiteral("InstallPackName"), QStringLiteral("playcrate_setup_2.exe"));

    QVERIFY(fileBytes(configPath()).contains("[Browser]\nInstallPackName=playcrate_setup_2.exe"));
    QCOMPARE(MVTConfig(configPath()).getInstallPackName(), QStringLiteral("playcrate_setup_2.exe"));
    // get() only ever reads the encrypted group.
    QCOMPARE(config.get(QStringLiteral("InstallPackName")), QString());
}

// Qt 5 wrote characters beyond ASCII as \x escapes and read the file's bytes as Latin-1; the
// store now writes and reads UTF-8. Files of either kind keep reading.
void TestMVTConfig::installerNameBeyondAscii()
{
    const QString name = QStringLiteral("玩具_setup.exe");
    const QString fromQt5 = m_temp->filePath(QStringLiteral("qt5.ini"));
    QVERIFY(writeFile(fromQt5, "[Browser]\nInstallPackName=\\x73a9\\x5177_setup.exe\n"));
    QCOMPARE(MVTConfig(fromQt5).getInstallPackName(), name);

    const QString byHand = m_temp->filePath(QStringLiteral("utf8.ini"));
    QVERIFY(writeFile(byHand, "[Browser]\nInstallPackName=" + name.toUtf8() + '\n'));
    QCOMPARE(MVTConfig(byHand).getInstallPackName(), name);

    MVTConfig(configPath()).set(QStringLiteral("InstallPackName"), name);
    QVERIFY(fileBytes(configPath()).contains("[Browser]\nInstallPackName=" + name.toUtf8()));
    QCOMPARE(MVTConfig(configPath()).getInstallPackName(), name);
}

void TestMVTConfig::mainUrl_data()
{
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("url");

    QTest::newRow("no entry") << QString() << "www./?v=1.0.2";
    QTest::newRow("stored domain") << "playcrate.example"
                                   << "www.playcrate.example/?v=1.0.2";
}

void TestMVTConfig::mainUrl()
{
    QFETCH(QString, domain);
    QFETCH(QString, url);

    if (!domain.isEmpty()) {
        QSettings installer(configPath(), QSettings::IniFormat);
        installer.setValue(QStringLiteral("Setting/")
                + TextCipher::encrypt(QStringLiteral("MainUrl"), kPassphrase),
            TextCipher::encrypt(domain, kPassphrase));
    }

    QCOMPARE(MVTConfig(configPath()).getMainUrl(), url);
}

void TestMVTConfig::missingFileGivesDefaults()
{
    MVTConfig config(configPath());

    QCOMPARE(config.getIsCache(), false);
    QCOMPARE(config.getOpenLog(), false);
    QCOMPARE(config.getInstallPackName(), QString());
    QCOMPARE(config.get(QStringLiteral("never set")), QString());
    QCOMPARE(config.getVersion(), QStringLiteral("1.0.2"));
    QVERIFY(!QFile::exists(configPath()));
}

void TestMVTConfig::openLogFollowsDebugSwitch_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("openLog");

    QTest::newRow("on") << QByteArray("[Browser]\r\nDebugEnable=true\r\n") << true;
    QTest::newRow("off") << QByteArray("[Browser]\r\nDebugEnable=false\r\n") << false;
    QTest::newRow("absent") << QByteArray("[Browser]\r\nIsCache=true\r\n") << false;
}

void TestMVTConfig::openLogFollowsDebugSwitch()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, openLog);

    QFile file(configPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    QCOMPARE(MVTConfig(configPath()).getOpenLog(), openLog);
}

// The program quits right after the page sets the flag; no event loop runs
// in between to sync the file.
void TestMVTConfig::cacheFlagReachesFileAtOnce()
{
    MVTConfig first(configPath());
    first.setIsCache(true);
    QVERIFY(fileBytes(configPath()).contains("[Browser]\nIsCache=true"));

    MVTConfig second(configPath());
    QCOMPARE(second.getIsCache(), true);
    second.setIsCache(false);
    QVERIFY(fileBytes(configPath()).contains("[Browser]\nIsCache=false"));
}

void TestMVTConfig::scriptInterface_data()
{
    QTest::addColumn<QByteArray>("signature");
    QTest::addColumn<bool>("invokable");

    QTest::newRow("setIsCache") << QByteArray("setIsCache(bool)") << true;
    QTest::newRow("getOpenLog") << QByteArray("getOpenLog()") << true;
    QTest::newRow("getVersion") << QByteArray("getVersion()") << true;
    QTest::newRow("set") << QByteArray("set(QString,QString)") << true;
    QTest::newRow("get") << QByteArray("get(QString)") << true;
    QTest::newRow("getMainUrl") << QByteArray("getMainUrl()") << true;
    QTest::newRow("getInstallPackName") << QByteArray("getInstallPackName()") << true;
    QTest::newRow("getIsCache") << QByteArray("getIsCache()") << false;
}

void TestMVTConfig::scriptInterface()
{
    QFETCH(QByteArray, signature);
    QFETCH(bool, invokable);

    const int index = MVTConfig::staticMetaObject.indexOfMethod(signature.constData());
    QCOMPARE(index >= 0, invokable);
}

void TestMVTConfig::instanceUsesConfigBesideExecutable()
{
    MVTConfig *config = MVTConfig::instance();
    QCOMPARE(MVTConfig::instance(), config);

    config->set(QStringLiteral("InstallPackName"), QStringLiteral("beside.exe"));
    QVERIFY(fileBytes(appConfigPath()).contains("InstallPackName=beside.exe"));
}

void TestMVTConfig::unreadableLinesNeverCostTheMainUrl_data()
{
    QTest::addColumn<QByteArray>("badLine");
    QTest::newRow("unbalanced quote") << QByteArray("broken=\"unterminated");
    QTest::newRow("trailing backslash") << QByteArray("broken=value\\");
    QTest::newRow("binary") << QByteArray("\0\0\x01garbage", 10);
    QTest::newRow("neither entry nor section") << QByteArray("just some words");
    QTest::newRow("section without its bracket") << QByteArray("[Audio");
}

// The bad line stands above the main URL's entry, which the settings store would otherwise
// read as part of it and drop on the next write.
void TestMVTConfig::unreadableLinesNeverCostTheMainUrl()
{
    QFETCH(QByteArray, badLine);
    {
        QSettings installer(configPath(), QSettings::IniFormat);
        installer.setValue("Setting/" + TextCipher::encrypt("MainUrl", kPassphrase),
            TextCipher::encrypt("playcrate.example", kPassphrase));
    }
    const QByteArray original = fileBytes(configPath());
    const QByteArray damaged
        = QByteArray(original).replace("[Setting]\n", "[Setting]\n" + badLine + "\n");
    QVERIFY(writeFile(configPath(), damaged));

    MVTConfig config(configPath());
    QCOMPARE(config.getMainUrl(), QStringLiteral("www.playcrate.example/?v=1.0.2"));
    g_messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(&keepMessage);
    config.set("Theme", "dark");
    qInstallMessageHandler(previous);
    QCOMPARE(g_messages.filter("Settings not saved"), QStringList());
    const QByteArray written = fileBytes(configPath());
    QVERIFY(written.contains(original.mid(original.indexOf("[Setting]\n") + 10)));
    QVERIFY(!written.contains(badLine));
    QCOMPARE(fileBytes(configPath() + ".unreadable"), damaged);
}

// A folder where the file should be: every write fails, as on a read-only or full disk.
void TestMVTConfig::failedWriteIsLoggedOnceAndStillServed()
{
    QVERIFY(QDir().mkpath(configPath()));
    MVTConfig config(configPath());
    g_messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(&keepMessage);
    config.set("Theme", "dark");
    config.set("Volume", "7");
    qInstallMessageHandler(previous);

    QCOMPARE(config.get("Theme"), QStringLiteral("dark"));
    QCOMPARE(config.get("Volume"), QStringLiteral("7"));
    const QStringList failures = g_messages.filter("Settings not saved to " + configPath() + ": ");
    QCOMPARE(failures.size(), 1);
    QVERIFY2(failures.at(0).contains("director"), qPrintable(failures.at(0)));
}

void TestMVTConfig::undecodableValueIsLoggedOnceAndAbsent_data()
{
    QTest::addColumn<QString>("stored");
    QTest::newRow("not Base64") << QStringLiteral("secret-token-in-the-clear");
    QTest::newRow("not whole blocks") << QString::fromLatin1(QByteArray(20, 'k').toBase64());
    QTest::newRow("another passphrase")
        << TextCipher::encrypt(QStringLiteral("secret-token-in-the-clear"), "other passphrase");
    QTest::newRow("main URL of another passphrase")
        << TextCipher::encrypt(QStringLiteral("playcrate.example"), "other passphrase");
}

// Decrypting anything gives bytes: garbage must not reach a page, nor a lost main URL an
// address, and the log names the setting only.
void TestMVTConfig::undecodableValueIsLoggedOnceAndAbsent()
{
    QFETCH(QString, stored);
    const QString name = QString(QTest::currentDataTag()).startsWith("main") ? "MainUrl" : "Token";
    {
        QSettings file(configPath(), QSettings::IniFormat);
        file.setValue("Setting/" + TextCipher::encrypt(name, kPassphrase), stored);
        file.setValue("Setting/" + TextCipher::encrypt("Kept", kPassphrase),
            TextCipher::encrypt("fine", kPassphrase));
    }
    MVTConfig config(configPath());
    g_messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(&keepMessage);
    const QString first = config.get(name);
    const QString second = config.get(name);
    const bool has = config.has(name);
    qInstallMessageHandler(previous);

    QCOMPARE(first, QString());
    QCOMPARE(second, QString());
    QVERIFY(!has);
    QCOMPARE(config.isSetUp(), false);
    QCOMPARE(config.get("Kept"), QStringLiteral("fine"));
    QCOMPARE(
        g_messages.filter("The setting " + name + " cannot be decoded: it is treated as absent")
            .size(),
        1);
    QCOMPARE(g_messages.filter("secret").size(), 0);
}

QTEST_GUILESS_MAIN(TestMVTConfig)

#include "tst_mvtconfig.moc"
