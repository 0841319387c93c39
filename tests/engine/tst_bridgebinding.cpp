#include "engine/bridgecall.h"
#include "engine/chromium/bridgebinding.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

// What reaches the shell of what Chromium reports on a page's session: only calls through the
// bridge world of the main frame, with the page origin Chromium gave that world.
class TestBridgeBinding : public QObject
{
    Q_OBJECT

private slots:
    void onlyTheMainFramesBridgeWorldCalls_data();
    void onlyTheMainFramesBridgeWorldCalls();
};

namespace {

const char world[] = "bridge-world";
const char binding[] = "native";
const char mainFrame[] = "MAIN";

QJsonObject context(int id, const QString &name, const QString &frame, const QString &origin)
{
    return { { "context",
        QJsonObject { { "id", id }, { "name", name }, { "origin", origin },
            { "auxData", QJsonObject { { "frameId", frame } } } } } };
}

QJsonObject called(int contextId, const QString &name, const QJsonArray &message)
{
    return { { "name", name }, { "executionContextId", contextId },
        { "payload", QString::fromUtf8(QJsonDocument(message).toJson()) } };
}

} // namespace

void TestBridgeBinding::onlyTheMainFramesBridgeWorldCalls_data()
{
    QTest::addColumn<QString>("contextName");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("contextOrigin");
    QTest::addColumn<QString>("bindingName");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("pageOrigin");

    const QString origin = "https://portal.example";
    QTest::newRow("bridge world") << world << mainFrame << origin << binding << "" << origin;
    QTest::newRow("opaque origin") << world << mainFrame << "://" << binding << ""
                                   << "null";
    QTest::newRow("page world") << "" << mainFrame << origin << binding << ""
                                << "";
    QTest::newRow("sub-frame") << world << "CHILD" << origin << binding << ""
                               << "";
    QTest::newRow("other binding") << world << mainFrame << origin << "other"
                                   << ""
                                   << "";
    QTest::newRow("world gone") << world << mainFrame << origin << binding
                                << "Runtime.executionContextDestroyed"
                                << "";
    QTest::newRow("worlds cleared")
        << world << mainFrame << origin << binding << "Runtime.executionContextsCleared"
        << "";
}

void TestBridgeBinding::onlyTheMainFramesBridgeWorldCalls()
{
    QFETCH(QString, contextName);
    QFETCH(QString, frame);
    QFETCH(QString, contextOrigin);
    QFETCH(QString, bindingName);
    QFETCH(QString, before);
    QFETCH(QString, pageOrigin);

    QList<BridgeCall> calls;
    BridgeBinding bridge(
        world, binding, [&calls](const BridgeCall &call) { calls.append(call); },
        [](const QJsonArray &) {});
    bridge.setMainFrame(mainFrame);
    bridge.onRuntimeEvent(
        "Runtime.executionContextCreated", context(7, contextName, frame, contextOrigin));
    if (!before.isEmpty())
        bridge.onRuntimeEvent(before, { { "executionContextId", 7 } });
    // A value not a string counts as empty; a message of another shape is dropped.
    bridge.onRuntimeEvent("Runtime.bindingCalled",
        called(7, bindingName, { "call", "login", 5, "{}", "https://frame.example" }));
    bridge.onRuntimeEvent("Runtime.bindingCalled", called(7, bindingName, { "call", "short" }));

    QCOMPARE(calls.size(), pageOrigin.isEmpty() ? 0 : 1);
    if (calls.isEmpty())
        return;
    QCOMPARE(calls.first().name, QStringLiteral("login"));
    QCOMPARE(calls.first().id, QString());
    QCOMPARE(calls.first().request, QStringLiteral("{}"));
    QCOMPARE(calls.first().origin, QStringLiteral("https://frame.example"));
    QCOMPARE(calls.first().pageOrigin, pageOrigin);
}

QTEST_GUILESS_MAIN(TestBridgeBinding)
#include "tst_bridgebinding.moc"
