#include "app/qaesencryption.h"

#include <QtGlobal>

#include <algorithm>

namespace {

using State = quint8[QAESEncryption::BlockLength];

constexpr int Nb = 4; // words per block

// clang-format off
constexpr quint8 sbox[256] = {
    0x63, 0x7c, 0x77, 0x7b, 0xf2, 0x6b, 0x6f, 0xc5, 0x30, 0x01, 0x67, 0x2b, 0xfe, 0xd7, 0xab, 0x76,
    0xca, 0x82, 0xc9, 0x7d, 0xfa, 0x59, 0x47, 0xf0, 0xad, 0xd4, 0xa2, 0xaf, 0x9c, 0xa4, 0x72, 0xc0,
    0xb7, 0xfd, 0x93, 0x26, 0x36, 0x3f, 0xf7, 0xcc, 0x34, 0xa5, 0xe5, 0xf1, 0x71, 0xd8, 0x31, 0x15,
    0x04, 0xc7, 0x23, 0xc3, 0x18, 0x96, 0x05, 0x9a, 0x07, 0x12, 0x80, 0xe2, 0xeb, 0x27, 0xb2, 0x75,
    0x09, 0x83, 0x2c, 0x1a, 0x1b, 0x6e, 0x5a, 0xa0, 0x52, 0x3b, 0xd6, 0xb3, 0x29, 0xe3, 0x2f, 0x84,
    0x53, 0xd1, 0x00, 0xed, 0x20, 0xfc, 0xb1, 0x5b, 0x6a, 0xcb, 0xbe, 0x39, 0x4a, 0x4c, 0x58, 0xcf,
    0xd0, 0xef, 0xaa, 0xfb, 0x43, 0x4d, 0x33, 0x85, 0x45, 0xf9, 0x02, 0x7f, 0x50, 0x3c, 0x9f, 0xa8,
    0x51, 0xa3, 0x40, 0x8f, 0x92, 0x9d, 0x38, 0xf5, 0xbc, 0xb6, 0xda, 0x21, 0x10, 0xff, 0xf3, 0xd2,
    0xcd, 0x0c, 0x13, 0xec, 0x5f, 0x97, 0x44, 0x17, 0xc4, 0xa7, 0x7e, 0x3d, 0x64, 0x5d, 0x19, 0x73,
    0x60, 0x81, 0x4f, 0xdc, 0x22, 0x2a, 0x90, 0x88, 0x46, 0xee, 0xb8, 0x14, 0xde, 0x5e, 0x0b, 0xdb,
    0xe0, 0x32, 0x3a, 0x0a, 0x49, 0x06, 0x24, 0x5c, 0xc2, 0xd3, 0xac, 0x62, 0x91, 0x95, 0xe4, 0x79,
    0xe7, 0xc8, 0x37, 0x6d, 0x8d, 0xd5, 0x4e, 0xa9, 0x6c, 0x56, 0xf4, 0xea, 0x65, 0x7a, 0xae, 0x08,
    0xba, 0x78, 0x25, 0x2e, 0x1c, 0xa6, 0xb4, 0xc6, 0xe8, 0xdd, 0x74, 0x1f, 0x4b, 0xbd, 0x8b, 0x8a,
    0x70, 0x3e, 0xb5, 0x66, 0x48, 0x03, 0xf6, 0x0e, 0x61, 0x35, 0x57, 0xb9, 0x86, 0xc1, 0x1d, 0x9e,
    0xe1, 0xf8, 0x98, 0x11, 0x69, 0xd9, 0x8e, 0x94, 0x9b, 0x1e, 0x87, 0xe9, 0xce, 0x55, 0x28, 0xdf,
    0x8c, 0xa1, 0x89, 0x0d, 0xbf, 0xe6, 0x42, 0x68, 0x41, 0x99, 0x2d, 0x0f, 0xb0, 0x54, 0xbb, 0x16,
};

constexpr quint8 rsbox[256] = {
    0x52, 0x09, 0x6a, 0xd5, 0x30, 0x36, 0xa5, 0x38, 0xbf, 0x40, 0xa3, 0x9e, 0x81, 0xf3, 0xd7, 0xfb,
    0x7c, 0xe3, 0x39, 0x82, 0x9b, 0x2f, 0xff, 0x87, 0x34, 0x8e, 0x43, 0x44, 0xc4, 0xde, 0xe9, 0xcb,
    0x54, 0x7b, 0x94, 0x32, 0xa6, 0xc2, 0x23, 0x3d, 0xee, 0x4c, 0x95, 0x0b, 0x42, 0xfa, 0xc3, 0x4e,
    0x08, 0x2e, 0xa1, 0x66, 0x28, 0xd9, 0x24, 0xb2, 0x76, 0x5b, 0xa2, 0x49, 0x6d, 0x8b, 0xd1, 0x25,
    0x72, 0xf8, 0xf6, 0x64, 0x86, 0x68, 0x98, 0x16, 0xd4, 0xa4, 0x5c, 0xcc, 0x5d, 0x65, 0xb6, 0x92,
    0x6c, 0x70, 0x48, 0x50, 0xfd, 0xed, 0xb9, 0xda, 0x5e, 0x15, 0x46, 0x57, 0xa7, 0x8d, 0x9d, 0x84,
    0x90, 0xd8, 0xab, 0x00, 0x8c, 0xbc, 0xd3, 0x0a, 0xf7, 0xe4, 0x58, 0x05, 0xb8, 0xb3, 0x45, 0x06,
    0xd0, 0x2c, 0x1e, 0x8f, 0xca, 0x3f, 0x0f, 0x02, 0xc1, 0xaf, 0xbd, 0x03, 0x01, 0x13, 0x8a, 0x6b,
    0x3a, 0x91, 0x11, 0x41, 0x4f, 0x67, 0xdc, 0xea, 0x97, 0xf2, 0xcf, 0xce, 0xf0, 0xb4, 0xe6, 0x73,
    0x96, 0xac, 0x74, 0x22, 0xe7, 0xad, 0x35, 0x85, 0xe2, 0xf9, 0x37, 0xe8, 0x1c, 0x75, 0xdf, 0x6e,
    0x47, 0xf1, 0x1a, 0x71, 0x1d, 0x29, 0xc5, 0x89, 0x6f, 0xb7, 0x62, 0x0e, 0xaa, 0x18, 0xbe, 0x1b,
    0xfc, 0x56, 0x3e, 0x4b, 0xc6, 0xd2, 0x79, 0x20, 0x9a, 0xdb, 0xc0, 0xfe, 0x78, 0xcd, 0x5a, 0xf4,
    0x1f, 0xdd, 0xa8, 0x33, 0x88, 0x07, 0xc7, 0x31, 0xb1, 0x12, 0x10, 0x59, 0x27, 0x80, 0xec, 0x5f,
    0x60, 0x51, 0x7f, 0xa9, 0x19, 0xb5, 0x4a, 0x0d, 0x2d, 0xe5, 0x7a, 0x9f, 0x93, 0xc9, 0x9c, 0xef,
    0xa0, 0xe0, 0x3b, 0x4d, 0xae, 0x2a, 0xf5, 0xb0, 0xc8, 0xeb, 0xbb, 0x3c, 0x83, 0x53, 0x99, 0x61,
    0x17, 0x2b, 0x04, 0x7e, 0xba, 0x77, 0xd6, 0x26, 0xe1, 0x69, 0x14, 0x63, 0x55, 0x21, 0x0c, 0x7d,
};
// clang-format on

// Round constants by word group: index i holds x^(i-1) in GF(2^8); index 0 is never used.
constexpr quint8 rcon[11] = { 0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80, 0x1b, 0x36 };

quint8 xtime(quint8 x)
{
    return quint8((x << 1) ^ ((x & 0x80) ? 0x1b : 0x00));
}

quint8 multiply(quint8 x, quint8 y)
{
    quint8 product = 0;
    for (; y; y >>= 1, x = xtime(x)) {
        if (y & 1)
            product ^= x;
    }
    return product;
}

// The state holds the block in column order: byte i is row i % 4, column i / 4.

void addRoundKey(State state, const quint8 *roundKeys, int round)
{
    for (int i = 0; i < QAESEncryption::BlockLength; ++i)
        state[i] ^= roundKeys[round * QAESEncryption::BlockLength + i];
}

void substitute(State state, const quint8 (&table)[256])
{
    for (int i = 0; i < QAESEncryption::BlockLength; ++i)
        state[i] = table[state[i]];
}

// Row r moves r columns to the left (direction 1) or to the right (direction -1).
void shiftRows(State state, int direction)
{
    State old;
    std::copy_n(state, QAESEncryption::BlockLength, old);
    for (int row = 1; row < 4; ++row) {
        for (int column = 0; column < Nb; ++column)
            state[row + 4 * column] = old[row + 4 * ((column + direction * row + Nb) % Nb)];
    }
}

// Multiplies every column by the circulant matrix whose first row is m.
void mixColumns(State state, const quint8 (&m)[4])
{
    for (int column = 0; column < Nb; ++column) {
        quint8 *c = state + 4 * column;
        const quint8 a[4] = { c[0], c[1], c[2], c[3] };
        for (int row = 0; row < 4; ++row) {
            c[row] = multiply(a[0], m[(4 - row) % 4]) ^ multiply(a[1], m[(5 - row) % 4])
                ^ multiply(a[2], m[(6 - row) % 4]) ^ multiply(a[3], m[(7 - row) % 4]);
        }
    }
}

constexpr quint8 mixMatrix[4] = { 0x02, 0x03, 0x01, 0x01 };
constexpr quint8 invMixMatrix[4] = { 0x0e, 0x0b, 0x0d, 0x09 };

// XOR over the shorter of the two lengths.
QByteArray xorBytes(const QByteArray &a, const QByteArray &b)
{
    QByteArray result(qMin(a.size(), b.size()), Qt::Uninitialized);
    for (int i = 0; i < result.size(); ++i)
        result[i] = char(a.at(i) ^ b.at(i));
    return result;
}

const quint8 *bytes(const QByteArray &array)
{
    return reinterpret_cast<const quint8 *>(array.constData());
}

} // namespace

QAESEncryption::QAESEncryption(Aes level, Mode mode, Padding padding, QObject *parent)
    : QObject(parent)
    , m_level(level)
    , m_mode(mode)
    , m_padding(padding)
{
    switch (m_level) {
    case Aes192:
        m_nk = 6;
        m_nr = 12;
        break;
    case Aes256:
        m_nk = 8;
        m_nr = 14;
        break;
    default:
        m_nk = 4;
        m_nr = 10;
        break;
    }
}

QByteArray QAESEncryption::keyExpansion(const QByteArray &key) const
{
    if (key.size() != 4 * m_nk)
        return {};

    const int words = Nb * (m_nr + 1);
    QByteArray expanded(4 * words, Qt::Uninitialized);
    std::copy_n(key.constData(), key.size(), expanded.data());
    quint8 *w = reinterpret_cast<quint8 *>(expanded.data());

    for (int i = m_nk; i < words; ++i) {
        quint8 temp[4] = { w[4 * i - 4], w[4 * i - 3], w[4 * i - 2], w[4 * i - 1] };
        if (i % m_nk == 0) {
            // RotWord, SubWord, then the round constant on the first byte.
            const quint8 first = temp[0];
            temp[0] = quint8(sbox[temp[1]] ^ rcon[i / m_nk]);
            temp[1] = sbox[temp[2]];
            temp[2] = sbox[temp[3]];
            temp[3] = sbox[first];
        } else if (m_nk == 8 && i % m_nk == 4) {
            for (quint8 &byte : temp)
                byte = sbox[byte];
        }
        for (int j = 0; j < 4; ++j)
            w[4 * i + j] = w[4 * (i - m_nk) + j] ^ temp[j];
    }
    return expanded;
}

QByteArray QAESEncryption::cipher(const QByteArray &roundKeys, const QByteArray &block) const
{
    Q_ASSERT(block.size() == BlockLength);
    State state;
    std::copy_n(bytes(block), BlockLength, state);

    addRoundKey(state, bytes(roundKeys), 0);
    for (int round = 1; round < m_nr; ++round) {
        substitute(state, sbox);
        shiftRows(state, 1);
        mixColumns(state, mixMatrix);
        addRoundKey(state, bytes(roundKeys), round);
    }
    substitute(state, sbox);
    shiftRows(state, 1);
    addRoundKey(state, bytes(roundKeys), m_nr);

    return QByteArray(reinterpret_cast<const char *>(state), BlockLength);
}

QByteArray QAESEncryption::invCipher(const QByteArray &roundKeys, const QByteArray &block) const
{
    Q_ASSERT(block.size() == BlockLength);
    State state;
    std::copy_n(bytes(block), BlockLength, state);

    addRoundKey(state, bytes(roundKeys), m_nr);
    for (int round = m_nr - 1; round > 0; --round) {
        shiftRows(state, -1);
        substitute(state, rsbox);
        addRoundKey(state, bytes(roundKeys), round);
        mixColumns(state, invMixMatrix);
    }
    shiftRows(state, -1);
    substitute(state, rsbox);
    addRoundKey(state, bytes(roundKeys), 0);

    return QByteArray(reinterpret_cast<const char *>(state), BlockLength);
}

bool QAESEncryption::acceptsArguments(const QByteArray &key, const QByteArray &iv) const
{
    if (m_mode < ECB || m_mode > OFB)
        return false;
    if (key.size() != 4 * m_nk)
        return false;
    return m_mode == ECB || iv.size() == BlockLength;
}

// The bytes appended to a plain text of the given length.
QByteArray QAESEncryption::padding(int length) const
{
    const int missing = (BlockLength - length % BlockLength) % BlockLength;
    switch (m_padding) {
    case PaddingPkcs7: {
        const int n = missing == 0 ? BlockLength : missing;
        return QByteArray(n, char(n));
    }
    case PaddingIso:
        // Unlike ISO/IEC 7816-4 proper, aligned input gets no extra block.
        if (missing == 0)
            return {};
        return char(0x80) + QByteArray(missing - 1, '\0');
    default:
        return QByteArray(missing, '\0');
    }
}

QByteArray QAESEncryption::encrypt(
    const QByteArray &plain, const QByteArray &key, const QByteArray &iv) const
{
    if (!acceptsArguments(key, iv))
        return {};

    const QByteArray roundKeys = keyExpansion(key);
    const QByteArray padded = plain + padding(plain.size());
    QByteArray result;
    result.reserve(padded.size());
    QByteArray chain = iv; // previous cipher block (CBC, CFB) or key-stream block (OFB)
    for (int i = 0; i < padded.size(); i += BlockLength) {
        const QByteArray block = padded.mid(i, BlockLength);
        switch (m_mode) {
        case ECB:
            result += cipher(roundKeys, block);
            break;
        case CBC:
            chain = cipher(roundKeys, xorBytes(block, chain));
            result += chain;
            break;
        case CFB:
            chain = xorBytes(block, cipher(roundKeys, chain));
            result += chain;
            break;
        case OFB:
            chain = cipher(roundKeys, chain);
            result += xorBytes(block, chain);
            break;
        }
    }
    return result;
}

QByteArray QAESEncryption::decrypt(
    const QByteArray &cipherText, const QByteArray &key, const QByteArray &iv) const
{
    if (!acceptsArguments(key, iv))
        return {};

    const QByteArray roundKeys = keyExpansion(key);
    const bool blockMode = m_mode == ECB || m_mode == CBC;
    // A partial final block cannot be run through the inverse cipher: leave it out.
    const int end
        = blockMode ? cipherText.size() - cipherText.size() % BlockLength : cipherText.size();
    QByteArray result;
    result.reserve(end);
    QByteArray chain = iv;
    for (int i = 0; i < end; i += BlockLength) {
        const QByteArray block = cipherText.mid(i, BlockLength);
        switch (m_mode) {
        case ECB:
            result += invCipher(roundKeys, block);
            break;
        case CBC:
            result += xorBytes(invCipher(roundKeys, block), chain);
            chain = block;
            break;
        case CFB:
            result += xorBytes(block, cipher(roundKeys, chain));
            chain = block;
            break;
        case OFB:
            chain = cipher(roundKeys, chain);
            result += xorBytes(block, chain);
            break;
        }
    }
    return result;
}
