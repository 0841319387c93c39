#include "app/policysettings.h"
#include "cef/cefbrowser.h"
#include "cef/qcefclient.h"
#include "debugcapture.h"
#include "enginetest.h"
#include "fakeengine.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <memory>

namespace {

const QString kPortal = QStringLiteral("http://127.0.0.1:8");
const QString kPartner = QStringLiteral("http://sub.localhost:8");
const QString kForeign = QStringLiteral("http://foreign.localhost:8");

} // namespace

// The bridge's native end on the fake engine: what the shell makes of a call, and which calls it
// refuses, by the origins the engine stamps on them. How Chromium stamps them, and the page
// scripts' side, are tested on the real engine (tst_qcefbridge).
class TestEnginelessBridge : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void untrustedOriginsAreRefusedAndLoggedOnce();
    void pageLeavingTheTrustedSitesIsRefused();
    void oversizedRequestNeverArrives();

private:
    QStringList refusals() const;
    QJsonObject message(int index) const;

    FakeEngine m_engine;
    CefRefPtr<QCefClient> m_client;
    FakePage *m_page = nullptr;
    std::unique_ptr<QSignalSpy> m_messages;
    std::unique_ptr<DebugCapture> m_debug;
};

void TestEnginelessBridge::initTestCase()
{
    // A partner's site the administrator trusts; "foreign" is no one's.
    QVERIFY(PolicySettings::program().addTrustedOrigin(QStringLiteral("sub.localhost")));
    QVERIFY(m_engine.start(EngineSettings()));
    // After the test's own message handler, which would take the place of its own.
    m_debug = std::make_unique<DebugCapture>();
}

void TestEnginelessBridge::init()
{
    m_client = CefRefPtr<QCefClient>(new QCefClient);
    CefBrowser::createBrowser(m_engine.profile(), PageOptions(), m_client, kPortal + "/main.html");
    QTRY_VERIFY(m_client->getBrowser());
    m_page = m_engine.fakeProfile()->pages().constLast();
    m_messages = std::make_unique<QSignalSpy>(m_client.data(), &QCefClient::sgWebMsgReceived);
    m_debug->clear();
}

void TestEnginelessBridge::cleanup()
{
    m_client->getBrowser()->closeBrowser();
    m_client.reset();
    QTRY_VERIFY(m_engine.fakeProfile()->pages().isEmpty());
}

QStringList TestEnginelessBridge::refusals() const
{
    return m_debug->lines().filter(QStringLiteral("bridge call refused from"));
}

QJsonObject TestEnginelessBridge::message(int index) const
{
    return QJsonDocument::fromJson(m_messages->at(index).at(0).toString().toUtf8()).object();
}

// A frame of an untrusted or opaque origin gets nothing through; each origin is logged once.
void TestEnginelessBridge::untrustedOriginsAreRefusedAndLoggedOnce()
{
    for (const QString &origin : { kForeign, kForeign, QStringLiteral("null") })
        m_page->callBridgeFrom(origin, QStringLiteral("f"), QStringLiteral("1"), QString());
    m_page->callBridge(QStringLiteral("main"), QStringLiteral("2"), QString());

    QTRY_COMPARE(m_messages->count(), 1);
    QCOMPARE(message(0).value(QStringLiteral("name")).toString(), QStringLiteral("main"));
    QCOMPARE(refusals(),
        QStringList(
            { QStringLiteral("[OtherType]  [Other_Type] bridge call refused from ") + kForeign,
                QStringLiteral("[OtherType]  [Other_Type] bridge call refused from null") }));
}

// Whatever frame calls, the page its window shows now is another site's.
void TestEnginelessBridge::pageLeavingTheTrustedSitesIsRefused()
{
    m_page->load(QUrl(kForeign + "/early.html"));
    m_page->callBridgeFrom(kPortal, QStringLiteral("early"), QStringLiteral("1"), QString());
    m_page->callBridge(QStringLiteral("early"), QStringLiteral("2"), QString());
    QTRY_COMPARE(refusals().size(), 1);
    QVERIFY(refusals().constFirst().endsWith(kForeign));
    QTest::qWait(50);
    QCOMPARE(m_messages->count(), 0);
}

// Refused before the dispatcher, logged with its size; the page's next call still arrives.
void TestEnginelessBridge::oversizedRequestNeverArrives()
{
    m_page->callBridge(QStringLiteral("big"), QStringLiteral("1"), QString(1024 * 1024, 'x'));
    m_page->callBridge(QStringLiteral("small"), QStringLiteral("2"), QString(1000, 'x'));
    QTRY_COMPARE(m_messages->count(), 1);
    QCOMPARE(message(0).value(QStringLiteral("name")).toString(), QStringLiteral("small"));
    const QString expected = QStringLiteral("bridge request of %1 bytes refused")
                                 .arg(1024 * 1024
                                     + QByteArray(R"({
    "id": "1",
    "msgName": "callQML",
    "name": "big",
    "request": ""
}
)")
                                         .size());
    QCOMPARE(m_debug->lines().filter(QStringLiteral("bytes refused")),
        QStringList { QStringLiteral("[OtherType]  [Other_Type] ") + expected });
}

LUMEN_ENGINE_TEST_MAIN(TestEnginelessBridge)
#include "tst_enginelessbridge.moc"
