#include "tools/systemrules.h"

#include <QtTest>

namespace {

using Flags = QNetworkInterface::InterfaceFlags;
using Interfaces = QVector<SystemRules::NetworkInterface>;

const Flags kActive = QNetworkInterface::IsUp | QNetworkInterface::IsRunning;
const Flags kActiveLoopback = kActive | QNetworkInterface::IsLoopBack;
const QString kFirst = QStringLiteral("52:54:00:12:34:56");
const QString kSecond = QStringLiteral("0A:1B:2C:3D:4E:5F");
const QString kLoopback = QStringLiteral("00:00:00:00:00:00");

} // namespace

Q_DECLARE_METATYPE(Interfaces)

class TestSystemRules : public QObject
{
    Q_OBJECT

private slots:
    void cpuId_data();
    void cpuId();
    void activeHardwareAddress_data();
    void activeHardwareAddress();
    void pathInside_data();
    void pathInside();
};

void TestSystemRules::cpuId_data()
{
    QTest::addColumn<quint32>("edx");
    QTest::addColumn<quint32>("eax");
    QTest::addColumn<QString>("id");

    QTest::newRow("five EAX digits") << 0xBFEBFBFFu << 0x906EAu << QStringLiteral("BFEBFBFF906EA");
    QTest::newRow("EAX 000306A9 loses its zeros")
        << 0xBFEBFBFFu << 0x000306A9u << QStringLiteral("BFEBFBFF306A9");
    QTest::newRow("EDX below eight digits")
        << 0x0789FBFFu << 0x00B20F10u << QStringLiteral("789FBFFB20F10");
    QTest::newRow("letters upper case")
        << 0x178BFBFFu << 0x00A50F00u << QStringLiteral("178BFBFFA50F00");
    QTest::newRow("zero words") << 0u << 0u << QStringLiteral("00");
}

void TestSystemRules::cpuId()
{
    QFETCH(quint32, edx);
    QFETCH(quint32, eax);
    QFETCH(QString, id);

    QCOMPARE(SystemRules::cpuId(edx, eax), id);
}

void TestSystemRules::activeHardwareAddress_data()
{
    QTest::addColumn<Interfaces>("interfaces");
    QTest::addColumn<QString>("address");

    QTest::newRow("no interface") << Interfaces() << QString();
    QTest::newRow("loopback listed first is skipped")
        << Interfaces { { kActiveLoopback, kLoopback }, { kActive, kFirst } } << kFirst;
    QTest::newRow("only a loopback") << Interfaces { { kActiveLoopback, kLoopback } } << QString();
    QTest::newRow("up but not running is skipped")
        << Interfaces { { Flags(QNetworkInterface::IsUp), kFirst }, { kActive, kSecond } }
        << kSecond;
    QTest::newRow("running but not up is skipped")
        << Interfaces { { Flags(QNetworkInterface::IsRunning), kFirst }, { kActive, kSecond } }
        << kSecond;
    const Flags broadcasting = kActive | QNetworkInterface::CanBroadcast;
    QTest::newRow("first of two active ones")
        << Interfaces { { broadcasting, kFirst }, { kActive, kSecond } } << kFirst;
    const Flags up = QNetworkInterface::IsUp;
    QTest::newRow("none active") << Interfaces { { Flags(), kFirst }, { up, kSecond } }
                                 << QString();
}

void TestSystemRules::activeHardwareAddress()
{
    QFETCH(Interfaces, interfaces);
    QFETCH(QString, address);

    QCOMPARE(SystemRules::activeHardwareAddress(interfaces), address);
}

void TestSystemRules::pathInside_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");

    const QString folder = QStringLiteral("/opt/lumen");
    QTest::newRow("file name") << folder << QStringLiteral("lumen_quit") << "/opt/lumen/lumen_quit";
    QTest::newRow("sub-folder") << folder << QStringLiteral("tools/x") << "/opt/lumen/tools/x";
    QTest::newRow("dot segments staying inside")
        << folder << QStringLiteral("./tools/../x") << "/opt/lumen/x";
    QTest::newRow("folder given unclean")
        << QStringLiteral("/opt/./lumen/") << QStringLiteral("x") << "/opt/lumen/x";
    QTest::newRow("root folder") << QStringLiteral("/") << QStringLiteral("x") << "/x";
    QTest::newRow("parent") << folder << QStringLiteral("../x") << QString();
    QTest::newRow("out to the system") << folder << QStringLiteral("../../usr/bin/x") << QString();
    QTest::newRow("down, then out") << folder << QStringLiteral("tools/../../x") << QString();
    QTest::newRow("sibling sharing the prefix")
        << folder << QStringLiteral("../lumen2/x") << QString();
    QTest::newRow("out and back in") << folder << QStringLiteral("../lumen/x") << "/opt/lumen/x";
    QTest::newRow("absolute") << folder << QStringLiteral("/usr/bin/x") << QString();
    QTest::newRow("empty") << folder << QString() << QString();
    QTest::newRow("dot") << folder << QStringLiteral(".") << QString();
    QTest::newRow("dot dot") << folder << QStringLiteral("..") << QString();
    QTest::newRow("sub-folder and back") << folder << QStringLiteral("tools/..") << QString();
    QTest::newRow("NUL") << folder << QStringLiteral("x") + QChar(0) + QStringLiteral("/../../y")
                         << QString();
}

// The only guard between a page's name and the programs of the whole machine.
void TestSystemRules::pathInside()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, path);

    QCOMPARE(SystemRules::pathInside(folder, name), path);
}

QTEST_GUILESS_MAIN(TestSystemRules)
#include "tst_systemrules.moc"
