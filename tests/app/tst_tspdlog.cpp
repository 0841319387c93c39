#include "app/logallowance.h"
#include "app/logexcerpt.h"
#include "app/mvtconfig.h"
#include "app/tspdlog.h"
#include "testfiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Set in a child copy of this program: it logs before the settings store exists, and before and
// after the first logger is registered, to show where unregistered lines go.
const char kChildVariable[] = "TST_TSPDLOG_CHILD";

QStringList capturedMessages;

void captureMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    capturedMessages.append(message);
}

QString appDir()
{
    return QCoreApplication::applicationDirPath();
}

QString fallbackLogFile()
{
    return appDir() + QStringLiteral("/logs/useless_identify.txt");
}

void setDebugSwitch(bool on)
{
    // Settings objects of one process share the file's contents, so the log
    // sees the switch at its next call.
    QSettings config(appDir() + QStringLiteral("/config.ini"), QSettings::IniFormat);
    config.setValue(QStringLiteral("Browser/DebugEnable"), on);
}

// The documented line shape, with the time and the thread id left open.
QRegularExpression lineShape(const QString &level, const QString &category, const QString &text)
{
    return QRegularExpression(
        QStringLiteral(
            "^\\[(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3})\\]\\[thread \\d+\\]\\[")
        + level + QStringLiteral("\\] :  \\[") + category + QStringLiteral("\\] ")
        + QRegularExpression::escape(text) + QStringLiteral("\r\n$"));
}

int childMain(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString daily = qEnvironmentVariable(kChildVariable);
    TSpdlog::instance()->otherError(QStringLiteral("before the settings store"));
    MVTConfig::instance();
    TSpdlog::instance()->otherError(QStringLiteral("before any logger"));
    TSpdlog::create(daily, daily);
    TSpdlog::instance()->otherError(QStringLiteral("to the first logger"));
    TSpdlog::instance(QStringLiteral("nobody"))->otherError(QStringLiteral("to an unknown name"));
    return 0;
}

} // namespace

class TestTSpdlog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void lineFormat_data();
    void lineFormat();
    void lineFeeds_data();
    void lineFeeds();
    void switchedOffWritesNothing_data();
    void switchedOffWritesNothing();
    void flushedAtOnce_data();
    void flushedAtOnce();
    void infoFlushPolicy();
    void appendsToExistingFile();
    void createKeepsFirstLogger();
    void loggersMadeTogetherKeepTheirFiles();
    void unregisteredLinesGoToFallbackFile();
    void missingFolderOnlyPrints();
    void longLinesAreCutAndEachDayHasALimit();

private:
    QString newLogFile(const QString &name) const;
    void runChild(QProcess &child, const QString &dailyFile) const;
    static void addMethodColumns();

    QScopedPointer<QTemporaryDir> m_temp;
    QtMessageHandler m_previousHandler = nullptr;
};

// The settings store holds the log's switch, and hands it over as it comes to be: at start-up
// it is made before anything is logged.
void TestTSpdlog::initTestCase()
{
    MVTConfig::instance();
}

void TestTSpdlog::init()
{
    m_temp.reset(new QTemporaryDir);
    QVERIFY(m_temp->isValid());
    QDir(appDir() + QStringLiteral("/logs")).removeRecursively();
    setDebugSwitch(true);
    capturedMessages.clear();
    m_previousHandler = qInstallMessageHandler(captureMessage);
}

void TestTSpdlog::cleanup()
{
    qInstallMessageHandler(m_previousHandler);
    QDir(appDir() + QStringLiteral("/logs")).removeRecursively();
    QFile::remove(appDir() + QStringLiteral("/config.ini"));
    m_temp.reset();
}

// Registered under its own path, as the daily log is.
QString TestTSpdlog::newLogFile(const QString &name) const
{
    const QString path = m_temp->filePath(name);
    return TSpdlog::create(path, path) ? path : QString();
}

void TestTSpdlog::runChild(QProcess &child, const QString &dailyFile) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kChildVariable), dailyFile);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
}

void TestTSpdlog::addMethodColumns()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("level");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("tag");

    QTest::newRow("avInfo") << QByteArray("avInfo") << "info"
                            << "AV_Type"
                            << "[avInfo]";
    QTest::newRow("avWarn") << QByteArray("avWarn") << "warning"
                            << "AV_Type"
                            << "[avWarn]";
    QTest::newRow("avError") << QByteArray("avError") << "error"
                             << "AV_Type"
                             << "[avError]";
    QTest::newRow("netInfo") << QByteArray("netInfo") << "info"
                             << "NET_Type"
                             << "[netInfo]";
    QTest::newRow("netWarn") << QByteArray("netWarn") << "warning"
                             << "NET_Type"
                             << "[netWarn]";
    QTest::newRow("netError") << QByteArray("netError") << "error"
                              << "NET_Type"
                              << "[netError]";
    QTest::newRow("otherInfo") << QByteArray("otherInfo") << "info"
                               << "Other_Type"
                               << "[OtherType]";
    QTest::newRow("otherWarn") << QByteArray("otherWarn") << "warning"
                               << "Other_Type"
                               << "[OtherType]";
    QTest::newRow("otherError") << QByteArray("otherError") << "error"
                                << "Other_Type"
                                << "[OtherType]";
    QTest::newRow("uiClick") << QByteArray("uiClick") << "info"
                             << "UI_Click"
                             << "[Click:]";
}

void TestTSpdlog::lineFormat_data()
{
    addMethodColumns();
}

// Called by name, as the scene calls them. The time zone set in main() is far
// from UTC, so a line stamped in UTC would fall outside the call's interval.
void TestTSpdlog::lineFormat()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, level);
    QFETCH(QString, category);
    QFETCH(QString, tag);
    const QString file = newLogFile(QStringLiteral("daily.log"));
    TSpdlog *log = TSpdlog::instance(file);
    const QString text = QStringLiteral("启动：加载qml");

    const QDateTime before = QDateTime::currentDateTime();
    QVERIFY(QMetaObject::invokeMethod(log, method.constData(), Q_ARG(QString, text)));
    const QDateTime after = QDateTime::currentDateTime();
    log->flush();

    const QString content = QString::fromUtf8(fileBytes(file));
    const QRegularExpressionMatch line = lineShape(level, category, text).match(content);
    QVERIFY2(line.hasMatch(), qPrintable(content));
    const QDateTime stamp
        = QDateTime::fromString(line.captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    // The stamp cuts the time down to the millisecond; Qt 6.8's clock rounds it to the nearest.
    QVERIFY2(stamp >= before.addMSecs(-1) && stamp <= after, qPrintable(line.captured(1)));
    QCOMPARE(capturedMessages,
        QStringList { tag + QStringLiteral("  [") + category + QStringLiteral("] ") + text });
}

void TestTSpdlog::lineFeeds_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QString>("written");

    const QString kept = QStringLiteral("first\r\nsecond\nthird");
    const QString removed = QStringLiteral("first\rsecondthird");
    QTest::newRow("avInfo removes") << QByteArray("avInfo") << removed;
    QTest::newRow("netInfo removes") << QByteArray("netInfo") << removed;
    QTest::newRow("otherInfo removes") << QByteArray("otherInfo") << removed;
    QTest::newRow("uiClick keeps") << QByteArray("uiClick") << kept;
    QTest::newRow("netWarn keeps") << QByteArray("netWarn") << kept;
    QTest::newRow("netError keeps") << QByteArray("netError") << kept;
    QTest::newRow("otherWarn keeps") << QByteArray("otherWarn") << kept;
}

void TestTSpdlog::lineFeeds()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, written);
    const QString file = newLogFile(QStringLiteral("daily.log"));
    TSpdlog *log = TSpdlog::instance(file);

    QVERIFY(QMetaObject::invokeMethod(
        log, method.constData(), Q_ARG(QString, QStringLiteral("first\r\nsecond\nthird"))));
    log->flush();

    const QString content = QString::fromUtf8(fileBytes(file));
    QVERIFY2(content.endsWith(QStringLiteral("] ") + written + QStringLiteral("\r\n")),
        qPrintable(content));
    QVERIFY(capturedMessages.last().endsWith(written));
}

void TestTSpdlog::switchedOffWritesNothing_data()
{
    addMethodColumns();
}

void TestTSpdlog::switchedOffWritesNothing()
{
    QFETCH(QByteArray, method);
    QFETCH(QString, category);
    QFETCH(QString, tag);
    setDebugSwitch(false);
    const QString file = newLogFile(QStringLiteral("daily.log"));
    TSpdlog *log = TSpdlog::instance(file);

    QVERIFY(QMetaObject::invokeMethod(
        log, method.constData(), Q_ARG(QString, QStringLiteral("quiet"))));
    log->setInfoFlush();
    log->flush();

    QVERIFY(QFileInfo(file).isFile());
    QCOMPARE(fileBytes(file), QByteArray());
    QCOMPARE(capturedMessages,
        QStringList { tag + QStringLiteral("  [") + category + QStringLiteral("] quiet") });

    // The switch is read on every call.
    setDebugSwitch(true);
    log->otherError(QStringLiteral("loud"));
    QVERIFY(fileBytes(file).endsWith(" [Other_Type] loud\r\n"));
}

void TestTSpdlog::flushedAtOnce_data()
{
    QTest::addColumn<QByteArray>("method");

    QTest::newRow("avError") << QByteArray("avError");
    QTest::newRow("netError") << QByteArray("netError");
    QTest::newRow("otherError") << QByteArray("otherError");
    QTest::newRow("uiClick") << QByteArray("uiClick");
}

// Read straight after the call: no flush() and no periodic flush in between.
void TestTSpdlog::flushedAtOnce()
{
    QFETCH(QByteArray, method);
    const QString file = newLogFile(QStringLiteral("daily.log"));
    TSpdlog *log = TSpdlog::instance(file);

    QVERIFY(QMetaObject::invokeMethod(
        log, method.constData(), Q_ARG(QString, QStringLiteral("right away"))));

    QVERIFY(fileBytes(file).endsWith("] right away\r\n"));
}

void TestTSpdlog::infoFlushPolicy()
{
    const QString file = newLogFile(QStringLiteral("daily.log"));
    TSpdlog *log = TSpdlog::instance(file);

    log->setInfoFlush();
    log->otherInfo(QStringLiteral("info now"));
    QVERIFY(fileBytes(file).endsWith("[info] :  [Other_Type] info now\r\n"));
    log->netWarn(QStringLiteral("warning now"));
    QVERIFY(fileBytes(file).endsWith("[warning] :  [NET_Type] warning now\r\n"));

    // Back to errors only: an info line waits in the buffer (the periodic
    // flush comes every 5 s) until flush().
    log->setErrFlush();
    log->otherInfo(QStringLiteral("info later"));
    QVERIFY(!fileBytes(file).contains("info later"));
    log->flush();
    QVERIFY(fileBytes(file).endsWith("[info] :  [Other_Type] info later\r\n"));
}

void TestTSpdlog::appendsToExistingFile()
{
    const QString path = m_temp->filePath(QStringLiteral("earlier.log"));
    QFile earlier(path);
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("an earlier run\r\n");
    earlier.close();
    QVERIFY(TSpdlog::create(path, path));

    TSpdlog::instance(path)->otherError(QStringLiteral("this run"));

    const QByteArray content = fileBytes(path);
    QVERIFY2(content.startsWith("an earlier run\r\n["), content.constData());
    QVERIFY(content.endsWith(" [Other_Type] this run\r\n"));
}

void TestTSpdlog::createKeepsFirstLogger()
{
    const QString name = m_temp->filePath(QStringLiteral("shared-name"));
    const QString first = m_temp->filePath(QStringLiteral("first.log"));
    const QString second = m_temp->filePath(QStringLiteral("second.log"));

    QVERIFY(TSpdlog::create(name, first));
    QVERIFY(!TSpdlog::create(name, second));
    TSpdlog::instance(name)->otherError(QStringLiteral("which file"));

    QVERIFY(fileBytes(first).endsWith(" [Other_Type] which file\r\n"));
    QVERIFY(!QFileInfo::exists(second));
}

// Logger names come from the clock; two made back to back share a millisecond.
void TestTSpdlog::loggersMadeTogetherKeepTheirFiles()
{
    const QString one = m_temp->filePath(QStringLiteral("one.log"));
    const QString two = m_temp->filePath(QStringLiteral("two.log"));
    QVERIFY(TSpdlog::create(one, one));
    QVERIFY(TSpdlog::create(two, two));

    TSpdlog::instance(one)->otherError(QStringLiteral("line one"));
    TSpdlog::instance(two)->otherError(QStringLiteral("line two"));

    QVERIFY(!capturedMessages.join(QLatin1Char('\n')).contains(QStringLiteral("init log error")));
    QVERIFY(
        lineShape(QStringLiteral("error"), QStringLiteral("Other_Type"), QStringLiteral("line one"))
            .match(QString::fromUtf8(fileBytes(one)))
            .hasMatch());
    QVERIFY(
        lineShape(QStringLiteral("error"), QStringLiteral("Other_Type"), QStringLiteral("line two"))
            .match(QString::fromUtf8(fileBytes(two)))
            .hasMatch());
}

// This process has registered loggers already; a fresh one has none.
void TestTSpdlog::unregisteredLinesGoToFallbackFile()
{
    QVERIFY(QDir().mkpath(appDir() + QStringLiteral("/logs")));
    const QString daily = m_temp->filePath(QStringLiteral("daily.log"));

    QProcess child;
    runChild(child, daily);

    // Without the store's switch the log cannot tell whether to write, and never asks for it.
    QVERIFY(child.readAllStandardError().contains("before the settings store"));
    const QString fallback = QString::fromUtf8(fileBytes(fallbackLogFile()));
    const QStringList lines = fallback.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.at(0).endsWith(QStringLiteral("[error] :  [Other_Type] before any logger")));
    QVERIFY(lines.at(1).endsWith(QStringLiteral("[error] :  [Other_Type] to an unknown name")));
    QVERIFY(lineShape(QStringLiteral("error"), QStringLiteral("Other_Type"),
        QStringLiteral("to the first logger"))
            .match(QString::fromUtf8(fileBytes(daily)))
            .hasMatch());
}

// Neither the fallback nor the registered logger has its folder.
void TestTSpdlog::missingFolderOnlyPrints()
{
    const QString daily = m_temp->filePath(QStringLiteral("missing-folder/daily.log"));

    QProcess child;
    runChild(child, daily);

    const QString output = QString::fromUtf8(child.readAllStandardError());
    QVERIFY2(output.contains(QStringLiteral("Log initialization failed: ")), qPrintable(output));
    QVERIFY(output.contains(QStringLiteral("init log error")));
    QVERIFY(output.contains(QStringLiteral("[OtherType]  [Other_Type] to the first logger")));
    QVERIFY(!QFileInfo::exists(appDir() + QStringLiteral("/logs")));
    QVERIFY(!QFileInfo::exists(m_temp->filePath(QStringLiteral("missing-folder"))));
}

// A page can send names and requests of any length, as often as it likes: neither the file nor
// the debug output may grow without end. Today's file starts near its limit, as after a day of
// such calls.
void TestTSpdlog::longLinesAreCutAndEachDayHasALimit()
{
    const QString path = m_temp->filePath(QStringLiteral("today.log"));
    QFile today(path);
    const qint64 earlier = LogAllowance::bytesPerDay - 20 * 1024;
    QVERIFY(today.open(QIODevice::WriteOnly) && today.resize(earlier));
    today.close();
    QVERIFY(TSpdlog::create(path, path));
    TSpdlog *log = TSpdlog::instance(path);
    const QString huge = QStringLiteral("window name ") + QString(100 * 1024, QLatin1Char('n'));

    for (int call = 0; call < 3; ++call)
        log->otherWarn(huge);
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly) && written.seek(earlier));
    const QList<QByteArray> lines = written.readAll().split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines.at(0).size() < LogExcerpt::lineLength + 128);
    QVERIFY(lines.at(0).contains("characters left out"));
    QVERIFY(lines.at(1).endsWith(LogAllowance::notice().toUtf8() + '\r'));

    // The debug output keeps its own count, for the whole process.
    int call = 0;
    while (!capturedMessages.last().endsWith(LogAllowance::notice()) && call++ < 10000)
        log->otherWarn(huge);
    const int mirrored = capturedMessages.size();
    log->otherWarn(huge);
    QCOMPARE(capturedMessages.size(), mirrored);
    QCOMPARE(capturedMessages.filter(LogAllowance::notice()).size(), 1);
    for (const QString &message : std::as_const(capturedMessages))
        QVERIFY(message.size() < LogExcerpt::lineLength + 128);
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet(kChildVariable))
        return childMain(argc, argv);

    // Far from UTC, so local time and UTC never print alike.
    qputenv("TZ", "LMN-14");
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    QCoreApplication app(argc, argv);
    TestTSpdlog test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tspdlog.moc"
