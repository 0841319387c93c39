#pragma once

#include <QByteArray>
#include <QObject>

// AES block cipher (FIPS-197) with the ECB, CBC, CFB and OFB chaining modes of NIST SP 800-38A
// and three padding rules. Padding is added by encrypt() only; decrypt() never removes it.
//
// Invalid arguments give an empty result, never an error: a mode outside the list, a key whose
// length is not the level's, or (for every mode but ECB) an iv that is not 16 bytes. A level
// outside the list is treated as Aes128, a padding outside the list as PaddingZero.
//
// Holds only the three selectors; the block being transformed lives on the stack of each call,
// so the const operations may run concurrently on one object (the program still creates one
// object per operation).
class QAESEncryption : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(QAESEncryption)

public:
    // The enums have int as their underlying type so that any int a caller passes is a valid
    // value of the enum and reaches the documented fallback instead of undefined behaviour.
    enum Aes : int { Aes128, Aes192, Aes256 };
    enum Mode : int { ECB, CBC, CFB, OFB };
    enum Padding : int { PaddingZero, PaddingPkcs7, PaddingIso };

    static constexpr int BlockLength = 16;

    QAESEncryption(Aes level, Mode mode, Padding padding = PaddingIso, QObject *parent = nullptr);

    QByteArray encrypt(
        const QByteArray &plain, const QByteArray &key, const QByteArray &iv = QByteArray()) const;
    // A final partial block is dropped in ECB and CBC, and deciphered to a partial block in
    // CFB and OFB.
    QByteArray decrypt(const QByteArray &cipherText, const QByteArray &key,
        const QByteArray &iv = QByteArray()) const;
    // The round keys, 16 * (Nr + 1) bytes; empty when key is not the level's key length.
    QByteArray keyExpansion(const QByteArray &key) const;

private:
    bool acceptsArguments(const QByteArray &key, const QByteArray &iv) const;
    QByteArray padding(int length) const;
    QByteArray cipher(const QByteArray &roundKeys, const QByteArray &block) const;
    QByteArray invCipher(const QByteArray &roundKeys, const QByteArray &block) const;

    Aes m_level;
    Mode m_mode;
    Padding m_padding;
    int m_nk; // key length in 32-bit words
    int m_nr; // number of rounds
};
