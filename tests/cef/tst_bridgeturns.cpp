#include "cef/bridgequeue.h"
#include "cef/bridgeturns.h"
#include "cef/servingshare.h"
#include "debugcapture.h"

#include <QtTest>

// How the pages' bridge requests take turns on their way to the dispatcher, without the engine.
class TestBridgeTurns : public QObject
{
    Q_OBJECT

private slots:
    void pagesTakeTurnsEachInItsOwnOrder();
    void aQuietPageWaitsOneTurnAndAClosedPagesRequestsGo();
    void dispatcherLeavesTheEngineHalfTheTime();
};

namespace {

QByteArray taken(BridgeQueue &queue, const QObject *source)
{
    const BridgeQueue::Entry entry = queue.take();
    return entry.source == source ? entry.request : QByteArray("from another page");
}

} // namespace

void TestBridgeTurns::pagesTakeTurnsEachInItsOwnOrder()
{
    QObject flood, quiet;
    BridgeQueue queue(10);
    QVERIFY(queue.push(&flood, "f1") && queue.push(&flood, "f2") && queue.push(&flood, "f3"));
    QVERIFY(queue.push(&quiet, "q1") && queue.push(&quiet, "q2"));
    QVERIFY(!queue.push(&flood, "f4567"));
    QCOMPARE(taken(queue, &flood), "f1");
    QCOMPARE(taken(queue, &quiet), "q1");
    QCOMPARE(taken(queue, &flood), "f2");
    QCOMPARE(taken(queue, &quiet), "q2");
    QVERIFY(queue.push(&flood, "f4"));
    QVERIFY(queue.push(&quiet, "q3"));
    QCOMPARE(taken(queue, &flood), "f3");
    QCOMPARE(taken(queue, &quiet), "q3");
    QCOMPARE(queue.waiting(&flood), 1);
    queue.forget(&flood);
    QVERIFY(queue.isEmpty());
}

void TestBridgeTurns::aQuietPageWaitsOneTurnAndAClosedPagesRequestsGo()
{
    DebugCapture debug;
    QObject flood, quiet, context;
    QScopedPointer<QObject> closed(new QObject);
    QStringList served;
    connect(BridgeTurns::instance(), &BridgeTurns::sgServed, &context,
        [&](const QObject *source, const QString &request) {
            served.append(source == &quiet ? request : QStringLiteral("flood"));
        });
    const QByteArray large(BridgeTurns::kMaxWaitingBytes / 8, 'x');
    for (int i = 0; i < 10; ++i) {
        BridgeTurns::instance()->add(&flood, i < 8 ? large : QByteArray("refused"));
        BridgeTurns::instance()->add(closed.data(), "closed");
    }
    BridgeTurns::instance()->add(&quiet, "quiet");
    QCOMPARE(debug.lines().filter("bridge requests refused: a page has 8 waiting").size(), 1);
    closed.reset();
    QTRY_COMPARE(served.size(), 9);
    QTest::qWait(50);
    QCOMPARE(served, QStringList({ "flood", "quiet" }) + QStringList(7, "flood"));
}

void TestBridgeTurns::dispatcherLeavesTheEngineHalfTheTime()
{
    const qint64 ms = 1000 * 1000;
    ServingShare share(4 * ms);
    share.spend(1 * ms, 1 * ms);
    QCOMPARE(share.restNs(1 * ms), qint64(0));
    share.spend(4 * ms, 3 * ms);
    QCOMPARE(share.restNs(4 * ms), 2 * ms);
    QCOMPARE(share.restNs(5 * ms), 1 * ms);
    qint64 now = 7 * ms, served = 0;
    for (int turn = 0; turn < 1000; ++turn) {
        now += share.restNs(now) + 2 * ms;
        share.spend(now, 2 * ms);
        served += 2 * ms;
    }
    QVERIFY(served <= (now - 7 * ms) / 2 + 4 * ms);
}

QTEST_GUILESS_MAIN(TestBridgeTurns)
#include "tst_bridgeturns.moc"
