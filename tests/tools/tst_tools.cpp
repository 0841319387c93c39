#include "tools/tools.h"

#include <QtTest>

namespace {

const QString passphrase = QStringLiteral("6274093MOSS381906LAKE927415");

} // namespace

class TestTools : public QObject
{
    Q_OBJECT

private slots:
    void singleton();
    void cipherTextLength_data();
    void cipherTextLength();
    void knownAnswer_data();
    void knownAnswer();
    void deterministic();
    void roundTrip_data();
    void roundTrip();
    void textIsCutAtNul();
};

void TestTools::singleton()
{
    Tools *tools = Tools::instance();
    QVERIFY(tools);
    QCOMPARE(Tools::instance(), tools);
    QCOMPARE(tools->parent(), nullptr);
}

void TestTools::cipherTextLength_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("base64Length");

    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("16 bytes, one block") << QStringLiteral("0123456789abcdef") << 24;
    QTest::newRow("17 bytes, two blocks") << QStringLiteral("0123456789abcdefg") << 44;
    // Five characters of three UTF-8 bytes each, plus one: 16 bytes.
    QTest::newRow("16 UTF-8 bytes") << QStringLiteral("窗口位置值x") << 24;
}

// Zero padding to whole 16-byte blocks, then Base64 with "=" padding.
void TestTools::cipherTextLength()
{
    QFETCH(QString, text);
    QFETCH(int, base64Length);

    QCOMPARE(Tools::encryptText(text, passphrase).size(), base64Length);
}

void TestTools::knownAnswer_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("cipher");

    // Computed independently: the UTF-8 text zero-padded by hand, then AES-128-ECB without
    // padding under the MD5 digest of the UTF-8 passphrase.
    QTest::newRow("aligned ASCII") << passphrase << QStringLiteral("Setting/userName")
                                   << QStringLiteral("ehP13SjpZS+eBosUQoO5jw==");
    QTest::newRow("padded UTF-8") << passphrase << QStringLiteral("lumen/窗口位置 café")
                                  << QStringLiteral("Zf1kgF7hz8xYckFDtbm2xDqw/7OHCcOVypSM1tJFxQ0=");
    QTest::newRow("non-ASCII passphrase")
        << QStringLiteral("口令-clé") << QStringLiteral("Setting/userName")
        << QStringLiteral("wvDVSnPvBqYyWMRnePUk+Q==");
}

void TestTools::knownAnswer()
{
    QFETCH(QString, key);
    QFETCH(QString, plain);
    QFETCH(QString, cipher);

    QCOMPARE(Tools::encryptText(plain, key), cipher);
    QCOMPARE(Tools::decryptText(cipher, key), plain);
    // Characters outside the Base64 alphabet are skipped, as when a value was wrapped or damaged.
    QString damaged = cipher;
    damaged.insert(8, QStringLiteral("\n *"));
    QCOMPARE(Tools::decryptText(damaged, key), plain);
}

// Encrypted key names are looked up by their cipher text, so it must never vary.
void TestTools::deterministic()
{
    const QString text = QStringLiteral("Setting/windowGeometry");
    const QString first = Tools::encryptText(text, passphrase);
    QCOMPARE(Tools::encryptText(text, passphrase), first);
    QVERIFY(Tools::encryptText(text, passphrase + QLatin1Char('x')) != first);
}

void TestTools::roundTrip_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QString();
    QTest::newRow("ASCII, block-aligned") << QStringLiteral("0123456789abcdef");
    QTest::newRow("Chinese") << QStringLiteral("游戏大厅的窗口配置");
    QTest::newRow("emoji") << QStringLiteral("🎮 ok 😀");
    QTest::newRow("accented") << QStringLiteral("Crème brûlée, naïve façade – Ærø");
    QTest::newRow("long") << QString(QStringLiteral("long value; ")).repeated(40);
}

void TestTools::roundTrip()
{
    QFETCH(QString, text);

    const QString cipher = Tools::encryptText(text, passphrase);
    QCOMPARE(Tools::decryptText(cipher, passphrase), text);
    if (!text.isEmpty())
        QVERIFY(Tools::decryptText(cipher, QStringLiteral("another passphrase")) != text);
}

// Decryption stops at the first zero byte, which is what strips the zero padding.
void TestTools::textIsCutAtNul()
{
    const QString text = QStringLiteral("before") + QChar(0) + QStringLiteral("after");
    QCOMPARE(Tools::decryptText(Tools::encryptText(text, passphrase), passphrase),
        QStringLiteral("before"));
}

QTEST_GUILESS_MAIN(TestTools)
#include "tst_tools.moc"
