#include "app/qaesencryption.h"

#include <QtTest>

#include <cstring>
#include <memory>

// Published known answers: FIPS-197 appendices A and C, NIST SP 800-38A appendix F.
namespace {

const QByteArray fipsPlain = QByteArray::fromHex("00112233445566778899aabbccddeeff");

const QByteArray key128 = QByteArray::fromHex("2b7e151628aed2a6abf7158809cf4f3c");
const QByteArray key192 = QByteArray::fromHex("8e73b0f7da0e6452c810f32b809079e562f8ead2522c6b7b");
const QByteArray key256
    = QByteArray::fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
const QByteArray iv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
const QByteArray plain = QByteArray::fromHex("6bc1bee22e409f96e93d7e117393172a"
                                             "ae2d8a571e03ac9c9eb76fac45af8e51"
                                             "30c81c46a35ce411e5fbc1191a0a52ef"
                                             "f69f2445df4f9b17ad2b417be66c3710");

} // namespace

class TestQAESEncryption : public QObject
{
    Q_OBJECT

private slots:
    void fips197Block_data();
    void fips197Block();
    void keyExpansion_data();
    void keyExpansion();
    void chainingModes_data();
    void chainingModes();
    void padding_data();
    void padding();
    void unknownLevelIsAes128();
    void rejectedArguments_data();
    void rejectedArguments();
    void partialCipherText_data();
    void partialCipherText();
};

void TestQAESEncryption::fips197Block_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("cipher");

    QTest::newRow("C.1 AES-128") << int(QAESEncryption::Aes128)
                                 << QByteArray::fromHex("000102030405060708090a0b0c0d0e0f")
                                 << QByteArray::fromHex("69c4e0d86a7b0430d8cdb78070b4c55a");
    QTest::newRow("C.2 AES-192") << int(QAESEncryption::Aes192)
                                 << QByteArray::fromHex("000102030405060708090a0b0c0d0e0f"
                                                        "1011121314151617")
                                 << QByteArray::fromHex("dda97ca4864cdfe06eaf70a0ec0d7191");
    QTest::newRow("C.3 AES-256") << int(QAESEncryption::Aes256)
                                 << QByteArray::fromHex("000102030405060708090a0b0c0d0e0f"
                                                        "101112131415161718191a1b1c1d1e1f")
                                 << QByteArray::fromHex("8ea2b7ca516745bfeafc49904b496089");
}

void TestQAESEncryption::fips197Block()
{
    QFETCH(int, level);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, cipher);

    QAESEncryption aes(
        QAESEncryption::Aes(level), QAESEncryption::ECB, QAESEncryption::PaddingZero);
    QCOMPARE(aes.encrypt(fipsPlain, key).toHex(), cipher.toHex());
    QCOMPARE(aes.decrypt(cipher, key).toHex(), fipsPlain.toHex());
    // ECB has no chain value: whatever iv is passed is ignored.
    QCOMPARE(aes.encrypt(fipsPlain, key, QByteArray(15, 'x')).toHex(), cipher.toHex());
}

void TestQAESEncryption::keyExpansion_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("words"); // four words at that byte offset

    const int aes128 = QAESEncryption::Aes128;
    const int aes192 = QAESEncryption::Aes192;
    const int aes256 = QAESEncryption::Aes256;
    QTest::newRow("A.1 AES-128 words 4-7")
        << aes128 << key128 << 176 << 16 << QByteArray::fromHex("a0fafe1788542cb123a339392a6c7605");
    QTest::newRow("A.1 AES-128 words 40-43")
        << aes128 << key128 << 176 << 160
        << QByteArray::fromHex("d014f9a8c9ee2589e13f0cc8b6630ca6");
    QTest::newRow("A.2 AES-192 words 6-9")
        << aes192 << key192 << 208 << 24 << QByteArray::fromHex("fe0c91f72402f5a5ec12068e6c827f6b");
    QTest::newRow("A.2 AES-192 words 48-51")
        << aes192 << key192 << 208 << 192
        << QByteArray::fromHex("e98ba06f448c773c8ecc720401002202");
    QTest::newRow("A.3 AES-256 words 8-11")
        << aes256 << key256 << 240 << 32 << QByteArray::fromHex("9ba354118e6925afa51a8b5f2067fcde");
    // Word 12 is the substitution-only step that only 256-bit keys have.
    QTest::newRow("A.3 AES-256 words 12-15")
        << aes256 << key256 << 240 << 48 << QByteArray::fromHex("a8b09c1a93d194cdbe49846eb75d5b9a");
    QTest::newRow("A.3 AES-256 words 56-59")
        << aes256 << key256 << 240 << 224
        << QByteArray::fromHex("fe4890d1e6188d0b046df344706c631e");
}

void TestQAESEncryption::keyExpansion()
{
    QFETCH(int, level);
    QFETCH(QByteArray, key);
    QFETCH(int, size);
    QFETCH(int, offset);
    QFETCH(QByteArray, words);

    const QByteArray expanded
        = QAESEncryption(QAESEncryption::Aes(level), QAESEncryption::ECB).keyExpansion(key);
    QCOMPARE(expanded.size(), size);
    QCOMPARE(expanded.left(key.size()).toHex(), key.toHex());
    QCOMPARE(expanded.mid(offset, 16).toHex(), words.toHex());
}

void TestQAESEncryption::chainingModes_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("cipher");

    QTest::newRow("F.1.1 ECB-AES128")
        << int(QAESEncryption::Aes128) << int(QAESEncryption::ECB) << key128
        << QByteArray::fromHex("3ad77bb40d7a3660a89ecaf32466ef97"
                               "f5d3d58503b9699de785895a96fdbaaf"
                               "43b1cd7f598ece23881b00e3ed030688"
                               "7b0c785e27e8ad3f8223207104725dd4");
    QTest::newRow("F.2.1 CBC-AES128")
        << int(QAESEncryption::Aes128) << int(QAESEncryption::CBC) << key128
        << QByteArray::fromHex("7649abac8119b246cee98e9b12e9197d"
                               "5086cb9b507219ee95db113a917678b2"
                               "73bed6b8e3c1743b7116e69e22229516"
                               "3ff1caa1681fac09120eca307586e1a7");
    QTest::newRow("F.2.3 CBC-AES192")
        << int(QAESEncryption::Aes192) << int(QAESEncryption::CBC) << key192
        << QByteArray::fromHex("4f021db243bc633d7178183a9fa071e8"
                               "b4d9ada9ad7dedf4e5e738763f69145a"
                               "571b242012fb7ae07fa9baac3df102e0"
                               "08b0e27988598881d920a9e64f5615cd");
    QTest::newRow("F.2.5 CBC-AES256")
        << int(QAESEncryption::Aes256) << int(QAESEncryption::CBC) << key256
        << QByteArray::fromHex("f58c4c04d6e5f1ba779eabfb5f7bfbd6"
                               "9cfc4e967edb808d679f777bc6702c7d"
                               "39f23369a9d9bacfa530e26304231461"
                               "b2eb05e2c39be9fcda6c19078c6a9d1b");
    QTest::newRow("F.3.13 CFB128-AES128")
        << int(QAESEncryption::Aes128) << int(QAESEncryption::CFB) << key128
        << QByteArray::fromHex("3b3fd92eb72dad20333449f8e83cfb4a"
                               "c8a64537a0b3a93fcde3cdad9f1ce58b"
                               "26751f67a3cbb140b1808cf187a4f4df"
                               "c04b05357c5d1c0eeac4c66f9ff7f2e6");
    QTest::newRow("F.3.17 CFB128-AES256")
        << int(QAESEncryption::Aes256) << int(QAESEncryption::CFB) << key256
        << QByteArray::fromHex("dc7e84bfda79164b7ecd8486985d3860"
                               "39ffed143b28b1c832113c6331e5407b"
                               "df10132415e54b92a13ed0a8267ae2f9"
                               "75a385741ab9cef82031623d55b1e471");
    QTest::newRow("F.4.1 OFB-AES128")
        << int(QAESEncryption::Aes128) << int(QAESEncryption::OFB) << key128
        << QByteArray::fromHex("3b3fd92eb72dad20333449f8e83cfb4a"
                               "7789508d16918f03f53c52dac54ed825"
                               "9740051e9c5fecf64344f7a82260edcc"
                               "304c6528f659c77866a510d9c1d6ae5e");
    QTest::newRow("F.4.5 OFB-AES256")
        << int(QAESEncryption::Aes256) << int(QAESEncryption::OFB) << key256
        << QByteArray::fromHex("dc7e84bfda79164b7ecd8486985d3860"
                               "4febdc6740d20b3ac88f6ad82a4fb08d"
                               "71ab47a086e86eedf39d1c5bba97c408"
                               "0126141d67f37be8538f5a8be740e484");
}

// Each row is a pair of vectors: F.x.n for encryption and F.x.n+1, its inverse, for decryption.
void TestQAESEncryption::chainingModes()
{
    QFETCH(int, level);
    QFETCH(int, mode);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, cipher);

    // ISO padding adds nothing to block-aligned input, so the published texts apply unchanged.
    QAESEncryption aes(
        QAESEncryption::Aes(level), QAESEncryption::Mode(mode), QAESEncryption::PaddingIso);
    QCOMPARE(aes.encrypt(plain, key, iv).toHex(), cipher.toHex());
    QCOMPARE(aes.decrypt(cipher, key, iv).toHex(), plain.toHex());
}

void TestQAESEncryption::padding_data()
{
    QTest::addColumn<int>("padding");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("appended");

    const int zero = QAESEncryption::PaddingZero;
    const int pkcs7 = QAESEncryption::PaddingPkcs7;
    const int iso = QAESEncryption::PaddingIso;
    QTest::newRow("zero, empty") << zero << 0 << QByteArray();
    QTest::newRow("zero, aligned") << zero << 16 << QByteArray();
    QTest::newRow("zero, 5 bytes") << zero << 5 << QByteArray(11, '\0');
    QTest::newRow("pkcs7, empty") << pkcs7 << 0 << QByteArray(16, '\x10');
    QTest::newRow("pkcs7, aligned") << pkcs7 << 32 << QByteArray(16, '\x10');
    QTest::newRow("pkcs7, 5 bytes") << pkcs7 << 5 << QByteArray(11, '\x0b');
    QTest::newRow("pkcs7, 31 bytes") << pkcs7 << 31 << QByteArray(1, '\x01');
    QTest::newRow("iso, aligned") << iso << 16 << QByteArray();
    QTest::newRow("iso, 5 bytes") << iso << 5 << '\x80' + QByteArray(10, '\0');
    QTest::newRow("iso, 15 bytes") << iso << 15 << QByteArray(1, '\x80');
    QTest::newRow("unknown rule pads with zeros") << 3 << 5 << QByteArray(11, '\0');
}

// decrypt() keeps the padding, so a round trip shows exactly the bytes encrypt() appended.
void TestQAESEncryption::padding()
{
    QFETCH(int, padding);
    QFETCH(int, length);
    QFETCH(QByteArray, appended);

    QAESEncryption aes(
        QAESEncryption::Aes128, QAESEncryption::ECB, static_cast<QAESEncryption::Padding>(padding));
    const QByteArray text = plain.left(length);
    const QByteArray cipher = aes.encrypt(text, key128);
    QCOMPARE(cipher.size(), length + appended.size());
    QCOMPARE(aes.decrypt(cipher, key128).toHex(), (text + appended).toHex());
}

void TestQAESEncryption::unknownLevelIsAes128()
{
    QAESEncryption aes(QAESEncryption::Aes(7), QAESEncryption::ECB, QAESEncryption::PaddingZero);
    const QByteArray key = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
    QCOMPARE(aes.encrypt(fipsPlain, key).toHex(), QByteArray("69c4e0d86a7b0430d8cdb78070b4c55a"));
    QCOMPARE(aes.keyExpansion(key).size(), 176);
    QVERIFY(aes.encrypt(fipsPlain, key256).isEmpty());
}

void TestQAESEncryption::rejectedArguments_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("iv");

    const int aes128 = QAESEncryption::Aes128;
    const QByteArray iv15 = iv.left(15);
    QTest::newRow("CBC, 15-byte iv") << aes128 << int(QAESEncryption::CBC) << key128 << iv15;
    QTest::newRow("CFB, 15-byte iv") << aes128 << int(QAESEncryption::CFB) << key128 << iv15;
    QTest::newRow("OFB, 15-byte iv") << aes128 << int(QAESEncryption::OFB) << key128 << iv15;
    QTest::newRow("CBC, no iv") << aes128 << int(QAESEncryption::CBC) << key128 << QByteArray();
    QTest::newRow("OFB, 17-byte iv") << aes128 << int(QAESEncryption::OFB) << key128 << iv + 'x';
    QTest::newRow("mode 4") << aes128 << 4 << key128 << iv;
    QTest::newRow("mode -1") << aes128 << -1 << key128 << iv;
    QTest::newRow("AES-128, 24-byte key") << aes128 << int(QAESEncryption::ECB) << key192 << iv;
    QTest::newRow("AES-256, 16-byte key")
        << int(QAESEncryption::Aes256) << int(QAESEncryption::CBC) << key128 << iv;
    QTest::newRow("AES-192, empty key")
        << int(QAESEncryption::Aes192) << int(QAESEncryption::ECB) << QByteArray() << iv;
}

void TestQAESEncryption::rejectedArguments()
{
    QFETCH(int, level);
    QFETCH(int, mode);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, iv);

    QAESEncryption aes(
        QAESEncryption::Aes(level), QAESEncryption::Mode(mode), QAESEncryption::PaddingPkcs7);
    QCOMPARE(aes.encrypt(plain, key, iv), QByteArray());
    QCOMPARE(aes.decrypt(plain, key, iv), QByteArray());
}

void TestQAESEncryption::partialCipherText_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("length");

    const char *const names[] = { "ECB", "CBC", "CFB", "OFB" };
    for (int mode = QAESEncryption::ECB; mode <= QAESEncryption::OFB; ++mode) {
        for (int length : { 1, 17, 31, 47 })
            QTest::addRow("%s, %d bytes", names[mode], length) << mode << length;
    }
}

// ECB and CBC drop a final partial block; CFB and OFB decipher it to a partial block.
void TestQAESEncryption::partialCipherText()
{
    QFETCH(int, mode);
    QFETCH(int, length);

    QAESEncryption aes(
        QAESEncryption::Aes128, QAESEncryption::Mode(mode), QAESEncryption::PaddingZero);
    const QByteArray cipher = aes.encrypt(plain, key128, iv);

    // An exactly sized heap buffer, so that a sanitizer build catches any access past its end.
    const auto buffer = std::make_unique<char[]>(size_t(length));
    std::memcpy(buffer.get(), cipher.constData(), size_t(length));
    const QByteArray truncated = QByteArray::fromRawData(buffer.get(), length);

    const bool blockMode = mode == QAESEncryption::ECB || mode == QAESEncryption::CBC;
    const int expected = blockMode ? length - length % 16 : length;
    QCOMPARE(aes.decrypt(truncated, key128, iv).toHex(), plain.left(expected).toHex());
}

QTEST_GUILESS_MAIN(TestQAESEncryption)
#include "tst_qaesencryption.moc"
