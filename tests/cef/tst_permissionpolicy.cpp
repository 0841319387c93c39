#include "cef/permissionpolicy.h"

#include <QtTest>

// Who gets which permission, on plain values.
class TestPermissionPolicy : public QObject
{
    Q_OBJECT

private slots:
    void answersByOriginFeatureAndVoiceChat_data();
    void answersByOriginFeatureAndVoiceChat();
};

using Feature = PermissionPolicy::Feature;
Q_DECLARE_METATYPE(Feature)

void TestPermissionPolicy::answersByOriginFeatureAndVoiceChat_data()
{
    QTest::addColumn<QString>("origin");
    QTest::addColumn<Feature>("feature");
    QTest::addColumn<bool>("voiceChat");
    QTest::addColumn<bool>("granted");
    const QString portal = QStringLiteral("https://www.corvela.example");
    QTest::newRow("notifications") << portal << Feature::Notifications << false << true;
    QTest::newRow("clipboard") << portal << Feature::ClipboardWrite << false << true;
    QTest::newRow("microphone, no voice chat") << portal << Feature::Microphone << false << false;
    QTest::newRow("camera, voice chat") << portal << Feature::Camera << true << true;
    QTest::newRow("anything else") << portal << Feature::Other << true << false;
    QTest::newRow("untrusted") << QStringLiteral("https://ads.example") << Feature::Microphone
                               << true << false;
}

void TestPermissionPolicy::answersByOriginFeatureAndVoiceChat()
{
    QFETCH(QString, origin);
    QFETCH(Feature, feature);
    QFETCH(bool, voiceChat);
    QFETCH(bool, granted);
    const PermissionPolicy policy(OriginPolicy(QStringLiteral("corvela.example"), {}), voiceChat);
    QCOMPARE(policy.grants(QUrl(origin), feature), granted);
}

QTEST_GUILESS_MAIN(TestPermissionPolicy)
#include "tst_permissionpolicy.moc"
