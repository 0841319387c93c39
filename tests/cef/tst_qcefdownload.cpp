#include "app/dirhelper.h"
#include "cef/cefbrowser.h"
#include "cef/cefdownloaditem.h"
#include "cef/qcefapp.h"
#include "cef/qcefclient.h"
#include "debugcapture.h"
#include "enginetest.h"
#include "testdownloadserver.h"
#include "testhttpserver.h"

#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

#include <algorithm>
#include <functional>

namespace {

constexpr int kEngineTimeout = 20000;

const QByteArray kPlainType = "application/octet-stream";

// What each sgDownload said, as "25 setup" while downloading and
// "Succeed/-1 setup" at the end.
QStringList reports(const QSignalSpy &downloads)
{
    QStringList said;
    for (const QList<QVariant> &signal : downloads) {
        const QString state = signal.at(2).toString();
        const QString what = state == QLatin1String("Downloading")
            ? QString::number(signal.at(1).toInt())
            : state + QLatin1Char('/') + QString::number(signal.at(1).toInt());
        said.append(what + QLatin1Char(' ') + signal.at(3).toString());
    }
    return said;
}

// The percentages told while downloading.
QList<int> told(const QSignalSpy &downloads)
{
    QList<int> percentages;
    for (const QList<QVariant> &signal : downloads) {
        if (signal.at(2).toString() == QLatin1String("Downloading"))
            percentages.append(signal.at(1).toInt());
    }
    return percentages;
}

int succeeded(const QSignalSpy &downloads)
{
    return int(std::count_if(downloads.cbegin(), downloads.cend(),
        [](const QList<QVariant> &signal) { return signal.at(2).toString() == "Succeed"; }));
}

bool rising(const QList<int> &percentages)
{
    return std::adjacent_find(percentages.cbegin(), percentages.cend(), std::greater_equal<int>())
        == percentages.cend();
}

// A response the engine takes for a download without sniffing its body first.
QList<QPair<QByteArray, QByteArray>> attachmentHeaders(const QByteArray &disposition)
{
    return { { "Content-Type", kPlainType }, { "X-Content-Type-Options", "nosniff" },
        { "Content-Disposition", disposition } };
}

// "250/1000" is an update with 250 of 1000 bytes; "done" marks the complete one.
CefDownloadItem update(const QString &text, const QString &fullPath)
{
    const QStringList parts = text.split(QLatin1Char(' '));
    const QStringList bytes = parts.at(0).split(QLatin1Char('/'));
    return CefDownloadItem(fullPath, bytes.at(0).toLongLong(), bytes.at(1).toLongLong(),
        parts.value(1) == QLatin1String("done"));
}

} // namespace

// Downloads of a browser's page, as its client handles them: where the file
// goes, what progress it tells, for which browser.
class TestQCefDownload : public QObject
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

    void downloadRisesTo100ThenSucceedsOnce();
    void sameNameReplacesTheEarlierFile();
    void brokenDownloadLeavesTheEarlierFile();
    void downloadFromAServerThatWentEndsInFailure();
    void pagesOfUntrustedSitesDownloadNothing();
    void addressesOfUntrustedSitesDownloadNothing_data();
    void addressesOfUntrustedSitesDownloadNothing();
    void earlierFileStaysAndThePushNamesTheNewOne();
    void lastPercentageIsNotToldAgainForALaterDownload();
    void unknownSizeTellsNothingUntilTheEnd();
    void namesFromServerAndPageStayInTheFolder_data();
    void namesFromServerAndPageStayInTheFolder();

private:
    QCefClient *openBrowser();
    void startDownload(const QString &path);
    QWebEngineDownloadRequest *waitForRequest();
    void stepThrough(
        const QString &path, const QList<int> &percentages, const QSignalSpy &downloads);
    QString downloaded(const QString &name) const;

    QCefEngine m_engine { realEngine() };
    TestHttpServer m_pages;
    TestDownloadServer m_server;
    QString m_folder;
    QList<CefRefPtr<QCefClient>> m_clients;
    QPointer<QWebEngineDownloadRequest> m_requested;
};

void TestQCefDownload::initTestCase()
{
    QVERIFY(m_pages.listen());
    QVERIFY(m_server.listen());
    m_pages.setPage(QStringLiteral("/page.html"), "<html><body>page</body></html>");
    m_pages.setPage(QStringLiteral("/blob.html"), R"(<html><body><script>
var a = document.createElement('a');
a.href = URL.createObjectURL(new Blob(['#!/bin/sh'], { type: 'text/plain' }));
a.download = 'update.sh';
document.body.appendChild(a);
a.click();
</script></body></html>)");
    int argc = 0;
    QCOMPARE(m_engine.initialize(argc, nullptr), -1);
    m_folder = DirHelper::instance()->downloadPath();
    QVERIFY(QDir(m_folder).exists());
    // The test watches the engine's item beside the browser, after it.
    QWebEngineProfile *profile = engineProfile(m_engine);
    connect(profile, &QWebEngineProfile::downloadRequested, this,
        [this](QWebEngineDownloadRequest *download) { m_requested = download; });
}

void TestQCefDownload::cleanup()
{
    for (const CefRefPtr<QCefClient> &client : std::as_const(m_clients)) {
        if (client->getBrowser())
            client->getBrowser()->closeBrowser();
    }
    m_clients.clear();
    m_requested.clear();
    QDir(m_folder).removeRecursively();
    QDir().mkpath(m_folder);
}

QCefClient *TestQCefDownload::openBrowser()
{
    const CefRefPtr<QCefClient> client = m_engine.app()->createBrowser(
        QStringLiteral("app"), false, m_pages.url(QStringLiteral("/page.html")), 400, 300);
    m_clients.append(client);
    QSignalSpy loadEnds(client.data(), &QCefClient::sgLoadEnd);
    if (!loadEnds.wait(kEngineTimeout))
        return nullptr;
    return client.data();
}

// From another origin than the page's: the address alone starts the download.
void TestQCefDownload::startDownload(const QString &path)
{
    m_clients.last()->getBrowser()->executeJavaScript(
        QStringLiteral("location.href = '%1'").arg(m_server.url(path)));
}

QWebEngineDownloadRequest *TestQCefDownload::waitForRequest()
{
    return QTest::qWaitFor([this] { return !m_requested.isNull(); }, kEngineTimeout)
        ? m_requested.data()
        : nullptr;
}

// One step at a time, each once its percentage has been told. A step may
// reach the engine in pieces, each told on its own.
void TestQCefDownload::stepThrough(
    const QString &path, const QList<int> &percentages, const QSignalSpy &downloads)
{
    for (const int percentage : percentages) {
        QVERIFY(m_server.sendStep(path));
        QTRY_VERIFY_WITH_TIMEOUT(told(downloads).contains(percentage), kEngineTimeout);
    }
    QTRY_VERIFY_WITH_TIMEOUT(succeeded(downloads) > 0, kEngineTimeout);
}

QString TestQCefDownload::downloaded(const QString &name) const
{
    QFile file(m_folder + QLatin1Char('/') + name);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

void TestQCefDownload::targetIsASafeNameInTheDownloadFolder_data()
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

void TestQCefDownload::targetIsASafeNameInTheDownloadFolder()
{
    QFETCH(QString, suggested);
    QFETCH(QString, name);
    QCefClient client;
    QCOMPARE(client.OnBeforeDownload(suggested), m_folder + QLatin1Char('/') + name);
}

// A file the player or another program put there, or one still arriving,
// is never replaced: the download takes a new name beside it.
void TestQCefDownload::filesOfOthersGetANewNameBeside_data()
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

void TestQCefDownload::filesOfOthersGetANewNameBeside()
{
    QFETCH(QStringList, present);
    QFETCH(QString, suggested);
    QFETCH(QString, landsAs);
    for (const QString &name : std::as_const(present)) {
        QFile file(m_folder + QLatin1Char('/') + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QCefClient client;
    QCOMPARE(client.OnBeforeDownload(suggested), m_folder + QLatin1Char('/') + landsAs);
}

void TestQCefDownload::progressIsToldInWholePercentagesOnChange_data()
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

void TestQCefDownload::progressIsToldInWholePercentagesOnChange()
{
    QFETCH(QStringList, updates);
    QFETCH(QStringList, told);
    QCefClient client;
    QSignalSpy downloads(&client, &QCefClient::sgDownload);
    const CefRefPtr<CefBrowser> browser;
    for (const QString &text : std::as_const(updates))
        client.OnDownloadUpdated(browser, update(text, QStringLiteral("/data/setup.v2.exe")));
    QCOMPARE(reports(downloads), told);
}

void TestQCefDownload::downloadRisesTo100ThenSucceedsOnce()
{
    QCefClient *bystander = openBrowser();
    QVERIFY(bystander);
    QSignalSpy bystanderDownloads(bystander, &QCefClient::sgDownload);
    QCefClient *client = openBrowser();
    QVERIFY(client);
    const QByteArray body
        = QByteArray(250, 'a') + QByteArray(250, 'b') + QByteArray(250, 'c') + QByteArray(250, 'd');
    m_server.setDownload(QStringLiteral("/setup"),
        { body, 250, attachmentHeaders("attachment; filename=\"setup.v2.exe\"") });
    QSignalSpy downloads(client, &QCefClient::sgDownload);

    startDownload(QStringLiteral("/setup"));
    QVERIFY(waitForRequest());
    stepThrough(QStringLiteral("/setup"), { 25, 50, 75, 100 }, downloads);
    QVERIFY2(rising(told(downloads)), qPrintable(reports(downloads).join(", ")));
    QCOMPARE(reports(downloads).mid(downloads.count() - 2),
        QStringList({ "100 setup", "Succeed/-1 setup" }));
    for (const QList<QVariant> &signal : std::as_const(downloads))
        QCOMPARE(signal.at(0).value<CefRefPtr<CefBrowser>>(), client->getBrowser());
    QCOMPARE(downloaded(QStringLiteral("setup.v2.exe")), QString::fromLatin1(body));

    const int count = downloads.count();
    QTest::qWait(1000);
    QCOMPARE(downloads.count(), count);
    QCOMPARE(bystanderDownloads.count(), 0);
}

void TestQCefDownload::sameNameReplacesTheEarlierFile()
{
    QCefClient *client = openBrowser();
    QVERIFY(client);
    QSignalSpy downloads(client, &QCefClient::sgDownload);
    const auto headers = attachmentHeaders("attachment; filename=\"same.bin\"");
    m_server.setDownload(QStringLiteral("/first"), { "first and longer", 0, headers });
    m_server.setDownload(QStringLiteral("/second"), { "second", 0, headers });

    for (const QString &path : { QStringLiteral("/first"), QStringLiteral("/second") }) {
        m_requested.clear();
        const int before = downloads.count();
        startDownload(path);
        QVERIFY(waitForRequest());
        QVERIFY(m_server.sendStep(path));
        QTRY_VERIFY_WITH_TIMEOUT(downloads.count() > before
                && reports(downloads).last() == QLatin1String("Succeed/-1 same"),
            kEngineTimeout);
    }
    QCOMPARE(QDir(m_folder).entryList(QDir::Files | QDir::Hidden), QStringList { "same.bin" });
    QCOMPARE(downloaded(QStringLiteral("same.bin")), QStringLiteral("second"));
}

// The connection breaks halfway: nothing is told as done, the earlier file of
// the name is untouched and no partial file is left.
void TestQCefDownload::brokenDownloadLeavesTheEarlierFile()
{
    QCefClient *client = openBrowser();
    QVERIFY(client);
    QSignalSpy downloads(client, &QCefClient::sgDownload);
    QFile earlier(m_folder + QStringLiteral("/same.bin"));
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier");
    earlier.close();
    m_server.setDownload(QStringLiteral("/broken"),
        { QByteArray(1000, 'b'), 500, attachmentHeaders("attachment; filename=\"same.bin\"") });

    startDownload(QStringLiteral("/broken"));
    QWebEngineDownloadRequest *item = waitForRequest();
    QVERIFY(item);
    QVERIFY(m_server.sendStep(QStringLiteral("/broken")));
    QTRY_VERIFY_WITH_TIMEOUT(told(downloads).contains(50), kEngineTimeout);
    QVERIFY(m_server.breakOff(QStringLiteral("/broken")));
    // The engine keeps trying to resume; the final name is not touched meanwhile.
    QTest::qWait(1000);
    QCOMPARE(downloaded(QStringLiteral("same.bin")), QStringLiteral("earlier"));
    QVERIFY(item);
    item->cancel();
    // Cancelled while resuming, the engine's item keeps its state and tells
    // the end by its reason alone.
    QTRY_VERIFY_WITH_TIMEOUT(!item || item->isFinished()
            || item->interruptReason() != QWebEngineDownloadRequest::NoReason,
        kEngineTimeout);

    QCOMPARE(succeeded(downloads), 0);
    // "same (1)" unless an earlier test of this run landed the player's file.
    QTRY_VERIFY_WITH_TIMEOUT(
        reports(downloads).last().startsWith(QStringLiteral("Failed/-1 same")), kEngineTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(QDir(m_folder).entryList(QDir::Files | QDir::Hidden),
        QStringList { "same.bin" }, kEngineTimeout);
    QCOMPARE(downloaded(QStringLiteral("same.bin")), QStringLiteral("earlier"));
}

// The engine tries to resume a few times and gives up: that is the end.
void TestQCefDownload::downloadFromAServerThatWentEndsInFailure()
{
    QCefClient *client = openBrowser();
    QVERIFY(client);
    QSignalSpy downloads(client, &QCefClient::sgDownload);
    m_server.setDownload(QStringLiteral("/gone"),
        { QByteArray(1000, 'g'), 500, attachmentHeaders("attachment; filename=\"gone.bin\"") });
    startDownload(QStringLiteral("/gone"));
    QVERIFY(waitForRequest());
    QVERIFY(m_server.sendStep(QStringLiteral("/gone")));
    QTRY_VERIFY_WITH_TIMEOUT(told(downloads).contains(50), kEngineTimeout);
    m_server.close();
    QVERIFY(m_server.breakOff(QStringLiteral("/gone")));

    DebugCapture debug;
    QTRY_COMPARE_WITH_TIMEOUT(
        reports(downloads).last(), QStringLiteral("Failed/-1 gone"), 3 * kEngineTimeout);
    QCOMPARE(debug.lines().filter(QStringLiteral("download of gone.bin failed")),
        QStringList { QStringLiteral("[OtherType]  [Other_Type] download of gone.bin failed: The "
                                     "server ended before sending the whole file") });
    QVERIFY(QDir(m_folder).entryList(QDir::Files | QDir::Hidden).isEmpty());
    QVERIFY(m_server.listen());
}

void TestQCefDownload::pagesOfUntrustedSitesDownloadNothing()
{
    const CefRefPtr<QCefClient> client = m_engine.app()->createBrowser(QStringLiteral("app"), false,
        m_pages.url(QStringLiteral("foreign.localhost"), QStringLiteral("/page.html")), 400, 300);
    m_clients.append(client);
    QSignalSpy loadEnds(client.data(), &QCefClient::sgLoadEnd);
    QVERIFY(loadEnds.wait(kEngineTimeout));
    m_server.setDownload(QStringLiteral("/refused"),
        { "refused", 0, attachmentHeaders("attachment; filename=\"refused.bin\"") });

    DebugCapture debug;
    startDownload(QStringLiteral("/refused"));
    QTRY_COMPARE_WITH_TIMEOUT(debug.lines().filter(QStringLiteral("download refused from")),
        QStringList { QStringLiteral("[OtherType]  [Other_Type] download refused from ")
            + m_pages.url(QStringLiteral("foreign.localhost"), QString()) },
        kEngineTimeout);
    QVERIFY(QDir(m_folder).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

// Whatever the trusted page or a frame of another site in it does: what
// another site serves or made, and a data: address, are not downloaded.
void TestQCefDownload::addressesOfUntrustedSitesDownloadNothing_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("refusedFrom");
    const QString foreign
        = m_server.url(QStringLiteral("/x.desktop"), QStringLiteral("foreign.localhost"));
    QTest::newRow("another site") << QStringLiteral("location.href = '%1'").arg(foreign)
                                  << QUrl(foreign).adjusted(QUrl::RemovePath).toString();
    QTest::newRow("data") << QStringLiteral(
        "var a = document.createElement('a'); a.href = 'data:text/plain,x'; a.download = 'x.sh';"
        "document.body.appendChild(a); a.click();")
                          << QStringLiteral("null");
    QTest::newRow("blob of a frame of another site") << QStringLiteral(
        "var f = document.createElement('iframe'); f.src = '%1'; document.body.appendChild(f);")
                                                            .arg(m_pages.url(
                                                                QStringLiteral("foreign.localhost"),
                                                                QStringLiteral("/blob.html")))
                                                     << m_pages.url(
                                                            QStringLiteral("foreign.localhost"),
                                                            QString());
}

void TestQCefDownload::addressesOfUntrustedSitesDownloadNothing()
{
    QFETCH(QString, script);
    QFETCH(QString, refusedFrom);
    QVERIFY(openBrowser());
    m_server.setDownload(QStringLiteral("/x.desktop"),
        { "[Desktop Entry]", 0, attachmentHeaders("attachment; filename=\"x.desktop\"") });
    DebugCapture debug;
    debug.clear();
    m_clients.last()->getBrowser()->executeJavaScript(script);
    QTRY_COMPARE_WITH_TIMEOUT(debug.lines().filter(QStringLiteral("download refused from")),
        QStringList {
            QStringLiteral("[OtherType]  [Other_Type] download refused from ") + refusedFrom },
        kEngineTimeout);
    QVERIFY(QDir(m_folder).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

// The player's own update.sh stays; the push names the file that landed.
void TestQCefDownload::earlierFileStaysAndThePushNamesTheNewOne()
{
    QFile earlier(m_folder + QStringLiteral("/update.sh"));
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("players");
    earlier.close();
    QCefClient *client = openBrowser();
    QVERIFY(client);
    QSignalSpy downloads(client, &QCefClient::sgDownload);
    m_server.setDownload(QStringLiteral("/update"),
        { "portal's", 0, attachmentHeaders("attachment; filename=\"update.sh\"") });

    startDownload(QStringLiteral("/update"));
    QVERIFY(waitForRequest());
    QVERIFY(m_server.sendStep(QStringLiteral("/update")));
    QTRY_COMPARE_WITH_TIMEOUT(succeeded(downloads), 1, kEngineTimeout);
    QCOMPARE(reports(downloads).last(), QStringLiteral("Succeed/-1 update (1)"));
    QCOMPARE(downloaded(QStringLiteral("update.sh")), QStringLiteral("players"));
    QCOMPARE(downloaded(QStringLiteral("update (1).sh")), QStringLiteral("portal's"));
}

// The change test spans the browser's downloads: a second download that
// reaches 100 at once after a first that ended at 100 tells only its end.
void TestQCefDownload::lastPercentageIsNotToldAgainForALaterDownload()
{
    QCefClient *client = openBrowser();
    QVERIFY(client);
    QSignalSpy downloads(client, &QCefClient::sgDownload);
    const auto headers = attachmentHeaders("attachment; filename=\"twice.bin\"");
    m_server.setDownload(QStringLiteral("/stepped"), { QByteArray(1000, 's'), 500, headers });
    m_server.setDownload(QStringLiteral("/whole"), { QByteArray(1000, 'w'), 0, headers });

    startDownload(QStringLiteral("/stepped"));
    QVERIFY(waitForRequest());
    stepThrough(QStringLiteral("/stepped"), { 50, 100 }, downloads);
    QCOMPARE(reports(downloads).last(), QStringLiteral("Succeed/-1 twice"));
    const int count = downloads.count();

    m_requested.clear();
    startDownload(QStringLiteral("/whole"));
    QVERIFY(waitForRequest());
    QVERIFY(m_server.sendStep(QStringLiteral("/whole")));
    QTRY_COMPARE_WITH_TIMEOUT(downloads.count(), count + 1, kEngineTimeout);
    QCOMPARE(reports(downloads).last(), QStringLiteral("Succeed/-1 twice"));
    QCOMPARE(downloaded(QStringLiteral("twice.bin")), QString(1000, QLatin1Char('w')));
}

// No percentage exists while the size is unknown. Once all has come the
// engine knows it, and the end is told as for any download.
void TestQCefDownload::unknownSizeTellsNothingUntilTheEnd()
{
    QCefClient *client = openBrowser();
    QVERIFY(client);
    QSignalSpy downloads(client, &QCefClient::sgDownload);
    TestDownloadServer::Download download { QByteArray(1000, 'u'), 250,
        attachmentHeaders("attachment; filename=\"unsized.bin\"") };
    download.announceLength = false;
    m_server.setDownload(QStringLiteral("/unsized"), download);

    startDownload(QStringLiteral("/unsized"));
    QWebEngineDownloadRequest *item = waitForRequest();
    QVERIFY(item);
    for (int sent = 250; sent < 1000; sent += 250) {
        QVERIFY(m_server.sendStep(QStringLiteral("/unsized")));
        QTRY_COMPARE_WITH_TIMEOUT(item->receivedBytes(), qint64(sent), kEngineTimeout);
        QVERIFY(item->totalBytes() <= 0);
        QCOMPARE(downloads.count(), 0);
    }
    QVERIFY(m_server.sendStep(QStringLiteral("/unsized")));
    QTRY_VERIFY_WITH_TIMEOUT(succeeded(downloads) > 0, kEngineTimeout);
    QCOMPARE(reports(downloads), QStringList({ "100 unsized", "Succeed/-1 unsized" }));
    QCOMPARE(downloaded(QStringLiteral("unsized.bin")), QString(1000, QLatin1Char('u')));
}

void TestQCefDownload::namesFromServerAndPageStayInTheFolder_data()
{
    QTest::addColumn<QByteArray>("disposition");
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QString>("name");
    QTest::newRow("header, climbing out")
        << QByteArray("attachment; filename=\"../../.bashrc\"") << QString() << "bashrc";
    QTest::newRow("header, hidden")
        << QByteArray("attachment; filename=\".hidden\"") << QString() << "hidden";
    QTest::newRow("header, 251 characters") << "attachment; filename=\"" + QByteArray(247, 'n')
            + ".bin\"" << QString() << QString(234, 'n') + ".bin";
    QTest::newRow("header, 300 characters")
        << "attachment; filename*=UTF-8''" + QByteArray(296, 'n') + ".bin" << QString()
        << QString(234, 'n') + ".bin";
    QTest::newRow("header, absolute")
        << QByteArray("attachment; filename=\"/etc/x\"") << QString() << "x";
    QTest::newRow("header, encoded climbing out")
        << QByteArray("attachment; filename*=UTF-8''..%2F..%2Fup.txt") << QString() << "up.txt";
    QTest::newRow("header, dot dot")
        << QByteArray("attachment; filename=\"..\"") << QString() << "download";
    QTest::newRow("header, quotes")
        << QByteArray("attachment; filename*=UTF-8''it%27s%20%22q%22.bin") << QString()
        << "it's \"q\".bin";
    QTest::newRow("attribute, climbing out")
        << QByteArray("attachment") << QStringLiteral("../../.bashrc") << "bashrc";
    QTest::newRow("attribute, 300 three-byte characters")
        << QByteArray("attachment") << QString(296, QChar(0x6f22)) + ".bin"
        << QString(78, QChar(0x6f22)) + ".bin";
    QTest::newRow("attribute, in a folder")
        << QByteArray("attachment") << QStringLiteral("a/b.txt") << "b.txt";
    QTest::newRow("attribute, dot dot")
        << QByteArray("attachment") << QStringLiteral("..") << "download";
}

void TestQCefDownload::namesFromServerAndPageStayInTheFolder()
{
    QFETCH(QByteArray, disposition);
    QFETCH(QString, attribute);
    QFETCH(QString, name);
    QCefClient *client = openBrowser();
    QVERIFY(client);
    QSignalSpy downloads(client, &QCefClient::sgDownload);
    TestHttpServer::Response file;
    file.body = "named";
    file.contentType = kPlainType;
    file.headers
        = { { "X-Content-Type-Options", "nosniff" }, { "Content-Disposition", disposition } };
    m_pages.setResponse(QStringLiteral("/named"), file);

    // The attribute counts for links of the page's own origin only.
    const QString link
        = QStringLiteral("var a = document.createElement('a'); a.href = '/named';"
                         "%1 document.body.appendChild(a); a.click();")
              .arg(attribute.isNull() ? QString()
                                      : QStringLiteral("a.download = '%1';").arg(attribute));
    client->getBrowser()->executeJavaScript(link);
    QTRY_VERIFY_WITH_TIMEOUT(
        !downloads.isEmpty() && downloads.last().at(2).toString() == QLatin1String("Succeed"),
        kEngineTimeout);
    QCOMPARE(QDir(m_folder).entryList(QDir::Files | QDir::Hidden), QStringList { name });
    QCOMPARE(downloaded(name), QStringLiteral("named"));
    QCOMPARE(downloads.last().at(3).toString(), QFileInfo(name).baseName());
    QVERIFY(!QFileInfo::exists(QDir(m_folder).absoluteFilePath(QStringLiteral("../../.bashrc"))));
    QVERIFY(!QFileInfo::exists(QDir(m_folder).absoluteFilePath(QStringLiteral("../../up.txt"))));
}

LUMEN_ENGINE_TEST_MAIN(TestQCefDownload)
#include "tst_qcefdownload.moc"
