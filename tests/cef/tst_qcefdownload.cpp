#include "app/dirhelper.h"
#include "cef/cefbrowser.h"
#include "cef/qcefapp.h"
#include "cef/qcefclient.h"
#include "debugcapture.h"
#include "downloadreports.h"
#include "engine/browserengine.h"
#include "engine/enginedownload.h"
#include "engine/engineprofile.h"
#include "enginetest.h"
#include "testdownloadserver.h"
#include "testhttpserver.h"

using DownloadReports::rising;
using DownloadReports::said;
using DownloadReports::succeeded;
using DownloadReports::told;

namespace {

constexpr int kEngineTimeout = 20000;

const QByteArray kPlainType = "application/octet-stream";

// A response the engine takes for a download without sniffing its body first.
QList<QPair<QByteArray, QByteArray>> attachmentHeaders(const QByteArray &disposition)
{
    return { { "Content-Type", kPlainType }, { "X-Content-Type-Options", "nosniff" },
        { "Content-Disposition", disposition } };
}

} // namespace

// Downloads of a browser's page on the real engine, as its client handles
// them: what the engine reports of a transfer from start to end, of one that
// breaks or whose server goes, the origins it reports, and the names servers
// and pages give. The client's rules on their own are tested on the fake
// engine (tst_enginelessdownloads).
class TestQCefDownload : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void downloadRisesTo100ThenSucceedsOnce();
    void brokenDownloadLeavesTheEarlierFile();
    void downloadFromAServerThatWentEndsInFailure();
    void addressesOfUntrustedSitesDownloadNothing_data();
    void addressesOfUntrustedSitesDownloadNothing();
    void namesFromServerAndPageStayInTheFolder_data();
    void namesFromServerAndPageStayInTheFolder();

private:
    QCefClient *openBrowser();
    void startDownload(const QString &path);
    EngineDownload *waitForRequest();
    void stepThrough(
        const QString &path, const QList<int> &percentages, const QSignalSpy &downloads);
    QString downloaded(const QString &name) const;

    QCefEngine m_engine { realEngine() };
    TestHttpServer m_pages;
    TestDownloadServer m_server;
    QString m_folder;
    QList<CefRefPtr<QCefClient>> m_clients;
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
}

void TestQCefDownload::cleanup()
{
    for (const CefRefPtr<QCefClient> &client : std::as_const(m_clients)) {
        if (client->getBrowser())
            client->getBrowser()->closeBrowser();
    }
    m_clients.clear();
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

// The engine's item of the one download under way, which the engine's profile holds.
EngineDownload *TestQCefDownload::waitForRequest()
{
    const auto underWay = [this] {
        const QList<EngineDownload *> downloads
            = m_engine.engine().profile()->findChildren<EngineDownload *>();
        for (EngineDownload *download : downloads) {
            if (download->state() == EngineDownload::State::InProgress)
                return download;
        }
        return static_cast<EngineDownload *>(nullptr);
    };
    return QTest::qWaitFor([&underWay] { return underWay(); }, kEngineTimeout) ? underWay()
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
    QVERIFY2(rising(told(downloads)), qPrintable(said(downloads).join(", ")));
    QCOMPARE(said(downloads).mid(downloads.count() - 2),
        QStringList({ "100 setup", "Succeed/-1 setup" }));
    for (const QList<QVariant> &signal : std::as_const(downloads))
        QCOMPARE(signal.at(0).value<CefRefPtr<CefBrowser>>(), client->getBrowser());
    QCOMPARE(downloaded(QStringLiteral("setup.v2.exe")), QString::fromLatin1(body));

    const int count = downloads.count();
    QTest::qWait(1000);
    QCOMPARE(downloads.count(), count);
    QCOMPARE(bystanderDownloads.count(), 0);
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
    QPointer<EngineDownload> item = waitForRequest();
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
    QTRY_VERIFY_WITH_TIMEOUT(!item || item->state() != EngineDownload::State::InProgress
            || !item->interruptReason().isEmpty(),
        kEngineTimeout);

    QCOMPARE(succeeded(downloads), 0);
    // "same (1)" unless an earlier test of this run landed the player's file.
    QTRY_VERIFY_WITH_TIMEOUT(
        said(downloads).last().startsWith(QStringLiteral("Failed/-1 same")), kEngineTimeout);
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
        said(downloads).last(), QStringLiteral("Failed/-1 gone"), 3 * kEngineTimeout);
    QVERIFY2(DownloadReports::failureLoggedOnce(debug.lines(), QStringLiteral("gone.bin")),
        qPrintable(debug.lines().join(QLatin1Char('\n'))));
    QVERIFY(QDir(m_folder).entryList(QDir::Files | QDir::Hidden).isEmpty());
    QVERIFY(m_server.listen());
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

void TestQCefDownload::namesFromServerAndPageStayInTheFolder_data()
{
    QTest::addColumn<QByteArray>("disposition");
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QString>("name");
    // Chromium hands the shell a name whose folder separators it made underscores.
    QTest::addColumn<QString>("chromiumName");
    QTest::newRow("header, climbing out")
        << QByteArray("attachment; filename=\"../../.bashrc\"") << QString() << "bashrc"
        << "_.._.bashrc";
    QTest::newRow("header, hidden")
        << QByteArray("attachment; filename=\".hidden\"") << QString() << "hidden" << "hidden";
    QTest::newRow("header, 251 characters")
        << "attachment; filename=\"" + QByteArray(247, 'n') + ".bin\"" << QString()
        << QString(234, 'n') + ".bin" << QString(234, 'n') + ".bin";
    QTest::newRow("header, 300 characters")
        << "attachment; filename*=UTF-8''" + QByteArray(296, 'n') + ".bin" << QString()
        << QString(234, 'n') + ".bin" << QString(234, 'n') + ".bin";
    QTest::newRow("header, absolute")
        << QByteArray("attachment; filename=\"/etc/x\"") << QString() << "x" << "_etc_x";
    QTest::newRow("header, encoded climbing out")
        << QByteArray("attachment; filename*=UTF-8''..%2F..%2Fup.txt") << QString() << "up.txt"
        << "_.._up.txt";
    QTest::newRow("header, dot dot")
        << QByteArray("attachment; filename=\"..\"") << QString() << "download" << "download";
    QTest::newRow("header, quotes")
        << QByteArray("attachment; filename*=UTF-8''it%27s%20%22q%22.bin") << QString()
        << "it's \"q\".bin" << "it's _q_.bin";
    QTest::newRow("attribute, climbing out")
        << QByteArray("attachment") << QStringLiteral("../../.bashrc") << "bashrc" << "_.._.bashrc";
    QTest::newRow("attribute, 300 three-byte characters")
        << QByteArray("attachment") << QString(296, QChar(0x6f22)) + ".bin"
        << QString(78, QChar(0x6f22)) + ".bin" << QString(78, QChar(0x6f22)) + ".bin";
    QTest::newRow("attribute, in a folder")
        << QByteArray("attachment") << QStringLiteral("a/b.txt") << "b.txt" << "a_b.txt";
    QTest::newRow("attribute, dot dot")
        << QByteArray("attachment") << QStringLiteral("..") << "download" << "download";
}

void TestQCefDownload::namesFromServerAndPageStayInTheFolder()
{
    QFETCH(QByteArray, disposition);
    QFETCH(QString, attribute);
    QFETCH(QString, name);
    QFETCH(QString, chromiumName);
    if (TestEngine::isSystemChromium())
        name = chromiumName;
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
