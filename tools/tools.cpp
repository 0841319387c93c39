#include "tools/tools.h"

#include "app/textcipher.h"

#include <QString>

Tools::Tools() = default;

Tools *Tools::instance()
{
    static Tools *const tools = new Tools;
    return tools;
}

QString Tools::encryptText(const QString &text, const QString &passphrase)
{
    return TextCipher::encrypt(text, passphrase);
}

QString Tools::decryptText(const QString &text, const QString &passphrase)
{
    return TextCipher::decrypt(text, passphrase);
}
