#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Where config.ini keeps what the program and lumen_config both read or write. Plain switches
// sit in the "Browser" group. A page setting sits in the "Setting" group with its name and its
// value each encrypted with the program's fixed passphrase; encryption is deterministic, so an
// encrypted name works as a lookup key.
class ConfigKeys
{
public:
    ConfigKeys() = delete;

    // Switches.
    static QString debug();
    static QString cache();
    static QString installer();
    // The administrator's engine: one of engineChoices(), defaultEngineChoice() when absent or
    // not one of them.
    static QString engine();
    static QStringList engineChoices();
    static QString defaultEngineChoice();
    // The oldest major version of the system's Chromium "auto" takes: the
    // protocol events the engine follows are experimental ones, and this is
    // the release it was proven on.
    static int minimumChromiumVersion();

    // Page settings with a meaning of their own: the portal's domain, written at installation;
    // the version, built in; the installer's name, kept in its plain switch.
    static QString mainUrlName();
    static QString versionName();
    static QString installerName();

    static QString settingGroup();
    static QString passphrase();
    // The stored key of the page setting name, group included.
    static QString settingKey(const QString &name);
    static QString encrypt(const QString &text);
    static QString decrypt(const QString &text);
    // No value when text is not the encryption of a text with the passphrase.
    static std::optional<QString> decryptChecked(const QString &text);
};
