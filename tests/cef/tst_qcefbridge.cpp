#include "app/policysettings.h"
#include "cef/cefbrowser.h"
#include "cef/qcefapp.h"
#include "cef/qcefclient.h"
#include "debugcapture.h"
#include "enginetest.h"
#include "testhttpserver.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <memory>

// The script bridge end to end, through a real engine: callQML in a page to
// sgWebMsgReceived, and script texts from the browser side into the page, with the origins
// Chromium stamps on each call. What the native end does with a call is tested on the fake
// engine (tst_enginelessbridge).
class TestQCefBridge : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void requestArrivesAsExactText_data();
    void requestArrivesAsExactText();
    void nonStringArgumentsArriveEmpty();
    void argumentCountDecidesWhatIsSent_data();
    void argumentCountDecidesWhatIsSent();
    void callsBeforeChannelIsReadyKeepTheirOrder();
    void pageListenersNeverSeeBridgeTraffic();
    void scriptRunsInTheMainFrame();
    void bridgeIsBackAfterReload();
    void pageHasNoChannelOfItsOwn();
    void untrustedFramesAreRefusedEitherWay();
    void leavingForeignPageNeverSpeaksForTheNextOne_data();
    void leavingForeignPageNeverSpeaksForTheNextOne();
    void pagesKeepTheSameOriginPolicy();

private:
    void openPage(const QString &path);
    void runInPage(const QString &script);
    QStringList refusals() const;
    QString origin(const QString &host) const;
    QJsonObject message(int index) const;
    static QString scriptArguments(const QString &name, const QString &id, const QString &request);

    QCefEngine m_engine { realEngine() };
    TestHttpServer m_server;
    CefRefPtr<QCefClient> m_client;
    QScopedPointer<QSignalSpy> m_messages;
    // Qt Test installs its own message handler when it starts running.
    std::unique_ptr<DebugCapture> m_debug;
};

namespace {

// Ready once its frames have loaded. Reports back through the bridge what the
// page's qtSlots saw, and which frame ran it. Page listeners count every message event that reaches
// them.
const char mainPage[] = R"(<!doctype html><html><head><meta charset="utf-8"><script>
var pageMessages = 0;
window.addEventListener('message', function () { pageMessages++; });
window.onmessage = function () { pageMessages++; };
function qtSlots(value) {
    callQML('slots', window === top ? 'main' : 'sub', JSON.stringify(value));
}
</script></head><body>
<iframe id="same" src="/frame.html"></iframe>
<iframe id="cross" src="CROSS"></iframe>
<iframe id="foreign" src="FOREIGN"></iframe>
<iframe id="sandboxed" sandbox="allow-scripts" src="/cross.html"></iframe>
<script>window.addEventListener('load', function () { callQML('ready', '', ''); });</script>
</body></html>)";

const char framePage[] = R"(<!doctype html><html><head><script>
function qtSlots(value) { callQML('slots', 'sub', JSON.stringify(value)); }
</script></head><body>frame</body></html>)";

// Another origin: the main frame can only post to it. "raw" is posted on to
// the top window as it is.
const char crossFramePage[] = R"(<!doctype html><html><head><script>
window.addEventListener('message', function (event) {
    if (event.data && event.data.go)
        callQML.apply(null, event.data.go);
    if (event.data && event.data.raw)
        top.postMessage(event.data.raw, '*');
});
</script></head><body>cross</body></html>)";

// Calls made while the page is still being parsed, before its channel is up.
const char earlyCallsPage[] = R"(<!doctype html><html><head><script>
for (var i = 1; i <= 5; ++i)
    callQML('early', String(i), '');
</script></head><body></body></html>)";

// Asks for the portal's secrets on its way out, and on until it is gone, as
// an ad's page would when the portal moves its window on; "portal" leads to
// the portal's page, which its server is slow to send.
const char leavingPage[] = R"(<!doctype html><html><head><script>
function ask() { callQML('leaving', '1', '{"GetConfig":"token"}'); }
window.addEventListener('beforeunload', function () { ask(); setInterval(ask, 10); });
window.addEventListener('pagehide', ask);
</script></head><body><a id="portal" href="PORTAL">portal</a></body></html>)";

const char slowPortalPage[] = R"(<!doctype html><html><body><script>
callQML('ready', '', '');
</script></body></html>)";

} // namespace

void TestQCefBridge::initTestCase()
{
    m_debug = std::make_unique<DebugCapture>();
    QVERIFY(m_server.listen());
    // A partner's site the administrator trusts; "foreign" is no one's.
    QVERIFY(PolicySettings::program().addTrustedOrigin(QStringLiteral("sub.localhost")));
    QByteArray page(mainPage);
    page.replace("CROSS",
        m_server.url(QStringLiteral("sub.localhost"), QStringLiteral("/cross.html")).toUtf8());
    page.replace("FOREIGN",
        m_server.url(QStringLiteral("foreign.localhost"), QStringLiteral("/cross.html")).toUtf8());
    m_server.setPage(QStringLiteral("/main.html"), page);
    m_server.setPage(QStringLiteral("/frame.html"), framePage);
    m_server.setPage(QStringLiteral("/cross.html"), crossFramePage);
    m_server.setPage(QStringLiteral("/early.html"), earlyCallsPage);
    m_server.setPage(QStringLiteral("/leaving.html"),
        QByteArray(leavingPage)
            .replace("PORTAL", m_server.url(QStringLiteral("/slow.html")).toUtf8()));
    TestHttpServer::Response slow;
    slow.body = slowPortalPage;
    slow.delayMs = 1000;
    m_server.setResponse(QStringLiteral("/slow.html"), slow);

    int argc = 0;
    QCOMPARE(m_engine.initialize(argc, nullptr), -1);
}

void TestQCefBridge::init()
{
    openPage(QStringLiteral("/main.html"));
}

void TestQCefBridge::cleanup()
{
    if (m_client && m_client->getBrowser())
        m_client->getBrowser()->closeBrowser();
    m_client.reset();
    m_messages.reset();
    m_debug->clear();
}

void TestQCefBridge::openPage(const QString &path)
{
    m_client
        = m_engine.app()->createBrowser(QStringLiteral("app"), false, m_server.url(path), 400, 300);
    QVERIFY(m_client);
    m_messages.reset(new QSignalSpy(m_client.data(), &QCefClient::sgWebMsgReceived));
    if (path == QLatin1String("/main.html")) {
        QTRY_COMPARE_WITH_TIMEOUT(m_messages->count(), 1, 20000);
        QCOMPARE(message(0).value(QStringLiteral("name")).toString(), QStringLiteral("ready"));
        m_messages->clear();
    }
}

void TestQCefBridge::runInPage(const QString &script)
{
    m_client->getBrowser()->executeJavaScript(script);
}

QString TestQCefBridge::origin(const QString &host) const
{
    return m_server.url(host, QString());
}

QStringList TestQCefBridge::refusals() const
{
    return m_debug->lines().filter(QStringLiteral("bridge call refused from"));
}

QJsonObject TestQCefBridge::message(int index) const
{
    return QJsonDocument::fromJson(m_messages->at(index).at(0).toString().toUtf8()).object();
}

QString TestQCefBridge::scriptArguments(
    const QString &name, const QString &id, const QString &request)
{
    return QString::fromUtf8(
        QJsonDocument(QJsonArray { name, id, request }).toJson(QJsonDocument::Compact));
}

void TestQCefBridge::requestArrivesAsExactText_data()
{
    QTest::addColumn<QString>("call");
    QTest::newRow("main frame") << QStringLiteral("callQML.apply(null, %1)");
    QTest::newRow("same-origin sub-frame")
        << QStringLiteral("document.getElementById('same').contentWindow.callQML.apply(null, %1)");
    QTest::newRow("cross-origin sub-frame") << QStringLiteral(
        "document.getElementById('cross').contentWindow.postMessage({go: %1}, '*')");
}

void TestQCefBridge::requestArrivesAsExactText()
{
    QFETCH(QString, call);
    const QString request
        = QString::fromUtf8(R"({"k":"q\"b\\c é )") + QChar(0x2028) + QStringLiteral("\"}");
    runInPage(call.arg(scriptArguments(QStringLiteral("win"), QStringLiteral("7"), request)));

    QTRY_COMPARE_WITH_TIMEOUT(m_messages->count(), 1, 10000);
    const QString expected = QString::fromUtf8(R"({
    "id": "7",
    "msgName": "callQML",
    "name": "win",
    "request": "{\"k\":\"q\\\"b\\\\c é )")
        + QChar(0x2028) + QString::fromUtf8(R"(\"}"
}
)");
    QCOMPARE(m_messages->at(0).at(0).toString(), expected);
}

void TestQCefBridge::nonStringArgumentsArriveEmpty()
{
    runInPage(QStringLiteral("callQML(5, {a: 1}, undefined); callQML(null, true, ['x'])"));

    QTRY_COMPARE_WITH_TIMEOUT(m_messages->count(), 2, 10000);
    for (int i = 0; i < 2; ++i) {
        const QJsonObject sent = message(i);
        QCOMPARE(sent.value(QStringLiteral("name")).toString(), QString());
        QCOMPARE(sent.value(QStringLiteral("id")).toString(), QString());
        QCOMPARE(sent.value(QStringLiteral("request")).toString(), QString());
        QCOMPARE(sent.value(QStringLiteral("msgName")).toString(), QStringLiteral("callQML"));
    }
}

void TestQCefBridge::argumentCountDecidesWhatIsSent_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("result");
    QTest::addColumn<bool>("sent");
    QTest::newRow("none") << QString() << QStringLiteral("undefined") << false;
    QTest::newRow("two") << QStringLiteral("'n', 'i'") << QStringLiteral("undefined") << false;
    QTest::newRow("three") << QStringLiteral("'n', 'i', 'r'") << QStringLiteral("0") << true;
    QTest::newRow("four") << QStringLiteral("'n', 'i', 'r', 'x'") << QStringLiteral("undefined")
                          << false;
}

void TestQCefBridge::argumentCountDecidesWhatIsSent()
{
    QFETCH(QString, arguments);
    QFETCH(QString, result);
    QFETCH(bool, sent);
    runInPage(QStringLiteral("var outcome; try { outcome = String(callQML(%1)); }"
                             " catch (error) { outcome = 'threw'; }"
                             " callQML('result', outcome, '');")
            .arg(arguments));

    QTRY_VERIFY_WITH_TIMEOUT(
        !m_messages->isEmpty() && message(m_messages->count() - 1).value("name") == "result",
        10000);
    QCOMPARE(m_messages->count(), sent ? 2 : 1);
    QCOMPARE(message(m_messages->count() - 1).value(QStringLiteral("id")).toString(), result);
}

void TestQCefBridge::callsBeforeChannelIsReadyKeepTheirOrder()
{
    cleanup();
    openPage(QStringLiteral("/early.html"));

    QTRY_COMPARE_WITH_TIMEOUT(m_messages->count(), 5, 20000);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(message(i).value(QStringLiteral("id")).toString(), QString::number(i + 1));
}

void TestQCefBridge::pageListenersNeverSeeBridgeTraffic()
{
    runInPage(QStringLiteral("document.getElementById('same').contentWindow.callQML('a', '1', '');"
                             "document.getElementById('cross').contentWindow.postMessage("
                             "{go: ['b', '2', '']}, '*');"));
    QTRY_COMPARE_WITH_TIMEOUT(m_messages->count(), 2, 10000);

    runInPage(QStringLiteral("callQML('count', String(pageMessages), '')"));
    QTRY_COMPARE_WITH_TIMEOUT(m_messages->count(), 3, 10000);
    QCOMPARE(message(2).value(QStringLiteral("id")).toString(), QStringLiteral("0"));
}

void TestQCefBridge::scriptRunsInTheMainFrame()
{
    runInPage(QStringLiteral("qtSlots({\"HookPopup\":\"x\"})"));

    QTRY_COMPARE_WITH_TIMEOUT(m_messages->count(), 1, 10000);
    const QJsonObject reported = message(0);
    QCOMPARE(reported.value(QStringLiteral("name")).toString(), QStringLiteral("slots"));
    QCOMPARE(reported.value(QStringLiteral("id")).toString(), QStringLiteral("main"));
    QCOMPARE(reported.value(QStringLiteral("request")).toString(),
        QStringLiteral("{\"HookPopup\":\"x\"}"));
}

void TestQCefBridge::bridgeIsBackAfterReload()
{
    QSignalSpy loaded(m_client.data(), &QCefClient::sgLoadEnd);
    m_client->getBrowser()->reloadIgnoreCache();
    QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_messages->isEmpty(), 20000);
    m_messages->clear();

    runInPage(QStringLiteral("callQML('again', String(typeof callQML), '')"));
    QTRY_COMPARE_WITH_TIMEOUT(m_messages->count(), 1, 10000);
    QCOMPARE(message(0).value(QStringLiteral("id")).toString(), QStringLiteral("function"));
}

// Only the bridge's own script world has the channel: no script of the page
// can send the native end anything but what callQML sends.
void TestQCefBridge::pageHasNoChannelOfItsOwn()
{
    runInPage(QStringLiteral("callQML('channel', typeof qt, typeof QWebChannel)"));
    QTRY_COMPARE_WITH_TIMEOUT(m_messages->count(), 1, 10000);
    QCOMPARE(message(0).value(QStringLiteral("id")).toString(), QStringLiteral("undefined"));
    QCOMPARE(message(0).value(QStringLiteral("request")).toString(), QStringLiteral("undefined"));
}

LUMEN_ENGINE_TEST_MAIN(TestQCefBridge)
#include "tst_qcefbridge.moc"

// Neither through its own callQML nor by posting the bridge's message to the
// top window itself does a frame of an untrusted or opaque origin get through;
// each origin is logged once.
void TestQCefBridge::untrustedFramesAreRefusedEitherWay()
{
    runInPage(QStringLiteral(R"(
        var foreign = document.getElementById('foreign').contentWindow;
        var sandboxed = document.getElementById('sandboxed').contentWindow;
        foreign.postMessage({go: ['f', '1', '{"QuitApp":""}']}, '*');
        foreign.postMessage({raw: {__lumenBridgeCall: ['f', '2', '']}}, '*');
        sandboxed.postMessage({go: ['s', '3', '']}, '*');
        sandboxed.postMessage({raw: {__lumenBridgeCall: ['s', '4', '']}}, '*');)"));
    QTRY_COMPARE_WITH_TIMEOUT(refusals().size(), 2, 10000);
    QTest::qWait(500);
    const QString foreign = origin(QStringLiteral("foreign.localhost"));
    // Frames of other sites may run in processes of their own, each on its own time.
    QStringList refused = refusals();
    refused.sort();
    QCOMPARE(refused,
        QStringList(
            { QStringLiteral("[OtherType]  [Other_Type] bridge call refused from ") + foreign,
                QStringLiteral("[OtherType]  [Other_Type] bridge call refused from null") }));
    QCOMPARE(m_messages->count(), 0);
}

// However the window moves from a foreign page to the portal's, what the
// foreign page sends on its way out is refused as the foreign page's.
void TestQCefBridge::leavingForeignPageNeverSpeaksForTheNextOne_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("load") << QStringLiteral("load");
    QTest::newRow("reload") << QStringLiteral("reload");
    QTest::newRow("link") << QStringLiteral("link");
    QTest::newRow("location") << QStringLiteral("location");
    QTest::newRow("history") << QStringLiteral("history");
}

void TestQCefBridge::leavingForeignPageNeverSpeaksForTheNextOne()
{
    QFETCH(QString, how);
    const QString foreignPage
        = m_server.url(QStringLiteral("foreign.localhost"), QStringLiteral("/leaving.html"));
    QSignalSpy loaded(m_client.data(), &QCefClient::sgLoadEnd);
    CefRefPtr<CefBrowser> browser = m_client->getBrowser();
    browser->loadUrl(foreignPage);
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, 20000);
    m_messages->clear();

    if (how == QLatin1String("load"))
        browser->loadUrl(m_server.url(QStringLiteral("/slow.html")));
    else if (how == QLatin1String("reload"))
        browser->reloadIgnoreCache();
    else if (how == QLatin1String("link"))
        runInPage(QStringLiteral("document.getElementById('portal').click()"));
    else if (how == QLatin1String("location"))
        runInPage(QStringLiteral("location.href = document.getElementById('portal').href"));
    else
        runInPage(QStringLiteral("history.back()"));
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 2, 20000);
    // The portal's page says it is ready; a reloaded foreign page says nothing.
    if (how != QLatin1String("reload"))
        QTRY_VERIFY_WITH_TIMEOUT(!m_messages->isEmpty(), 10000);
    QTest::qWait(300);
    for (int i = 0; i < m_messages->count(); ++i)
        QCOMPARE(message(i).value(QStringLiteral("name")).toString(), QStringLiteral("ready"));
}

// Another site's response without CORS, and local files, stay out of reach.
void TestQCefBridge::pagesKeepTheSameOriginPolicy()
{
    runInPage(QStringLiteral(R"(
        function attempt(url) {
            return fetch(url).then(function (response) { return response.text(); })
                .then(function () { return 'read'; }, function () { return 'blocked'; });
        }
        Promise.all([attempt('%1'), attempt('file:///etc/hostname'), attempt('/frame.html')])
            .then(function (results) { callQML('fetch', results.join(','), ''); });)")
            .arg(m_server.url(QStringLiteral("foreign.localhost"), QStringLiteral("/frame.html"))));
    QTRY_COMPARE_WITH_TIMEOUT(m_messages->count(), 1, 10000);
    QCOMPARE(
        message(0).value(QStringLiteral("id")).toString(), QStringLiteral("blocked,blocked,read"));
}
