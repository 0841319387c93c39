#include "tools/tools.h"

#include <QCursor>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QtTest>

namespace {

// A panel on top: makes the work area differ from the full geometry, which the bare X server
// never does on its own. Set in device pixels, as a window manager would.
bool setWorkArea(const QScreen *screen)
{
    const QRect native(screen->geometry().topLeft() * screen->devicePixelRatio(),
        screen->geometry().size() * screen->devicePixelRatio());
    const QString area = QStringLiteral("%1, %2, %3, %4")
                             .arg(native.x())
                             .arg(native.y() + 40)
                             .arg(native.width())
                             .arg(native.height() - 40);
    return QProcess::execute(QStringLiteral("xprop"),
               { QStringLiteral("-root"), QStringLiteral("-f"), QStringLiteral("_NET_WORKAREA"),
                   QStringLiteral("32c"), QStringLiteral("-set"), QStringLiteral("_NET_WORKAREA"),
                   area })
        == 0;
}

void removeWorkArea()
{
    QProcess::execute(QStringLiteral("xprop"),
        { QStringLiteral("-root"), QStringLiteral("-remove"), QStringLiteral("_NET_WORKAREA") });
}

QScreen *firstScreen()
{
    return QGuiApplication::screens().first();
}

} // namespace

// Runs on the test X server. It shows Qt one screen only, so choosing among several screens is
// left to the screen rules' own test; here the queries must read the right screen values.
class TestToolsScreen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void sceneContract_data();
    void sceneContract();
    void primaryScreen();
    void screenUnderPoint_data();
    void screenUnderPoint();
    void zoomFactor();
    void mousePos_data();
    void mousePos();
    void formatPath_data();
    void formatPath();
    void getFileName_data();
    void getFileName();

private:
    Tools *m_tools = nullptr;
};

void TestToolsScreen::initTestCase()
{
    QVERIFY2(setWorkArea(firstScreen()), "xprop (x11-utils) sets the work area");
    QTRY_VERIFY(firstScreen()->availableGeometry() != firstScreen()->geometry());
}

void TestToolsScreen::cleanupTestCase()
{
    removeWorkArea();
}

void TestToolsScreen::init()
{
    m_tools = Tools::instance();
}

void TestToolsScreen::sceneContract_data()
{
    QTest::addColumn<QByteArray>("signature");
    QTest::addColumn<bool>("signal");

    for (const char *signature : { "getMouseDesktopInt(QPoint)", "getDesktopRect()",
             "getNowDesktopRect(QPoint)", "getAvailableRect()", "getNowAvailableRect(QPoint)",
             "getZoomFactor()", "getNowZoomFactor(QPoint)", "getDesktopWidth()",
             "getDesktopHeight()", "getDesktopX()", "getDesktopY()", "getNowDesktopWidth(QPoint)",
             "getNowDesktopHeight(QPoint)", "getNowDesktopX(QPoint)", "getNowDesktopY(QPoint)",
             "getAvailableWidth()", "getAvailableHeight()", "getAvailableX()", "getAvailableY()",
             "getNowAvailableWidth(QPoint)", "getNowAvailableHeight(QPoint)",
             "getNowAvailableX(QPoint)", "getNowAvailableY(QPoint)", "getMousePos()",
             "formatPath(QString)", "getFileName(QString)" })
        QTest::newRow(signature) << QByteArray(signature) << false;
    QTest::newRow("sgActive(QString)") << QByteArray("sgActive(QString)") << true;
    QTest::newRow("sgInactive()") << QByteArray("sgInactive()") << true;
}

// The scene reaches Tools only through its meta-object.
void TestToolsScreen::sceneContract()
{
    QFETCH(QByteArray, signature);
    QFETCH(bool, signal);

    const int index = Tools::staticMetaObject.indexOfMethod(signature);
    QVERIFY2(index >= 0, signature);
    QCOMPARE(Tools::staticMetaObject.method(index).methodType(),
        signal ? QMetaMethod::Signal : QMetaMethod::Method);
}

void TestToolsScreen::primaryScreen()
{
    const QScreen *primary = QGuiApplication::primaryScreen();

    QCOMPARE(m_tools->getDesktopRect(), primary->geometry());
    QCOMPARE(m_tools->getAvailableRect(), primary->availableGeometry());

    const QRect desktop = m_tools->getDesktopRect();
    QCOMPARE(m_tools->getDesktopX(), desktop.x());
    QCOMPARE(m_tools->getDesktopY(), desktop.y());
    QCOMPARE(m_tools->getDesktopWidth(), desktop.width());
    QCOMPARE(m_tools->getDesktopHeight(), desktop.height());

    const QRect available = m_tools->getAvailableRect();
    QCOMPARE(m_tools->getAvailableX(), available.x());
    QCOMPARE(m_tools->getAvailableY(), available.y());
    QCOMPARE(m_tools->getAvailableWidth(), available.width());
    QCOMPARE(m_tools->getAvailableHeight(), available.height());
}

void TestToolsScreen::screenUnderPoint_data()
{
    QTest::addColumn<QPoint>("mouse");

    const QRect screen = firstScreen()->geometry();
    QTest::newRow("centre") << screen.center();
    QTest::newRow("top left") << screen.topLeft();
    QTest::newRow("one past the last column and row")
        << screen.topLeft() + QPoint(screen.width(), screen.height());
    QTest::newRow("left of the screen") << screen.topLeft() - QPoint(1, 0);
    QTest::newRow("far outside") << QPoint(100000, 100000);
}

// With one screen every point, inside or not, answers with screen 0.
void TestToolsScreen::screenUnderPoint()
{
    QFETCH(QPoint, mouse);
    const QScreen *screen = firstScreen();

    QCOMPARE(m_tools->getMouseDesktopInt(mouse), 0);

    const QRect desktop = m_tools->getNowDesktopRect(mouse);
    QCOMPARE(desktop, screen->geometry());
    QCOMPARE(m_tools->getNowDesktopX(mouse), desktop.x());
    QCOMPARE(m_tools->getNowDesktopY(mouse), desktop.y());
    QCOMPARE(m_tools->getNowDesktopWidth(mouse), desktop.width());
    QCOMPARE(m_tools->getNowDesktopHeight(mouse), desktop.height());

    const QRect available = m_tools->getNowAvailableRect(mouse);
    QCOMPARE(available, screen->availableGeometry());
    QCOMPARE(m_tools->getNowAvailableX(mouse), available.x());
    QCOMPARE(m_tools->getNowAvailableY(mouse), available.y());
    QCOMPARE(m_tools->getNowAvailableWidth(mouse), available.width());
    QCOMPARE(m_tools->getNowAvailableHeight(mouse), available.height());
}

// Registrations that change the screen's dpi or pixel ratio name the factor they expect; the
// plain one runs on a server started with -dpi 96.
void TestToolsScreen::zoomFactor()
{
    const double expected
        = qEnvironmentVariable("LUMEN_EXPECTED_ZOOM", QStringLiteral("1")).toDouble();
    const QScreen *screen = firstScreen();
    const QByteArray setup = "screen at " + QByteArray::number(screen->logicalDotsPerInch())
        + " logical dpi, pixel ratio " + QByteArray::number(screen->devicePixelRatio())
        + ", expecting zoom " + QByteArray::number(expected);

    QVERIFY2(qFuzzyCompare(m_tools->getZoomFactor(), expected), setup);
    QVERIFY2(
        qFuzzyCompare(m_tools->getNowZoomFactor(screen->geometry().center()), expected), setup);
    QVERIFY2(qFuzzyCompare(m_tools->getNowZoomFactor(QPoint(-100000, 0)), expected), setup);
}

void TestToolsScreen::mousePos_data()
{
    QTest::addColumn<QPoint>("position");

    const QRect screen = firstScreen()->geometry();
    QTest::newRow("near the top left") << screen.topLeft() + QPoint(10, 20);
    QTest::newRow("centre") << screen.center();
    QTest::newRow("last pixel") << screen.bottomRight();
}

void TestToolsScreen::mousePos()
{
    QFETCH(QPoint, position);

    QCursor::setPos(position);
    QTRY_COMPARE(m_tools->getMousePos(), position);
    // The scene's way to find the screen it stands on.
    QCOMPARE(m_tools->getNowDesktopRect(m_tools->getMousePos()), firstScreen()->geometry());
}

void TestToolsScreen::formatPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("formatted");

    QTest::newRow("drive letter") << QStringLiteral("file:///C:/a/b.png")
                                  << QStringLiteral("C:/a/b.png");
    QTest::newRow("absolute path keeps its slash")
        << QStringLiteral("file:///home/user/b.png") << QStringLiteral("/home/user/b.png");
    QTest::newRow("every occurrence") << QStringLiteral("file:///C:/a.png;file:///tmp/b.png")
                                      << QStringLiteral("C:/a.png;/tmp/b.png");
    QTest::newRow("upper case stays")
        << QStringLiteral("FILE:///C:/a/b.png") << QStringLiteral("FILE:///C:/a/b.png");
    QTest::newRow("host part stays") << QStringLiteral("file://server/share/b.png")
                                     << QStringLiteral("file://server/share/b.png");
    QTest::newRow("plain path") << QStringLiteral("C:/a/b.png") << QStringLiteral("C:/a/b.png");
    QTest::newRow("empty") << QString() << QString();
}

void TestToolsScreen::formatPath()
{
    QFETCH(QString, path);
    QFETCH(QString, formatted);

    QCOMPARE(m_tools->formatPath(path), formatted);
}

void TestToolsScreen::getFileName_data()
{
    QTest::addColumn<QString>("fullName");
    QTest::addColumn<QString>("fileName");

    QTest::newRow("drive path") << QStringLiteral("C:/a/b.png") << QStringLiteral("b.png");
    QTest::newRow("absolute path")
        << QStringLiteral("/home/user/archive.tar.gz") << QStringLiteral("archive.tar.gz");
    QTest::newRow("bare name") << QStringLiteral("b.png") << QStringLiteral("b.png");
    QTest::newRow("folder") << QStringLiteral("C:/a/") << QString();
}

void TestToolsScreen::getFileName()
{
    QFETCH(QString, fullName);
    QFETCH(QString, fileName);

    QCOMPARE(m_tools->getFileName(fullName), fileName);
}

QTEST_MAIN(TestToolsScreen)
#include "tst_toolsscreen.moc"
