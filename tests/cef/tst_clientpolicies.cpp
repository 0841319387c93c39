#include "cef/qcefapp.h"
#include "cef/qcefclient.h"
#include "debugcapture.h"
#include "engine/pagerequests.h"
#include "enginetest.h"
#include "fakeengine.h"
#include "fakeshell.h"
#include "window/qcefview.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString kSite = QStringLiteral("http://127.0.0.1:8");
const QString kAdSite = QStringLiteral("http://ad.localhost:8");

} // namespace

// A browser's client on the fake engine, in the window manager as the program
// has it: load results, popups, focus and closing, as the page tells them.
class TestClientPolicies : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void noBrowserBeforeTheEngineIsReady();
    void loadEndOnlyForStatus200();
    void loadErrorsAreLoggedUntilALoadSucceeds();
    void popupsNeedThePlayerAndATrustedDocument();
    void hookPopupCarriesAnyAddressAsAString_data();
    void hookPopupCarriesAnyAddressAsAString();
    void focusRaisesTheFrontWindows();
    void closingReportsTheBrowserOnce();

private:
    FakePage *open(const QString &name, const QString &path = QStringLiteral("/ok.html"));
    // The HookPopup pushes the hook window's page got.
    QStringList hookPushes() const;

    FakeShell m_shell;
    QStringList m_opened;
};

void TestClientPolicies::initTestCase()
{
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QVERIFY(m_shell.start());
}

void TestClientPolicies::cleanup()
{
    m_shell.windows()->setHookPopup(QString());
    QVERIFY(m_shell.scene().closeWindows(m_opened));
    m_opened.clear();
}

FakePage *TestClientPolicies::open(const QString &name, const QString &path)
{
    m_opened.append(name);
    m_shell.windows()->openWindow(name, QString(), QString(), kSite + path,
        QStringLiteral("0,0,400,300"), QString(), QString(), QString(), QString(), QString());
    return m_shell.waitForPage(name);
}

QStringList TestClientPolicies::hookPushes() const
{
    const FakePage *hook = m_shell.pageOf(QStringLiteral("hook"));
    return hook ? hook->scripts().filter(QStringLiteral("HookPopup")) : QStringList();
}

void TestClientPolicies::noBrowserBeforeTheEngineIsReady()
{
    QCefApp app;
    QVERIFY(!app.createBrowser(QStringLiteral("app"), false, kSite + "/ok.html", 0, 0));
}

void TestClientPolicies::loadEndOnlyForStatus200()
{
    FakePage *page = open(QStringLiteral("app"), QStringLiteral("/missing.html"));
    QVERIFY(page);
    const WindowRecord *record = m_shell.windows()->findWindow(QStringLiteral("app"));
    QSignalSpy loadEnds(record->client.data(), &QCefClient::sgLoadEnd);
    page->finishLoad(404);
    QCOMPARE(loadEnds.count(), 0);

    page->load(QUrl(kSite + QStringLiteral("/ok.html")));
    page->finishLoad(200);
    QCOMPARE(loadEnds.count(), 1);
}

void TestClientPolicies::loadErrorsAreLoggedUntilALoadSucceeds()
{
    DebugCapture debug;
    FakePage *page = open(QStringLiteral("app"), QStringLiteral("/refused"));
    QVERIFY(page);
    page->failLoad(-312, QStringLiteral("net::ERR_UNSAFE_PORT"));
    // The window manager's error page logs the failure its own way.
    const QString logged = QStringLiteral("[NET_Type] code:");
    const QStringList errors = debug.lines().filter(logged);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.at(0).endsWith(QStringLiteral("code:-312 message:net::ERR_UNSAFE_PORT url:")
                 + page->url().toString()),
        qPrintable(errors.at(0)));

    page->load(QUrl(kSite + QStringLiteral("/ok.html")));
    page->finishLoad();
    page->load(QUrl(kSite + QStringLiteral("/refused")));
    page->failLoad(-312, QStringLiteral("net::ERR_UNSAFE_PORT"));
    QCOMPARE(debug.lines().filter(logged).size(), 1);
}

// Browsers open popups only for the player's click or key; a popup of an
// ad's frame the player clicked is not hooked either. Both are logged.
void TestClientPolicies::popupsNeedThePlayerAndATrustedDocument()
{
    QVERIFY(open(QStringLiteral("hook")));
    m_shell.windows()->setHookPopup(QStringLiteral("hook"));
    FakePage *page = open(QStringLiteral("app"));
    QVERIFY(page);
    DebugCapture debug;
    const QString target = kSite + QStringLiteral("/target.html");

    page->requestPopup(QUrl(target), false);
    QCOMPARE(
        debug.lines()
            .filter(
                QStringLiteral("popup to %1 refused: no click or key of the player").arg(target))
            .size(),
        1);
    page->requestPopup(QUrl(target), true, kAdSite);
    QCOMPARE(debug.lines()
                 .filter(QStringLiteral("popup to %1 refused: asked for by %2 in %3")
                         .arg(target, kAdSite, kSite))
                 .size(),
        1);
    QTest::qWait(50);
    QCOMPARE(hookPushes(), QStringList());
}

void TestClientPolicies::hookPopupCarriesAnyAddressAsAString_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("passed");
    QTest::newRow("ordinary") << QStringLiteral("https://example.test/a?b=1#c") << true;
    QTest::newRow("quote and backslash")
        << QStringLiteral("https://example.test/\"});alert(1);({\"x\":\"\\") << true;
    QTest::newRow("line separators")
        << QStringLiteral("http://example.test/a") + QChar(0x2028) + QChar('\n') << true;
    QTest::newRow("blank page") << QStringLiteral("about:blank") << true;
    // The hook page would open it: a window goes only to web addresses.
    QTest::newRow("script document") << QStringLiteral("data:text/html,\"});alert(1);") << false;
    QTest::newRow("local file") << QStringLiteral("file:///etc/passwd") << false;
}

// Any web address, whatever it holds, reaches the hook window's page as the
// string value of one object member.
void TestClientPolicies::hookPopupCarriesAnyAddressAsAString()
{
    QFETCH(QString, url);
    QFETCH(bool, passed);
    QVERIFY(open(QStringLiteral("hook")));
    m_shell.windows()->setHookPopup(QStringLiteral("hook"));
    FakePage *page = open(QStringLiteral("app"));
    QVERIFY(page);

    // The player clicked in the portal's page.
    page->requestPopup(QUrl(url), true);
    QTest::qWait(50);
    const QStringList pushes = hookPushes();
    QCOMPARE(pushes.count(), passed ? 1 : 0);
    if (!passed)
        return;
    QString text = pushes.at(0);
    QVERIFY(text.startsWith(QStringLiteral("qtSlots(")) && text.endsWith(QLatin1Char(')')));
    text = text.mid(8, text.size() - 9);
    QJsonParseError error;
    const QJsonDocument object = QJsonDocument::fromJson(text.toUtf8(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(object.object().keys(), QStringList { QStringLiteral("HookPopup") });
    // As the engine gives it.
    QCOMPARE(object.object().value(QStringLiteral("HookPopup")).toString(),
        QUrl(url).toString(QUrl::FullyEncoded));
}

void TestClientPolicies::focusRaisesTheFrontWindows()
{
    FakePage *page = open(QStringLiteral("app"));
    QVERIFY(page);
    const WindowRecord *record = m_shell.windows()->findWindow(QStringLiteral("app"));
    QSignalSpy raises(record->client.data(), &QCefClient::sgRaiseFrontWindows);

    page->takeFocus();
    QCOMPARE(raises.count(), 1);
    QCOMPARE(raises.at(0).at(0).toInt(), record->browserId);
}

// The page's window goes, as when the window it was put into closes, and the
// page asks to close as well.
void TestClientPolicies::closingReportsTheBrowserOnce()
{
    FakePage *page = open(QStringLiteral("app"));
    QVERIFY(page);
    QSignalSpy closes(m_shell.windows(), &QCefView::sgCloseWindow);

    page->window()->destroy();
    page->requestClose();
    QTRY_COMPARE(closes.count(), 1);
    QTest::qWait(200);
    QCOMPARE(closes.count(), 1);
    QCOMPARE(closes.at(0).at(0).toString(), QStringLiteral("app"));
    QVERIFY(!m_shell.windows()->findWindow(QStringLiteral("app")));
    m_opened.clear();
}

LUMEN_ENGINE_TEST_MAIN(TestClientPolicies)
#include "tst_clientpolicies.moc"
