#include "app/originpolicy.h"
#include "cef/qcefclient.h"
#include "engine/gesturereport.h"
#include "engine/pagerequests.h"

#include <QtTest>

// The player's gesture as the bridge's world reports it, and the popup it opens: without the
// engine.
class TestPlayerGesture : public QObject
{
    Q_OBJECT

private slots:
    void onlyARecentGestureOfADocumentWithAnOriginActs_data();
    void onlyARecentGestureOfADocumentWithAnOriginActs();
    void popupIsTheLastActingDocumentsAndItsPages_data();
    void popupIsTheLastActingDocumentsAndItsPages();
};

namespace {

const QString portal = QStringLiteral("https://portal.example");
const QString ad = QStringLiteral("https://ads.example:8443");

QVariantMap report(const QVariant &origin, const QVariant &age)
{
    return { { QStringLiteral("page"), portal }, { QStringLiteral("origin"), origin },
        { QStringLiteral("age"), age } };
}

} // namespace

void TestPlayerGesture::onlyARecentGestureOfADocumentWithAnOriginActs_data()
{
    QTest::addColumn<QVariantMap>("reported");
    QTest::addColumn<QString>("acting");
    QTest::newRow("just now") << report(ad, 0.4) << ad;
    QTest::newRow("too long ago") << report(ad, 5000) << QString();
    QTest::newRow("none yet") << report(QString(), -1) << QString();
    QTest::newRow("no origin of its own") << report(QStringLiteral("null"), 10) << QString();
    QTest::newRow("age not a number") << report(ad, QStringLiteral("soon")) << QString();
    QTest::newRow("nothing reported") << QVariantMap() << QString();
}

void TestPlayerGesture::onlyARecentGestureOfADocumentWithAnOriginActs()
{
    QFETCH(QVariantMap, reported);
    QFETCH(QString, acting);
    QCOMPARE(GestureReport::read(reported).actingOrigin, acting);
}

void TestPlayerGesture::popupIsTheLastActingDocumentsAndItsPages_data()
{
    QTest::addColumn<bool>("userGesture");
    QTest::addColumn<QString>("acting");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("the portal clicked") << true << portal << portal << QString();
    QTest::newRow("an ad clicked")
        << true << ad << portal << QStringLiteral("asked for by %1 in %2").arg(ad, portal);
    QTest::newRow("no document clicked lately")
        << true << QString() << portal
        << QStringLiteral("asked for by an unknown document in %1").arg(portal);
    QTest::newRow("no gesture the engine saw")
        << false << portal << portal << QStringLiteral("no click or key of the player");
}

void TestPlayerGesture::popupIsTheLastActingDocumentsAndItsPages()
{
    QFETCH(bool, userGesture);
    QFETCH(QString, acting);
    QFETCH(QString, page);
    QFETCH(QString, refusal);
    const OriginPolicy policy(QStringLiteral("portal.example"), {});
    const PopupRequest request { QUrl(QStringLiteral("https://portal.example/game")), userGesture,
        { acting, page } };
    QCOMPARE(QCefClient::popupRefusal(request, policy), refusal);
}

QTEST_GUILESS_MAIN(TestPlayerGesture)
#include "tst_playergesture.moc"
