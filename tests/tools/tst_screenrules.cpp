#include "tools/screenrules.h"

#include <QtTest>

using Screens = QVector<QRect>;

class TestScreenRules : public QObject
{
    Q_OBJECT

private slots:
    void screenIndexAt_data();
    void screenIndexAt();
    void zoomFactor_data();
    void zoomFactor();
    void screenZoomFactor_data();
    void screenZoomFactor();
};

void TestScreenRules::screenIndexAt_data()
{
    QTest::addColumn<Screens>("screens");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("index");

    const Screens sideBySide { QRect(0, 0, 1920, 1080), QRect(1920, 0, 1920, 1080) };
    QTest::newRow("shared edge goes to the first listed") << sideBySide << QPoint(1920, 500) << 0;
    QTest::newRow("one past the shared edge") << sideBySide << QPoint(1921, 500) << 1;
    QTest::newRow("top left corner") << sideBySide << QPoint(0, 0) << 0;
    QTest::newRow("last column") << sideBySide << QPoint(3839, 500) << 1;
    QTest::newRow("right edge is inclusive") << sideBySide << QPoint(3840, 500) << 1;
    QTest::newRow("bottom right corner is inclusive") << sideBySide << QPoint(3840, 1080) << 1;
    QTest::newRow("beyond the right edge") << sideBySide << QPoint(3841, 500) << 0;
    QTest::newRow("beyond the bottom edge") << sideBySide << QPoint(2500, 1081) << 0;
    QTest::newRow("left of every screen") << sideBySide << QPoint(-1, 500) << 0;
    QTest::newRow("above every screen") << sideBySide << QPoint(2500, -1) << 0;

    const Screens rightFirst { QRect(1920, 0, 1920, 1080), QRect(0, 0, 1920, 1080) };
    QTest::newRow("list order decides the shared edge") << rightFirst << QPoint(1920, 500) << 0;
    QTest::newRow("left screen listed second") << rightFirst << QPoint(1919, 500) << 1;

    const Screens leftOfPrimary { QRect(0, 0, 1920, 1080), QRect(-1280, 56, 1280, 1024) };
    QTest::newRow("negative coordinates") << leftOfPrimary << QPoint(-1, 500) << 1;
    QTest::newRow("left screen's top left") << leftOfPrimary << QPoint(-1280, 56) << 1;
    QTest::newRow("left screen's bottom edge") << leftOfPrimary << QPoint(-640, 1080) << 1;
    QTest::newRow("above the lower left screen") << leftOfPrimary << QPoint(-640, 55) << 0;
    QTest::newRow("below the left screen") << leftOfPrimary << QPoint(-640, 1081) << 0;

    const Screens stacked { QRect(0, 0, 1920, 1080), QRect(0, 1080, 1920, 1080) };
    QTest::newRow("shared bottom edge") << stacked << QPoint(500, 1080) << 0;
    QTest::newRow("one below the shared edge") << stacked << QPoint(500, 1081) << 1;

    const Screens three { QRect(0, 0, 1920, 1080), QRect(1920, 0, 2560, 1440),
        QRect(4480, 0, 1080, 1920) };
    QTest::newRow("third screen") << three << QPoint(5000, 1900) << 2;
    QTest::newRow("gap under the middle screen") << three << QPoint(3000, 1500) << 0;

    QTest::newRow("no screens") << Screens() << QPoint(10, 10) << 0;
}

void TestScreenRules::screenIndexAt()
{
    QFETCH(Screens, screens);
    QFETCH(QPoint, point);
    QFETCH(int, index);

    QCOMPARE(ScreenRules::screenIndexAt(screens, point), index);
}

void TestScreenRules::zoomFactor_data()
{
    QTest::addColumn<qreal>("dpi");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<double>("zoom");

    QTest::newRow("72 dpi") << 72.0 << 1.0 << 1.0;
    QTest::newRow("96 dpi") << 96.0 << 1.0 << 1.0;
    QTest::newRow("96.9 dpi is cut to 96") << 96.9 << 1.0 << 1.0;
    QTest::newRow("97 dpi") << 97.0 << 1.0 << 1.25;
    QTest::newRow("120 dpi") << 120.0 << 1.0 << 1.25;
    QTest::newRow("120.5 dpi is cut to 120") << 120.5 << 1.0 << 1.25;
    QTest::newRow("121 dpi") << 121.0 << 1.0 << 1.5;
    QTest::newRow("144 dpi") << 144.0 << 1.0 << 1.5;
    QTest::newRow("145 dpi") << 145.0 << 1.0 << 1.75;
    QTest::newRow("168 dpi") << 168.0 << 1.0 << 1.75;
    QTest::newRow("168.7 dpi is cut to 168") << 168.7 << 1.0 << 1.75;
    QTest::newRow("169 dpi") << 169.0 << 1.0 << 2.0;
    QTest::newRow("288 dpi") << 288.0 << 1.0 << 2.0;
    QTest::newRow("ratio 1.5 is cut to 1") << 120.0 << 1.5 << 1.25;
    QTest::newRow("ratio 1.99 is cut to 1") << 72.0 << 1.99 << 1.0;

    QTest::newRow("ratio 2, 48 dpi") << 48.0 << 2.0 << 1.5;
    QTest::newRow("ratio 2, 72 dpi") << 72.0 << 2.0 << 1.5;
    QTest::newRow("ratio 2, 72.9 dpi is cut to 72") << 72.9 << 2.0 << 1.5;
    QTest::newRow("ratio 2, 73 dpi") << 73.0 << 2.0 << 1.75;
    QTest::newRow("ratio 2, 84 dpi") << 84.0 << 2.0 << 1.75;
    QTest::newRow("ratio 2, 85 dpi") << 85.0 << 2.0 << 2.0;
    QTest::newRow("ratio 2, 96 dpi") << 96.0 << 2.0 << 2.0;
    QTest::newRow("ratio 2.5 is cut to 2") << 96.0 << 2.5 << 2.0;

    QTest::newRow("ratio 3, 72 dpi") << 72.0 << 3.0 << 1.0;
    QTest::newRow("ratio 3, 288 dpi") << 288.0 << 3.0 << 1.0;
    QTest::newRow("ratio 0.5 is cut to 0") << 144.0 << 0.5 << 1.0;
}

void TestScreenRules::zoomFactor()
{
    QFETCH(qreal, dpi);
    QFETCH(qreal, ratio);
    QFETCH(double, zoom);

    QCOMPARE(ScreenRules::zoomFactor(dpi, ratio), zoom);
}

void TestScreenRules::screenZoomFactor_data()
{
    QTest::addColumn<qreal>("dpi");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<double>("zoom");

    // How Qt 6 reads screens set to the Windows steps: the base dpi at the exact ratio.
    QTest::newRow("100 %") << 96.0 << 1.0 << 1.0;
    QTest::newRow("125 %") << 96.0 << 1.25 << 1.25;
    QTest::newRow("150 %") << 96.0 << 1.5 << 1.5;
    QTest::newRow("175 %") << 96.0 << 1.75 << 1.75;
    QTest::newRow("200 %") << 96.0 << 2.0 << 2.0;
    QTest::newRow("250 %") << 96.0 << 2.5 << 2.0;
    QTest::newRow("between steps goes up") << 96.0 << 1.1 << 1.25;
    // Unscaled readings keep the scale in the dpi, as Qt 5 gave it.
    QTest::newRow("unscaled 144 dpi") << 144.0 << 1.0 << 1.5;
    QTest::newRow("unscaled 168 dpi") << 168.0 << 1.0 << 1.75;
    // Qt 5's rounded ratio 2 with the rest of the scale in the dpi.
    QTest::newRow("ratio 2, 72 dpi") << 72.0 << 2.0 << 1.5;
    QTest::newRow("ratio 2, 84 dpi") << 84.0 << 2.0 << 1.75;
    QTest::newRow("ratio 0.5 as it is") << 144.0 << 0.5 << 1.0;
    QTest::newRow("no ratio") << 96.0 << 0.0 << 1.0;
}

void TestScreenRules::screenZoomFactor()
{
    QFETCH(qreal, dpi);
    QFETCH(qreal, ratio);
    QFETCH(double, zoom);

    QCOMPARE(ScreenRules::screenZoomFactor(dpi, ratio), zoom);
}

QTEST_GUILESS_MAIN(TestScreenRules)
#include "tst_screenrules.moc"
