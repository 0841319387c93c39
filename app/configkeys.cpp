#include "app/configkeys.h"

#include "app/textcipher.h"

QString ConfigKeys::debug()
{
    return QStringLiteral("Browser/DebugEnable");
}

QString ConfigKeys::cache()
{
    return QStringLiteral("Browser/IsCache");
}

QString ConfigKeys::installer()
{
    return QStringLiteral("Browser/InstallPackName");
}

QString ConfigKeys::engine()
{
    return QStringLiteral("Browser/Engine");
}

QStringList ConfigKeys::engineChoices()
{
    return { QStringLiteral("qtwebengine"), QStringLiteral("chromium"), QStringLiteral("auto") };
}

// The system's Chromium where it is there and recent: it gets the distribution's security
// updates, which the built-in engine does not.
QString ConfigKeys::defaultEngineChoice()
{
    return QStringLiteral("auto");
}

int ConfigKeys::minimumChromiumVersion()
{
    return 156;
}

QString ConfigKeys::mainUrlName()
{
    return QStringLiteral("MainUrl");
}

QString ConfigKeys::versionName()
{
    return QStringLiteral("AppVersion");
}

QString ConfigKeys::installerName()
{
    return QStringLiteral("InstallPackName");
}

QString ConfigKeys::settingGroup()
{
    return QStringLiteral("Setting");
}

QString ConfigKeys::passphrase()
{
    return QStringLiteral("6274093MOSS381906LAKE927415");
}

QString ConfigKeys::settingKey(const QString &name)
{
    return settingGroup() + QLatin1Char('/') + encrypt(name);
}

QString ConfigKeys::encrypt(const QString &text)
{
    return TextCipher::encrypt(text, passphrase());
}

QString ConfigKeys::decrypt(const QString &text)
{
    return TextCipher::decrypt(text, passphrase());
}

std::optional<QString> ConfigKeys::decryptChecked(const QString &text)
{
    return TextCipher::decryptChecked(text, passphrase());
}
