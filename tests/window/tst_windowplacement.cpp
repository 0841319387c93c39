#include "window/windowplacement.h"

#include <QtTest>

class TestWindowPlacement : public QObject
{
    Q_OBJECT

private slots:
    void scalesCornersByZoom_data();
    void scalesCornersByZoom();
    void alignsInsideScreen_data();
    void alignsInsideScreen();
    void childIsPlacedRelativeToFather();
    void childGrowsWithFatherUnlessPopup();
    void offsetsAndMarginsDescribeFinalFrame();
    void childStaysInsideTheWorkArea();
    void enormousRectEndsOnAScreen_data();
    void enormousRectEndsOnAScreen();
};

using Request = WindowPlacement::Request;

// Two screens side by side, the second one shorter.
const QRect kDesktop(0, 0, 3200, 1080);

void TestWindowPlacement::scalesCornersByZoom_data()
{
    QTest::addColumn<QString>("rect");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QRect>("frame");
    QTest::newRow("corners, not origin and size") << "0,0,300,500" << 1.0 << QRect(0, 0, 300, 500);
    QTest::newRow("zoom 1.25 truncates") << "10,20,310,520" << 1.25 << QRect(12, 25, 375, 625);
    QTest::newRow("zoom 1.5") << "1,1,101,51" << 1.5 << QRect(1, 1, 150, 75);
    QTest::newRow("missing parts count as 0, sizes never negative")
        << "10,20" << 1.0 << QRect(10, 20, 0, 0);
    QTest::newRow("beyond 64 bits and negative stay on the desktop")
        << "-99999999999999999999999,-2147483648,99999999999999999999999,2147483647" << 3.0
        << kDesktop;
    QTest::newRow("int overflow once zoomed")
        << "2000000000,0,2000000100,100" << 1.5 << QRect(3200 - 150, 0, 150, 150);
    QTest::newRow("larger than the desktop") << "-5000,-5000,100,100" << 1.0 << kDesktop;
    QTest::newRow("words count as 0") << "a,5,b,105" << 1.0 << QRect(0, 5, 0, 100);
    QTest::newRow("empty rect") << "" << 2.0 << QRect(0, 0, 0, 0);
}

void TestWindowPlacement::scalesCornersByZoom()
{
    QFETCH(QString, rect);
    QFETCH(double, zoom);
    QFETCH(QRect, frame);
    const WindowPlacement placement = WindowPlacement::forRoot(
        Request { rect, zoom, "", "", false, kDesktop }, QRect(0, 0, 1920, 1080));
    QCOMPARE(placement.frame, frame);
    QCOMPARE(placement.openWidth, frame.width());
    QCOMPARE(placement.openHeight, frame.height());
}

void TestWindowPlacement::alignsInsideScreen_data()
{
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QString>("align");
    QTest::addColumn<QString>("valign");
    QTest::addColumn<QPoint>("position");
    const QRect primary(0, 0, 1920, 1080);
    const QRect second(1920, 0, 1280, 1024);
    QTest::newRow("centre, odd width rounds down") << primary << "Center"
                                                   << "VCenter" << QPoint(809, 290);
    QTest::newRow("left top") << primary << "Left"
                              << "Top" << QPoint(0, 0);
    QTest::newRow("right bottom") << primary << "Right"
                                  << "Bottom" << QPoint(1619, 580);
    QTest::newRow("unknown words keep the rect") << primary << "center"
                                                 << "middle" << QPoint(5, 10);
    QTest::newRow("second screen centre") << second << "Center"
                                          << "VCenter" << QPoint(1920 + 489, 262);
    QTest::newRow("second screen, rect is absolute") << second << ""
                                                     << "" << QPoint(5, 10);
}

void TestWindowPlacement::alignsInsideScreen()
{
    QFETCH(QRect, screen);
    QFETCH(QString, align);
    QFETCH(QString, valign);
    QFETCH(QPoint, position);
    const WindowPlacement placement = WindowPlacement::forRoot(
        Request { "5,10,306,510", 1.0, align, valign, false, kDesktop }, screen);
    QCOMPARE(placement.frame.topLeft(), position);
    QCOMPARE(placement.frame.size(), QSize(301, 500));
}

void TestWindowPlacement::childIsPlacedRelativeToFather()
{
    const WindowPlacement::Father father { QRect(100, 200, 800, 600), 800, 600 };
    const WindowPlacement placed = WindowPlacement::forChild(
        Request { "10,20,110,220", 1.0, "", "", false, kDesktop }, father);
    QCOMPARE(placed.frame, QRect(110, 220, 100, 200));

    const WindowPlacement centred = WindowPlacement::forChild(
        Request { "0,0,200,100", 1.0, "Center", "Bottom", false, kDesktop }, father);
    QCOMPARE(centred.frame, QRect(400, 700, 200, 100));
}

void TestWindowPlacement::childGrowsWithFatherUnlessPopup()
{
    // The father opened at 800 x 600 and has grown by 100 x 50 since.
    const WindowPlacement::Father father { QRect(0, 0, 900, 650), 800, 600 };
    const WindowPlacement child = WindowPlacement::forChild(
        Request { "0,0,200,100", 1.0, "", "", false, kDesktop }, father);
    QCOMPARE(child.frame.size(), QSize(300, 150));
    QCOMPARE(child.openWidth, 200);
    QCOMPARE(child.openHeight, 100);

    const WindowPlacement popup
        = WindowPlacement::forChild(Request { "0,0,200,100", 1.0, "", "", true, kDesktop }, father);
    QCOMPARE(popup.frame.size(), QSize(200, 100));
}

void TestWindowPlacement::offsetsAndMarginsDescribeFinalFrame()
{
    const WindowPlacement::Father father { QRect(100, 100, 1000, 800), 1000, 800 };
    const WindowPlacement child = WindowPlacement::forChild(
        Request { "50,60,350,460", 1.0, "", "", false, kDesktop }, father);
    QCOMPARE(child.offsetX, 50);
    QCOMPARE(child.offsetY, 60);
    QCOMPARE(child.marginRight, 1000 - 50 - 300);
    QCOMPARE(child.marginBottom, 800 - 60 - 400);

    const WindowPlacement root = WindowPlacement::forRoot(
        Request { "0,0,300,500", 1.0, "Center", "VCenter", false, kDesktop },
        QRect(0, 0, 1920, 1080));
    QCOMPARE(root.offsetX, 810);
    QCOMPARE(root.offsetY, 290);
    QCOMPARE(root.marginRight, 810);
    QCOMPARE(root.marginBottom, 290);
}

void TestWindowPlacement::childStaysInsideTheWorkArea()
{
    const WindowPlacement::Father father { QRect(3000, 900, 200, 180), 200, 180 };
    const WindowPlacement child = WindowPlacement::forChild(
        Request { "100,100,400,300", 1.0, "", "", false, kDesktop }, father);
    QCOMPARE(child.frame, QRect(2900, 880, 300, 200));
    QCOMPARE(child.offsetX, -100);
    QCOMPARE(child.marginBottom, 180 - (-20) - 200);
}

void TestWindowPlacement::enormousRectEndsOnAScreen_data()
{
    QTest::addColumn<QString>("rect");
    QTest::addColumn<QRect>("frame");
    // The desktop's box holds a gap below the shorter second screen.
    QTest::newRow("far below and right")
        << "99999999,99999999,99999999999,99999999999" << QRect(1920, 0, 1280, 720);
    QTest::newRow("in the gap") << "2000,800,2300,1000" << QRect(2000, 520, 300, 200);
    QTest::newRow("larger than both") << "-5000,-5000,9000,9000" << QRect(0, 0, 1920, 1080);
    QTest::newRow("far above and left")
        << "-99999999999,-99999999999,-99999999,-99999999" << QRect(0, 0, 1920, 1080);
}

void TestWindowPlacement::enormousRectEndsOnAScreen()
{
    QFETCH(QString, rect);
    QFETCH(QRect, frame);
    const QVector<QRect> screens { QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 720) };
    const WindowPlacement placement = WindowPlacement::forRoot(
        Request { rect, 1.0, "", "", false, kDesktop, screens }, screens.first());
    QCOMPARE(placement.frame, frame);
}

QTEST_GUILESS_MAIN(TestWindowPlacement)
#include "tst_windowplacement.moc"
