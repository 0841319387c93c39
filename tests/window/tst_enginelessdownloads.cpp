#include "app/dirhelper.h"
#include "cef/cefbrowser.h"
#include "cef/qcefclient.h"
#include "debugcapture.h"
#include "downloadreports.h"
#include "enginetest.h"
#include "fakedownload.h"
#include "fakeengine.h"
#include "fakeshell.h"
#include "window/qcefview.h"

#include <QJsonDocument>
#include <QJsonObject>

using DownloadReports::said;
using DownloadReports::succeeded;
using DownloadReports::told;

namespace {

// The test installation trusts the loopback address.
const QString kSite = QStringLiteral("http://127.0.0.1:8");

} // namespace

// Downloads of the windows' pages on the fake engine: where the file goes,
// which downloads are refused, what progress the client tells, and the pushes
// that reach the page of the window that downloads.
class TestEnginelessDownloads : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void targetIsASafeNameInTheDownloadFolder_data();
    void targetIsASafeNameInTheDownloadFolder();
    void filesOfOthersGetANewNameBeside_data();
    void filesOfOthersGetANewNameBeside();
    void progressIsToldInWholePercentagesOnChange_data();
    void progressIsToldInWholePercentagesOnChange();
    void sameNameReplacesTheEarlierFile();
    void pagesOfUntrustedSitesDownloadNothing();
    void earlierFileStaysAndThePushNamesTheNewOne();
    void lastPercentageIsNotToldAgainForALaterDownload();
    void unknownSizeTellsNothingUntilTheEnd();
    void pushesReachThePageOfTheDownloadingWindow();
    void anyNameReachesThePageAsItself_data();
    void anyNameReachesThePageAsItself();

private:
    // The page of a new window at kSite, and a spy on what its client tells of downloads.
    FakePage *open(const QString &name, const QString &site = kSite);
    QSignalSpy *spyOnDownloads(const QString &name);
    // The whole download of suggestedName: the bytes come, and it completes.
    FakeDownload *download(FakePage &page, const QString &suggestedName, const QByteArray &body);
    QString downloaded(const QString &name) const;
    QStringList files() const;
    // The push objects the page of a window got, as the shell wrote them.
    QStringList pushesTo(const QString &name) const;

    FakeShell m_shell;
    QString m_folder;
    QStringList m_opened;
    std::unique_ptr<QSignalSpy> m_downloads;
};

void TestEnginelessDownloads::initTestCase()
{
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QVERIFY(m_shell.start());
    m_shell.profile()->setServing(true);
    m_folder = DirHelper::instance()->downloadPath();
    QVERIFY(QDir(m_folder).exists());
}

void TestEnginelessDownloads::cleanup()
{
    m_downloads.reset();
    QVERIFY(m_shell.scene().closeWindows(m_opened));
    m_opened.clear();
    QDir(m_folder).removeRecursively();
    QDir().mkpath(m_folder);
}

FakePage *TestEnginelessDownloads::open(const QString &name, const QString &site)
{
    m_opened.append(name);
    m_shell.windows()->openWindow(name, QString(), QString(),
        site + QStringLiteral("/page.html?") + name, QStringLiteral("0,0,300,200"), QString(),
        QString(), QString(), QString(), QString());
    FakePage *page = m_shell.waitForPage(name);
    return page && QTest::qWaitFor([page] { return page->finishedLoads() > 0; }) ? page : nullptr;
}

QSignalSpy *TestEnginelessDownloads::spyOnDownloads(const QString &name)
{
    m_downloads = std::make_unique<QSignalSpy>(
        m_shell.windows()->findWindow(name)->client.data(), &QCefClient::sgDownload);
    return m_downloads.get();
}

FakeDownload *TestEnginelessDownloads::download(
    FakePage &page, const QString &suggestedName, const QByteArray &body)
{
    FakeDownload *download
        = page.startDownload(QUrl(kSite + QStringLiteral("/file")), suggestedName, body.size());
    download->receive(body);
    download->complete();
    return download;
}

QString TestEnginelessDownloads::downloaded(const QString &name) const
{
    QFile file(m_folder + QLatin1Char('/') + name);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

QStringList TestEnginelessDownloads::files() const
{
    return QDir(m_folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QStringList TestEnginelessDownloads::pushesTo(const QString &name) const
{
    QStringList pushes;
    const FakePage *page = m_shell.pageOf(name);
    for (const QString &script : page ? page->scripts() : QStringList()) {
        if (script.startsWith(QLatin1String("qtSlots(")) && script.endsWith(QLatin1Char(')')))
            pushes.append(script.mid(8, script.size() - 9));
    }
    return pushes;
}

void TestEnginelessDownloads::targetIsASafeNameInTheDownloadFolder_data()
{
    QTest::addColumn<QString>("suggested");
    QTest::addColumn<QString>("name");
    QTest::newRow("ordinary") << QStringLiteral("setup.v2.exe") << QStringLiteral("setup.v2.exe");
    QTest::newRow("climbing out") << QStringLiteral("../../.bashrc") << QStringLiteral("bashrc");
    QTest::newRow("absolute") << QStringLiteral("/etc/x") << QStringLiteral("x");
    QTest::newRow("in a folder") << QStringLiteral("a/b.txt") << QStringLiteral("b.txt");
    QTest::newRow("other system's separator")
        << QStringLiteral("..\\..\\win.ini") << QStringLiteral("win.ini");
    QTest::newRow("empty") << QString() << QStringLiteral("download");
    QTest::newRow("dot") << QStringLiteral(".") << QStringLiteral("download");
    QTest::newRow("dot dot") << QStringLiteral("..") << QStringLiteral("download");
    QTest::newRow("ends in dot dot") << QStringLiteral("a/..") << QStringLiteral("download");
    QTest::newRow("ends in separator") << QStringLiteral("a/") << QStringLiteral("download");
    QTest::newRow("NUL") << QStringLiteral("a") + QChar(0) + QStringLiteral(".exe")
                         << QStringLiteral("download");
}

void TestEnginelessDownloads::targetIsASafeNameInTheDownloadFolder()
{
    QFETCH(QString, suggested);
    QFETCH(QString, name);
    FakePage *page = open(QStringLiteral("app"));
    QVERIFY(page);
    const FakeDownload *landed = download(*page, suggested, "safe");
    QCOMPARE(QFileInfo(landed->path()).absolutePath(), m_folder);
    QCOMPARE(files(), QStringList { name });
    QCOMPARE(downloaded(name), QStringLiteral("safe"));
}

// A file the player or another program put there, or one still arriving,
// is never replaced: the download takes a new name beside it.
void TestEnginelessDownloads::filesOfOthersGetANewNameBeside_data()
{
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("suggested");
    QTest::addColumn<QString>("landsAs");
    QTest::newRow("extension") << QStringList { "update.sh" } << "update.sh"
                               << "update (1).sh";
    QTest::newRow("next free") << QStringList { "a.zip", "a (1).zip" } << "a.zip"
                               << "a (2).zip";
    QTest::newRow("double extension") << QStringList { "game.tar.gz" } << "game.tar.gz"
                                      << "game (1).tar.gz";
    QTest::newRow("none") << QStringList { "notes" } << "notes"
                          << "notes (1)";
    QTest::newRow("leading dot") << QStringList { "profile" } << ".profile"
                                 << "profile (1)";
    QTest::newRow("still arriving") << QStringList { ".x.bin.part" } << "x.bin"
                                    << "x (1).bin";
}

void TestEnginelessDownloads::filesOfOthersGetANewNameBeside()
{
    QFETCH(QStringList, present);
    QFETCH(QString, suggested);
    QFETCH(QString, landsAs);
    for (const QString &name : std::as_const(present)) {
        QFile file(m_folder + QLatin1Char('/') + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    FakePage *page = open(QStringLiteral("app"));
    QVERIFY(page);
    download(*page, suggested, "new");
    QCOMPARE(downloaded(landsAs), QStringLiteral("new"));
    for (const QString &name : std::as_const(present))
        QCOMPARE(downloaded(name), QString());
    QCOMPARE(files().size(), present.size() + 1);
}

void TestEnginelessDownloads::progressIsToldInWholePercentagesOnChange_data()
{
    QTest::addColumn<QStringList>("updates");
    QTest::addColumn<QStringList>("told");
    const QStringList quarters { "250/1000", "500/1000", "750/1000", "1000/1000 done" };
    QTest::newRow("quarters") << quarters
                              << QStringList { "25 setup", "50 setup", "75 setup", "100 setup",
                                     "Succeed/-1 setup" };
    QTest::newRow("truncated, told on change")
        << QStringList { "19/1000", "15/1000", "9/1000", "10/1000", "29/1000", "999/1000" }
        << QStringList { "1 setup", "0 setup", "1 setup", "2 setup", "99 setup" };
    QTest::newRow("beyond 32 bits")
        << QStringList { "4294967296/8589934592", "8589934592/8589934592 done" }
        << QStringList { "50 setup", "100 setup", "Succeed/-1 setup" };
    QTest::newRow("unknown size") << QStringList { "100/-1", "300/0", "300/-1 done" }
                                  << QStringList { "Succeed/-1 setup" };
    QTest::newRow("a second download from the start")
        << QStringList { "1000/1000 done", "0/1000", "2000/2000 done" }
        << QStringList { "100 setup", "Succeed/-1 setup", "0 setup", "100 setup",
               "Succeed/-1 setup" };
    const QStringList twice { "1000/1000 done", "1000/1000 done" };
    QTest::newRow("a second download from where the first ended")
        << twice << QStringList { "100 setup", "Succeed/-1 setup", "Succeed/-1 setup" };
}

// "250/1000" are the engine's counts of the download going on, or of a new one once the one
// before is done; "done" completes it.
void TestEnginelessDownloads::progressIsToldInWholePercentagesOnChange()
{
    QFETCH(QStringList, updates);
    QFETCH(QStringList, told);
    FakePage *page = open(QStringLiteral("app"));
    QVERIFY(page);
    const QSignalSpy *downloads = spyOnDownloads(QStringLiteral("app"));
    FakeDownload *download = nullptr;
    for (const QString &text : std::as_const(updates)) {
        const QStringList parts = text.split(QLatin1Char(' '));
        const QStringList bytes = parts.at(0).split(QLatin1Char('/'));
        if (!download || download->state() != EngineDownload::State::InProgress) {
            download = page->startDownload(QUrl(kSite + QStringLiteral("/setup")),
                QStringLiteral("setup.v2.exe"), bytes.at(1).toLongLong());
        }
        download->count(bytes.at(0).toLongLong(), bytes.at(1).toLongLong());
        if (parts.value(1) == QLatin1String("done"))
            download->complete();
    }
    QCOMPARE(said(*downloads), told);
}

void TestEnginelessDownloads::sameNameReplacesTheEarlierFile()
{
    FakePage *page = open(QStringLiteral("app"));
    QVERIFY(page);
    const QSignalSpy *downloads = spyOnDownloads(QStringLiteral("app"));
    download(*page, QStringLiteral("same.bin"), "first and longer");
    download(*page, QStringLiteral("same.bin"), "second");
    QCOMPARE(said(*downloads).last(), QStringLiteral("Succeed/-1 same"));
    QCOMPARE(succeeded(*downloads), 2);
    QCOMPARE(files(), QStringList { "same.bin" });
    QCOMPARE(downloaded(QStringLiteral("same.bin")), QStringLiteral("second"));
}

void TestEnginelessDownloads::pagesOfUntrustedSitesDownloadNothing()
{
    const QString foreign = QStringLiteral("http://foreign.localhost:8");
    FakePage *page = open(QStringLiteral("app"), foreign);
    QVERIFY(page);
    DebugCapture debug;
    const FakeDownload *refused = page->startDownload(
        QUrl(kSite + QStringLiteral("/refused")), QStringLiteral("refused.bin"), 7);
    QCOMPARE(refused->state(), EngineDownload::State::Cancelled);
    QCOMPARE(debug.lines().filter(QStringLiteral("download refused from")),
        QStringList {
            QStringLiteral("[OtherType]  [Other_Type] download refused from ") + foreign });
    QCOMPARE(files(), QStringList());
}

// The player's own update.sh stays; the push names the file that landed.
void TestEnginelessDownloads::earlierFileStaysAndThePushNamesTheNewOne()
{
    QFile earlier(m_folder + QStringLiteral("/update.sh"));
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("players");
    earlier.close();
    FakePage *page = open(QStringLiteral("app"));
    QVERIFY(page);
    const QSignalSpy *downloads = spyOnDownloads(QStringLiteral("app"));

    download(*page, QStringLiteral("update.sh"), "portal's");
    QCOMPARE(succeeded(*downloads), 1);
    QCOMPARE(said(*downloads).last(), QStringLiteral("Succeed/-1 update (1)"));
    QCOMPARE(downloaded(QStringLiteral("update.sh")), QStringLiteral("players"));
    QCOMPARE(downloaded(QStringLiteral("update (1).sh")), QStringLiteral("portal's"));
}

// The change test spans the browser's downloads: a second download that
// reaches 100 at once after a first that ended at 100 tells only its end.
void TestEnginelessDownloads::lastPercentageIsNotToldAgainForALaterDownload()
{
    FakePage *page = open(QStringLiteral("app"));
    QVERIFY(page);
    const QSignalSpy *downloads = spyOnDownloads(QStringLiteral("app"));
    FakeDownload *stepped = page->startDownload(
        QUrl(kSite + QStringLiteral("/stepped")), QStringLiteral("twice.bin"), 1000);
    stepped->receive(QByteArray(500, 's'));
    stepped->receive(QByteArray(500, 's'));
    stepped->complete();
    QCOMPARE(said(*downloads), QStringList({ "50 twice", "100 twice", "Succeed/-1 twice" }));

    download(*page, QStringLiteral("twice.bin"), QByteArray(1000, 'w'));
    QCOMPARE(said(*downloads).mid(3), QStringList { "Succeed/-1 twice" });
    QCOMPARE(downloaded(QStringLiteral("twice.bin")), QString(1000, QLatin1Char('w')));
}

// No percentage exists while the size is unknown. Once all has come the
// engine knows it, and the end is told as for any download.
void TestEnginelessDownloads::unknownSizeTellsNothingUntilTheEnd()
{
    FakePage *page = open(QStringLiteral("app"));
    QVERIFY(page);
    const QSignalSpy *downloads = spyOnDownloads(QStringLiteral("app"));
    FakeDownload *unsized = page->startDownload(
        QUrl(kSite + QStringLiteral("/unsized")), QStringLiteral("unsized.bin"), -1);
    for (int step = 0; step < 4; ++step) {
        unsized->receive(QByteArray(250, 'u'));
        QCOMPARE(downloads->count(), 0);
    }
    unsized->count(1000, 1000);
    unsized->complete();
    QCOMPARE(said(*downloads), QStringList({ "100 unsized", "Succeed/-1 unsized" }));
    QCOMPARE(downloaded(QStringLiteral("unsized.bin")), QString(1000, QLatin1Char('u')));
}

void TestEnginelessDownloads::pushesReachThePageOfTheDownloadingWindow()
{
    QVERIFY(open(QStringLiteral("bystander")));
    FakePage *page = open(QStringLiteral("downloader"));
    QVERIFY(page);
    FakeDownload *setup = page->startDownload(
        QUrl(kSite + QStringLiteral("/setup")), QStringLiteral("setup.v2.exe"), 1000);
    for (const char part : { 'w', 'x', 'y', 'z' })
        setup->receive(QByteArray(250, part));
    setup->complete();

    QCOMPARE(pushesTo(QStringLiteral("downloader")),
        QStringList({ "{\"Download\":\"setup\",\"Progress\":\"25\"}",
            "{\"Download\":\"setup\",\"Progress\":\"50\"}",
            "{\"Download\":\"setup\",\"Progress\":\"75\"}",
            "{\"Download\":\"setup\",\"Progress\":\"100\"}",
            "{\"Download\":\"setup\",\"State\":\"Succeed\"}" }));
    QVERIFY(pushesTo(QStringLiteral("bystander")).isEmpty());
    QCOMPARE(downloaded(QStringLiteral("setup.v2.exe")),
        QString(250, 'w') + QString(250, 'x') + QString(250, 'y') + QString(250, 'z'));
}

void TestEnginelessDownloads::anyNameReachesThePageAsItself_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("ordinary") << QStringLiteral("setup");
    QTest::newRow("quotes and backslash") << QStringLiteral("it's \"q\" \\");
    QTest::newRow("script") << QStringLiteral("\"});callQML('pusher','','injected');({\"");
    QTest::newRow("line separators") << QStringLiteral("a") + QChar(0x2028) + QStringLiteral("\nb");
}

// Pushes go in as JSON strings: the page gets the name, and no script of it.
// An ordinary name gives the very text pages have always had.
void TestEnginelessDownloads::anyNameReachesThePageAsItself()
{
    QFETCH(QString, name);
    QVERIFY(open(QStringLiteral("pusher")));
    const WindowRecord *record = m_shell.windows()->findWindow(QStringLiteral("pusher"));
    QCefView *windows = m_shell.windows();
    windows->onDownload(record->client->getBrowser(), 7, QStringLiteral("Downloading"), name);
    windows->onDownload(record->client->getBrowser(), -1, QStringLiteral("Succeed"), name);
    windows->onDownload(record->client->getBrowser(), -1, QStringLiteral("Failed"), name);

    const QStringList pushes = pushesTo(QStringLiteral("pusher"));
    QCOMPARE(pushes.count(), 3);
    QJsonParseError error;
    const QJsonObject progress = QJsonDocument::fromJson(pushes.at(0).toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonObject succeed = QJsonDocument::fromJson(pushes.at(1).toUtf8()).object();
    const QJsonObject failed = QJsonDocument::fromJson(pushes.at(2).toUtf8()).object();
    QCOMPARE(progress.keys(), QStringList({ "Download", "Progress" }));
    QCOMPARE(progress.value("Download").toString(), name);
    QCOMPARE(progress.value("Progress").toString(), QStringLiteral("7"));
    QCOMPARE(succeed.keys(), QStringList({ "Download", "State" }));
    QCOMPARE(succeed.value("Download").toString(), name);
    QCOMPARE(succeed.value("State").toString(), QStringLiteral("Succeed"));
    QCOMPARE(failed.value("Download").toString(), name);
    QCOMPARE(failed.value("State").toString(), QStringLiteral("Failed"));
    if (name == QLatin1String("setup")) {
        QCOMPARE(pushes,
            QStringList({ "{\"Download\":\"setup\",\"Progress\":\"7\"}",
                "{\"Download\":\"setup\",\"State\":\"Succeed\"}",
                "{\"Download\":\"setup\",\"State\":\"Failed\"}" }));
    }
}

LUMEN_ENGINE_TEST_MAIN(TestEnginelessDownloads)
#include "tst_enginelessdownloads.moc"
