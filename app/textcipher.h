#pragma once

class QString;

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
};
