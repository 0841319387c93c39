#include "app/textcipher.h"

#include "app/qaesencryption.h"

#include <QCryptographicHash>
#include <QString>
#include <QStringDecoder>

#include <memory>

namespace {

QByteArray keyFor(const QString &passphrase)
{
    return QCryptographicHash::hash(passphrase.toUtf8(), QCryptographicHash::Md5);
}

std::unique_ptr<QAESEncryption> newCipher()
{
    return std::make_unique<QAESEncryption>(
        QAESEncryption::Aes128, QAESEncryption::ECB, QAESEncryption::PaddingZero);
}

} // namespace

QString TextCipher::encrypt(const QString &text, const QString &passphrase)
{
    const QByteArray cipherText = newCipher()->encrypt(text.toUtf8(), keyFor(passphrase));
    return QString::fromLatin1(cipherText.toBase64());
}

std::optional<QString> TextCipher::decryptChecked(const QString &text, const QString &passphrase)
{
    const QByteArray::FromBase64Result cipherText
        = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!cipherText || cipherText.decoded.size() % QAESEncryption::BlockLength != 0)
        return std::nullopt;
    const QByteArray plain = newCipher()->decrypt(cipherText.decoded, keyFor(passphrase));
    int padding = 0;
    while (padding < plain.size() && plain.at(plain.size() - 1 - padding) == '\0')
        ++padding;
    if (padding >= QAESEncryption::BlockLength)
        return std::nullopt;
    const int end = plain.indexOf('\0');
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(end < 0 ? plain : plain.left(end));
    if (utf8.hasError())
        return std::nullopt;
    return decoded;
}

QString TextCipher::decrypt(const QString &text, const QString &passphrase)
{
    // fromBase64 skips characters outside the alphabet, so damaged text still decrypts what
    // remains.
    const QByteArray plain
        = newCipher()->decrypt(QByteArray::fromBase64(text.toLatin1()), keyFor(passphrase));
    const int end = plain.indexOf('\0');
    return QString::fromUtf8(end < 0 ? plain : plain.left(end));
}
