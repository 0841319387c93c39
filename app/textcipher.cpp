#include "app/textcipher.h"

#include "app/qaesencryption.h"

#include <QCryptographicHash>
#include <QString>

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

QString TextCipher::decrypt(const QString &text, const QString &passphrase)
{
    // fromBase64 skips characters outside the alphabet, so damaged text still decrypts what
    // remains.
    const QByteArray plain
        = newCipher()->decrypt(QByteArray::fromBase64(text.toLatin1()), keyFor(passphrase));
    const int end = plain.indexOf('\0');
    return QString::fromUtf8(end < 0 ? plain : plain.left(end));
}
