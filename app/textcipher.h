#pragma once

#include <QString>

#include <optional>

// Turns text into Base64 cipher text and back, for the encrypted entries of the configuration
// store: AES-128 in ECB mode with zero padding, keyed by the MD5 digest of the passphrase.
// Encryption is deterministic, so the same text always gives the same cipher text (encrypted
// key names rely on it). decrypt() stops at the first U+0000, which drops the zero padding and
// also cuts a text that itself contained U+0000.
//
// Re-entrant: every call uses its own cipher object.
class TextCipher
{
public:
    TextCipher() = delete;

    static QString encrypt(const QString &text, const QString &passphrase);
    static QString decrypt(const QString &text, const QString &passphrase);
    // No value when text cannot be the encryption of a text with passphrase: not Base64, not
    // whole cipher blocks, more zeros at the end than the padding adds, or no UTF-8 before
    // them. Decrypting anything "succeeds", so only these checks tell garbage from a value.
    static std::optional<QString> decryptChecked(const QString &text, const QString &passphrase);
};
