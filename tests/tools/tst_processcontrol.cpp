#include "app/dirhelper.h"
#include "app/platform.h"
#include "app/tspdlog.h"
#include "tools/processor.h"
#include "tools/systemrules.h"
#include "tools/tools.h"

#include "applicationloop.h"
#include "markerprogram.h"
#include "testfiles.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <csignal>
#include <memory>
#include <utility>
#include <vector>

namespace {

// Set in child copies of this program, for what cannot run inside the test process: killing
// itself, quitting and starting itself again.
const char kChildVariable[] = "TST_PROCESSCONTROL_CHILD";
const char kMarkerVariable[] = "TST_PROCESSCONTROL_MARKER";
const QString kKillChild = QStringLiteral("kill");
const QString kRestartChild = QStringLiteral("restart");

// Bounds for processes to start and end and for event loops to finish. Reaching one fails the
// test; nothing is ever waited out.
constexpr int kTimeout = 30000;
constexpr int kWatchdogExit = 99;

enum Query { Exact, UpperCase, MixedCase, WithDirectory, Prefix };
enum PathEntry { PlainFile, Missing, DanglingLink, LinkToFile, Folder };

const QString kRunning = QStringLiteral(" 正在运行");
const QString kNotRunning = QStringLiteral(" 不在运行");
const QString kKilled = QStringLiteral(" 已杀死");

// The logging facade mirrors every line to the debug output in this form.
QString otherLine(const QString &text)
{
    return QStringLiteral("[OtherType]  [Other_Type] ") + text;
}

QString clickLine(const QString &text)
{
    return QStringLiteral("[Click:]  [UI_Click] ") + text;
}

QStringList &loggedLines()
{
    static QStringList lines;
    return lines;
}

QtMessageHandler &previousHandler()
{
    static QtMessageHandler handler = nullptr;
    return handler;
}

void recordMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    loggedLines().append(message);
    previousHandler()(type, context, message);
}

// The folders on the way are made first.
bool writeMarkerProgram(const QString &path, const QString &marker)
{
    return QDir().mkpath(QFileInfo(path).path()) && MarkerProgram::write(path, marker);
}

// Kill child: a process of the same name as the test's sleepers. It waits on its input until the
// test has started the last of them.
int killChild()
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return 1;
    input.readLine();
    Tools::instance()->killProcess(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    // Only reached when it survived its own kill.
    return 0;
}

// Restart child: restarts once; the restarted instance writes its arguments to the marker.
int restartChild()
{
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1) {
        const QByteArray text = arguments.mid(1).join(QLatin1Char('\n')).toUtf8();
        return writeFile(qEnvironmentVariable(kMarkerVariable), text) ? 0 : 1;
    }
    QTimer::singleShot(0, Tools::instance(), &Tools::restartApp);
    return runApplicationLoop(kTimeout, kWatchdogExit);
}

int childMain(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    return qEnvironmentVariable(kChildVariable) == kKillChild ? killChild() : restartChild();
}

} // namespace

Q_DECLARE_METATYPE(Query)
Q_DECLARE_METATYPE(PathEntry)

// Receives what would otherwise open in the system's browser.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls() const { return m_urls; }

public slots:
    void open(const QUrl &url) { m_urls.append(url); }

private:
    QList<QUrl> m_urls;
};

class TestProcessControl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void findProcess_data();
    void findProcess();
    void findProcessesCollectsEveryMatch();
    void killProcessKillsEveryInstance();
    void killProcessOfAbsentNameDoesNothing();
    void killProcessEndsOwnProcessLast();
    void startProcess_data();
    void startProcess();
    void pageNamesStayInTheirFolder_data();
    void pageNamesStayInTheirFolder();
    void quitAppClosesWindowsBeforeLeavingLoop();
    void restartAppStartsProgramAgain();
    void reinstall_data();
    void reinstall();
    void setMute_data();
    void setMute();
    void getCpuID();
    void removeFile_data();
    void removeFile();

private:
    // Started from a copy of /bin/sleep at folder/name; killed, if still running, in cleanup.
    QProcess *startSleeper(const QString &folder, const QString &name);
    QString queryFor(Query query) const;
    QString marker() const { return m_temp->filePath(QStringLiteral("marker")); }
    QProcessEnvironment childEnvironment(const QString &mode) const;
    void putOnSearchPath(const QString &folder);
    void verifyNothingStarted();
    void verifyKilled(QProcess *process);

    QScopedPointer<QTemporaryDir> m_temp;
    // Unique on the machine, longer than a command name (15 bytes): only the executable's file
    // name can match it.
    QString m_name;
    std::vector<std::unique_ptr<QProcess>> m_children;
    QStringList m_createdOutsideTemp;
    QByteArray m_searchPath;
};

void TestProcessControl::initTestCase()
{
    QVERIFY(QFileInfo(QStringLiteral("/bin/sleep")).isExecutable());
    m_searchPath = qgetenv("PATH");
    // Its first use reports that it has no log file; later lines are the ones under test.
    TSpdlog::instance();
    previousHandler() = qInstallMessageHandler(recordMessage);
}

void TestProcessControl::cleanupTestCase()
{
    qInstallMessageHandler(previousHandler());
}

void TestProcessControl::init()
{
    m_temp.reset(new QTemporaryDir);
    QVERIFY(m_temp->isValid());
    m_name = QStringLiteral("lmnsleep_%1_%2")
                 .arg(QCoreApplication::applicationPid())
                 .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    loggedLines().clear();
}

void TestProcessControl::cleanup()
{
    for (const std::unique_ptr<QProcess> &child : m_children) {
        child->kill();
        child->waitForFinished(kTimeout);
    }
    m_children.clear();
    for (const QString &path : std::as_const(m_createdOutsideTemp)) {
        QFile::remove(path);
        QDir(path).removeRecursively();
    }
    m_createdOutsideTemp.clear();
    qputenv("PATH", m_searchPath);
    m_temp.reset();
}

QProcess *TestProcessControl::startSleeper(const QString &folder, const QString &name)
{
    const QString program = folder + QLatin1Char('/') + name;
    if (!QFileInfo::exists(program)
        && !(QDir().mkpath(folder) && QFile::copy(QStringLiteral("/bin/sleep"), program)))
        return nullptr;
    m_children.push_back(std::make_unique<QProcess>());
    QProcess *process = m_children.back().get();
    process->start(program, { QStringLiteral("300") });
    return process->waitForStarted(kTimeout) ? process : nullptr;
}

QString TestProcessControl::queryFor(Query query) const
{
    switch (query) {
    case Exact:
        return m_name;
    case UpperCase:
        return m_name.toUpper();
    case MixedCase:
        return m_name.left(1).toUpper() + m_name.mid(1);
    case WithDirectory:
        return m_temp->filePath(m_name);
    case Prefix:
        return m_name.chopped(1);
    }
    return QString();
}

QProcessEnvironment TestProcessControl::childEnvironment(const QString &mode) const
{
    // HOME and the XDG folders are this process's temporary ones already.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kChildVariable), mode);
    environment.insert(QString::fromLatin1(kMarkerVariable), marker());
    return environment;
}

void TestProcessControl::putOnSearchPath(const QString &folder)
{
    QVERIFY(QDir().mkpath(folder));
    qputenv("PATH", QFile::encodeName(folder));
}

// A program started afterwards has run, and the marker is still missing.
void TestProcessControl::verifyNothingStarted()
{
    QVERIFY(MarkerProgram::laterProgramHasRun(m_temp->path(), kTimeout));
    QVERIFY(!QFileInfo::exists(marker()));
}

// Killed at once: SIGKILL, not a request to end.
void TestProcessControl::verifyKilled(QProcess *process)
{
    QVERIFY(process->waitForFinished(kTimeout));
    QCOMPARE(process->exitStatus(), QProcess::CrashExit);
    QCOMPARE(process->exitCode(), SIGKILL);
}

void TestProcessControl::findProcess_data()
{
    QTest::addColumn<Query>("query");
    QTest::addColumn<bool>("fileRemoved");
    QTest::addColumn<bool>("found");

    QTest::newRow("exact name") << Exact << false << true;
    QTest::newRow("upper case") << UpperCase << false << true;
    QTest::newRow("mixed case") << MixedCase << false << true;
    QTest::newRow("with its directory") << WithDirectory << false << false;
    QTest::newRow("prefix of the name") << Prefix << false << false;
    // As after an update that replaced the program's file.
    QTest::newRow("file removed since the start") << Exact << true << true;
}

void TestProcessControl::findProcess()
{
    QFETCH(Query, query);
    QFETCH(bool, fileRemoved);
    QFETCH(bool, found);
    QProcess *sleeper = startSleeper(m_temp->path(), m_name);
    QVERIFY(sleeper);
    if (fileRemoved)
        QVERIFY(QFile::remove(m_temp->filePath(m_name)));
    const QString name = queryFor(query);
    loggedLines().clear();

    qint64 pid = 0;
    QCOMPARE(Tools::instance()->findProcess(name, &pid), found);

    if (found) {
        QCOMPARE(pid, sleeper->processId());
        QCOMPARE(loggedLines(), QStringList { otherLine(name + kRunning) });
    } else {
        QCOMPARE(loggedLines(), QStringList { otherLine(name + kNotRunning) });
    }
}

void TestProcessControl::findProcessesCollectsEveryMatch()
{
    QList<qint64> started;
    for (const QString &folder :
        { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") }) {
        const QProcess *sleeper = startSleeper(m_temp->filePath(folder), m_name);
        QVERIFY(sleeper);
        started.append(sleeper->processId());
    }
    QVERIFY(startSleeper(m_temp->path(), m_name + QStringLiteral("_other")));
    loggedLines().clear();

    QList<qint64> pids { -1 };
    QVERIFY(Tools::instance()->findProcesses(m_name.toUpper(), &pids));
    std::sort(pids.begin(), pids.end());
    QCOMPARE(pids, started);
    const QString running = otherLine(m_name.toUpper() + kRunning);
    QCOMPARE(loggedLines(), QStringList({ running, running, running }));

    loggedLines().clear();
    const QString absent = m_name + QStringLiteral("_absent");
    QVERIFY(!Tools::instance()->findProcesses(absent, &pids));
    QVERIFY(pids.isEmpty());
    QCOMPARE(loggedLines(), QStringList { otherLine(absent + kNotRunning) });
}

void TestProcessControl::killProcessKillsEveryInstance()
{
    QProcess *first = startSleeper(m_temp->filePath(QStringLiteral("a")), m_name);
    QProcess *second = startSleeper(m_temp->filePath(QStringLiteral("b")), m_name);
    const QString otherName = m_name + QStringLiteral("_other");
    QProcess *other = startSleeper(m_temp->path(), otherName);
    QVERIFY(first && second && other);
    loggedLines().clear();

    Tools::instance()->killProcess(m_name);

    QCOMPARE(loggedLines(),
        QStringList({ otherLine(m_name + kRunning), otherLine(m_name + kRunning),
            otherLine(m_name + kKilled), otherLine(m_name + kKilled) }));
    verifyKilled(first);
    verifyKilled(second);
    QCOMPARE(other->state(), QProcess::Running);
    QVERIFY(Tools::instance()->findProcess(otherName, nullptr));
    QVERIFY(!Tools::instance()->findProcess(m_name, nullptr));
}

void TestProcessControl::killProcessOfAbsentNameDoesNothing()
{
    QProcess *other = startSleeper(m_temp->path(), m_name + QStringLiteral("_other"));
    QVERIFY(other);
    loggedLines().clear();

    Tools::instance()->killProcess(m_name);

    QCOMPARE(loggedLines(), QStringList { otherLine(m_name + kNotRunning) });
    QVERIFY(!other->waitForFinished(0));
    QCOMPARE(other->state(), QProcess::Running);
}

// The child kills every process of its own name. Started between two of them, it comes before
// the last one in the system's list, so only moving itself to the end lets it reach that one.
void TestProcessControl::killProcessEndsOwnProcessLast()
{
    const QString program = m_temp->filePath(m_name);
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), program));
    QProcess *before = startSleeper(m_temp->filePath(QStringLiteral("a")), m_name);
    QVERIFY(before);
    QProcess child;
    child.setProcessEnvironment(childEnvironment(kKillChild));
    child.start(program, QStringList());
    QVERIFY(child.waitForStarted(kTimeout));
    QProcess *after = startSleeper(m_temp->filePath(QStringLiteral("b")), m_name);
    QVERIFY(after);
    if (!(before->processId() < child.processId() && child.processId() < after->processId()))
        QSKIP("Process identifiers wrapped around between the starts");

    child.write("go\n");
    child.closeWriteChannel();

    verifyKilled(&child);
    verifyKilled(before);
    verifyKilled(after);
    const QStringList output
        = QString::fromUtf8(child.readAllStandardError()).split(QLatin1Char('\n'));
    QCOMPARE(output.count(otherLine(m_name + kRunning)), 3);
    // Its own line never appears: it is dead before it could write it.
    QCOMPARE(output.count(otherLine(m_name + kKilled)), 2);
}

void TestProcessControl::startProcess_data()
{
    QTest::addColumn<bool>("running");
    QTest::addColumn<bool>("withDirectory");
    QTest::addColumn<bool>("programExists");
    QTest::addColumn<bool>("result");
    QTest::addColumn<bool>("starts");

    QTest::newRow("running name starts nothing") << true << false << true << true << false;
    QTest::newRow("name on the search path") << false << false << true << true << true;
    QTest::newRow("path of a running name starts it") << true << true << true << true << true;
    QTest::newRow("missing program") << false << false << false << false << false;
}

void TestProcessControl::startProcess()
{
    QFETCH(bool, running);
    QFETCH(bool, withDirectory);
    QFETCH(bool, programExists);
    QFETCH(bool, result);
    QFETCH(bool, starts);
    const QString bin = m_temp->filePath(QStringLiteral("bin"));
    putOnSearchPath(bin);
    const QString program = bin + QLatin1Char('/') + m_name;
    if (programExists)
        QVERIFY(writeMarkerProgram(program, marker()));
    if (running)
        QVERIFY(startSleeper(m_temp->filePath(QStringLiteral("a")), m_name));
    const QString name = withDirectory ? program : m_name;
    loggedLines().clear();

    QCOMPARE(Tools::instance()->startProcess(name), result);

    const QString lookup = running && !withDirectory ? kRunning : kNotRunning;
    QCOMPARE(loggedLines(), QStringList { otherLine(name + lookup) });
    if (starts) {
        // Its single argument is the name it was started by.
        QTRY_COMPARE_WITH_TIMEOUT(fileBytes(marker()), QFile::encodeName(name) + '\n', kTimeout);
    } else {
        verifyNothingStarted();
    }
}

void TestProcessControl::pageNamesStayInTheirFolder_data()
{
    // In names: <name> is a program written into the folder, into its sub-folder <name>.d and
    // into a folder outside, reached as <out> (relative) or <abs> (absolute); <nul> is U+0000.
    QTest::addColumn<bool>("download");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("started");

    for (const bool download : { false, true }) {
        const char *const folder = download ? "update" : "local";
        const auto row = [folder](const char *what) -> QTestData & {
            return QTest::addRow("%s: %s", folder, what);
        };
        row("file name") << download << "<name>"
                         << "<name>";
        row("sub-folder") << download << "<name>.d/<name>"
                          << "<name>.d/<name>";
        row("dot segments staying inside") << download << "<name>.d/../<name>"
                                           << "<name>";
        row("climbing out") << download << "<out>/<name>" << QString();
        row("down, then out") << download << "<name>.d/../<out>/<name>" << QString();
        row("absolute path") << download << "<abs>/<name>" << QString();
        row("empty") << download << QString() << QString();
        row("dot dot") << download << ".." << QString();
        row("NUL") << download << "<name><nul>" << QString();
        row("link inside to a program outside") << download << "<name>.link" << QString();
    }
}

// Names from pages: a program inside the folder starts, anything that leads elsewhere is refused.
void TestProcessControl::pageNamesStayInTheirFolder()
{
    QFETCH(bool, download);
    QFETCH(QString, name);
    QFETCH(QString, started);
    const QString folder
        = download ? DirHelper::instance()->downloadPath() : QCoreApplication::applicationDirPath();
    const QString suffix = download ? Platform::executableSuffix : QString();
    const QString outside = m_temp->filePath(QStringLiteral("outside"));
    const auto expand = [&](QString text) {
        return text.replace(QStringLiteral("<name>"), m_name)
            .replace(QStringLiteral("<nul>"), QString(QChar(0)))
            .replace(QStringLiteral("<out>"), QDir(folder).relativeFilePath(outside))
            .replace(QStringLiteral("<abs>"), outside);
    };
    const QString subFolder = folder + QLatin1Char('/') + m_name + QStringLiteral(".d");
    const QString link = folder + QLatin1Char('/') + m_name + QStringLiteral(".link") + suffix;
    m_createdOutsideTemp << folder + QLatin1Char('/') + m_name + suffix << subFolder << link;
    QFile::remove(link);
    QVERIFY(QFile::link(outside + QLatin1Char('/') + m_name + suffix, link));
    for (const QString &place : { folder, subFolder, outside })
        QVERIFY(writeMarkerProgram(place + QLatin1Char('/') + m_name + suffix, marker()));
    const QString pageName = expand(name);
    loggedLines().clear();

    Tools *tools = Tools::instance();
    if (download)
        QCOMPARE(tools->startUpdate(pageName), !started.isEmpty());
    else
        tools->startLocalProcess(pageName);

    if (started.isEmpty()) {
        QCOMPARE(loggedLines(), QStringList { otherLine(QStringLiteral("拒绝启动 ") + pageName) });
        verifyNothingStarted();
    } else {
        const QString path = folder + QLatin1Char('/') + expand(started) + suffix;
        QCOMPARE(loggedLines(), QStringList { otherLine(path + kNotRunning) });
        QTRY_COMPARE_WITH_TIMEOUT(fileBytes(marker()), QFile::encodeName(path) + '\n', kTimeout);
    }
}

void TestProcessControl::quitAppClosesWindowsBeforeLeavingLoop()
{
    Tools *tools = Tools::instance();
    QSignalSpy closeAll(tools, &Tools::sgCloseAllWindows);
    QStringList events;
    QObject context;
    connect(tools, &Tools::sgCloseAllWindows, &context,
        [&events] { events << QStringLiteral("windows closed"); });
    connect(qApp, &QCoreApplication::aboutToQuit, &context,
        [&events] { events << QStringLiteral("loop left"); });

    QTimer::singleShot(0, tools, &Tools::quitApp);
    QCOMPARE(runApplicationLoop(kTimeout, kWatchdogExit), 0);

    QCOMPARE(
        events, QStringList({ QStringLiteral("windows closed"), QStringLiteral("loop left") }));
    QCOMPARE(closeAll.count(), 1);
    QCOMPARE(loggedLines().count(clickLine(QStringLiteral("退出主进程"))), 1);
}

void TestProcessControl::restartAppStartsProgramAgain()
{
    QProcess child;
    child.setProcessEnvironment(childEnvironment(kRestartChild));
    child.start(QCoreApplication::applicationFilePath(), QStringList());

    QVERIFY(child.waitForFinished(2 * kTimeout));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    QVERIFY(QString::fromUtf8(child.readAllStandardError())
            .contains(clickLine(QStringLiteral("退出主进程"))));
    // Started by its own path, with that path as its single argument.
    QTRY_COMPARE_WITH_TIMEOUT(
        fileBytes(marker()), QFile::encodeName(QCoreApplication::applicationFilePath()), kTimeout);
}

void TestProcessControl::reinstall_data()
{
    QTest::addColumn<bool>("installerFound");

    QTest::newRow("installer on the search path") << true;
    QTest::newRow("no installer") << false;
}

void TestProcessControl::reinstall()
{
    QFETCH(bool, installerFound);
    const QString bin = m_temp->filePath(QStringLiteral("bin"));
    putOnSearchPath(bin);
    const QString installer = QStringLiteral("marvolt_install") + Platform::executableSuffix;
    if (installerFound)
        QVERIFY(writeMarkerProgram(bin + QLatin1Char('/') + installer, marker()));
    UrlRecorder browser;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
    // Qt 6 warns of a handler destroyed while registered: the handlers go before browser does,
    // on every way out of the test.
    const auto unregister = qScopeGuard([] {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    });
    Tools *tools = Tools::instance();
    QSignalSpy closeAll(tools, &Tools::sgCloseAllWindows);

    QTimer::singleShot(0, tools, &Tools::reinstall);
    QCOMPARE(runApplicationLoop(kTimeout, kWatchdogExit), 0);

    QCOMPARE(closeAll.count(), 1);
    if (installerFound) {
        QTRY_COMPARE_WITH_TIMEOUT(fileBytes(marker()), installer.toUtf8() + '\n', kTimeout);
        QCOMPARE(browser.urls(), QList<QUrl>());
    } else {
        const QUrl page = browser.urls().value(0);
        QCOMPARE(browser.urls().size(), 1);
        QCOMPARE(page.scheme(), QStringLiteral("https"));
        QVERIFY(page.host().endsWith(QStringLiteral("corvela.example")));
    }
}

void TestProcessControl::setMute_data()
{
    QTest::addColumn<bool>("silence");

    QTest::newRow("mute") << true;
    QTest::newRow("unmute") << false;
}

void TestProcessControl::setMute()
{
    QFETCH(bool, silence);
    QSignalSpy muted(Tools::instance(), &Tools::sgMuteBrowsers);

    Tools::instance()->setMute(silence);

    QCOMPARE(muted.count(), 1);
    QCOMPARE(muted.first().first().toBool(), silence);
}

// The identifier is built from the words the kernel reads too: family, model and stepping in
// EAX, the floating-point unit in bit 0 of EDX.
void TestProcessControl::getCpuID()
{
    quint32 eax = 0;
    quint32 edx = 0;
    const QString id = Tools::instance()->getCpuID();
    if (!Processor::versionAndFeatures(&eax, &edx)) {
        QCOMPARE(id, QString());
        QSKIP("No processor identification instruction here");
    }
    QVERIFY2(
        QRegularExpression(QStringLiteral("^[0-9A-F]+$")).match(id).hasMatch(), qPrintable(id));
    QCOMPARE(id, SystemRules::cpuId(edx, eax));

    QMap<QString, QString> info;
    const QStringList lines
        = QString::fromUtf8(fileBytes(QStringLiteral("/proc/cpuinfo"))).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const int colon = line.indexOf(QLatin1Char(':'));
        const QString key = line.left(colon).trimmed();
        if (colon > 0 && !info.contains(key))
            info.insert(key, line.mid(colon + 1).trimmed());
    }
    if (!info.contains(QStringLiteral("cpu family")))
        QSKIP("The kernel does not describe the processor");
    uint family = (eax >> 8) & 0xF;
    if (family == 0xF)
        family += (eax >> 20) & 0xFF;
    uint model = (eax >> 4) & 0xF;
    if (family >= 6)
        model += ((eax >> 16) & 0xF) << 4;
    QCOMPARE(info.value(QStringLiteral("cpu family")).toUInt(), family);
    QCOMPARE(info.value(QStringLiteral("model")).toUInt(), model);
    QCOMPARE(info.value(QStringLiteral("stepping")).toUInt(), eax & 0xF);
    const QStringList flags = info.value(QStringLiteral("flags")).split(QLatin1Char(' '));
    QCOMPARE(flags.contains(QStringLiteral("fpu")), bool(edx & 1));
}

void TestProcessControl::removeFile_data()
{
    QTest::addColumn<PathEntry>("entry");
    QTest::addColumn<bool>("remains");

    QTest::newRow("file") << PlainFile << false;
    QTest::newRow("missing") << Missing << false;
    // What is written at the path next must not land at the link's target.
    QTest::newRow("link to a missing file") << DanglingLink << false;
    QTest::newRow("link to a file elsewhere") << LinkToFile << false;
    QTest::newRow("folder") << Folder << true;
}

void TestProcessControl::removeFile()
{
    QFETCH(PathEntry, entry);
    QFETCH(bool, remains);
    const QString folder = m_temp->filePath(QStringLiteral("download"));
    const QString path = folder + QStringLiteral("/game.zip");
    const QString sibling = folder + QStringLiteral("/other.zip");
    const QString target = m_temp->filePath(QStringLiteral("elsewhere/game.zip"));
    QVERIFY(writeFile(sibling, "other"));
    QVERIFY(QDir().mkpath(QFileInfo(target).path()));
    switch (entry) {
    case PlainFile:
        QVERIFY(writeFile(path, "zip"));
        break;
    case Missing:
        break;
    case LinkToFile:
        QVERIFY(writeFile(target, "zip"));
        QVERIFY(QFile::link(target, path));
        break;
    case DanglingLink:
        QVERIFY(QFile::link(target, path));
        break;
    case Folder:
        QVERIFY(writeFile(path + QStringLiteral("/inside"), "inside"));
        break;
    }
    const bool targetExisted = QFileInfo::exists(target);

    Tools::instance()->removeFile(path);

    QCOMPARE(QFileInfo(path).exists() || QFileInfo(path).isSymLink(), remains);
    QCOMPARE(QFileInfo::exists(target), targetExisted);
    QCOMPARE(fileBytes(sibling), QByteArray("other"));
    if (entry == Folder)
        QVERIFY(QFileInfo::exists(path + QStringLiteral("/inside")));
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet(kChildVariable))
        return childMain(argc, argv);

    // The data folders, the download folder among them, belong to this run alone.
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toUtf8());
    QCoreApplication app(argc, argv);
    TestProcessControl test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_processcontrol.moc"
