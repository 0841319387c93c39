#include "app/policysettings.h"

#include "app/statelocations.h"

#include <QSettings>
#include <QVariant>

namespace {

const QString kTrustedOriginsKey = QStringLiteral("Policy/TrustedOrigins");
const QString kWebSecurityKey = QStringLiteral("Policy/WebSecurity");
const QString kCertificateErrorsKey = QStringLiteral("Policy/IgnoreCertificateErrors");
const QString kUpdateHashKey = QStringLiteral("Policy/UpdateHashRequired");
const QString kVoiceChatKey = QStringLiteral("Policy/VoiceChat");

} // namespace

const QString PolicySettings::everyOrigin = QStringLiteral("*");

PolicySettings::PolicySettings(const QString &filePath, const QString &defaultsPath)
    : m_filePath(filePath)
    , m_defaultsPath(defaultsPath)
{
}

PolicySettings PolicySettings::program()
{
    const StateLocations &locations = StateLocations::instance();
    return PolicySettings(locations.configFile(), locations.defaultsFile());
}

QStringList PolicySettings::trustedOrigins() const
{
    return value(kTrustedOriginsKey, QStringList()).toStringList();
}

bool PolicySettings::addTrustedOrigin(const QString &origin)
{
    QStringList origins = trustedOrigins();
    if (origins.contains(origin))
        return true;
    origins.append(origin);
    return write(kTrustedOriginsKey, origins);
}

bool PolicySettings::removeTrustedOrigin(const QString &origin)
{
    QStringList origins = trustedOrigins();
    if (origins.removeAll(origin) == 0)
        return false;
    return write(kTrustedOriginsKey, origins);
}

bool PolicySettings::webSecurity() const
{
    return value(kWebSecurityKey, true).toBool();
}

bool PolicySettings::setWebSecurity(bool on)
{
    return write(kWebSecurityKey, on);
}

bool PolicySettings::ignoreCertificateErrors() const
{
    return value(kCertificateErrorsKey, false).toBool();
}

bool PolicySettings::setIgnoreCertificateErrors(bool ignore)
{
    return write(kCertificateErrorsKey, ignore);
}

bool PolicySettings::updateHashRequired() const
{
    return value(kUpdateHashKey, false).toBool();
}

bool PolicySettings::setUpdateHashRequired(bool required)
{
    return write(kUpdateHashKey, required);
}

bool PolicySettings::voiceChat() const
{
    return value(kVoiceChatKey, false).toBool();
}

bool PolicySettings::setVoiceChat(bool on)
{
    return write(kVoiceChatKey, on);
}

QVariant PolicySettings::value(const QString &key, const QVariant &defaultValue) const
{
    const QSettings settings(m_filePath, QSettings::IniFormat);
    if (settings.contains(key) || m_defaultsPath.isEmpty())
        return settings.value(key, defaultValue);
    return QSettings(m_defaultsPath, QSettings::IniFormat).value(key, defaultValue);
}

bool PolicySettings::write(const QString &key, const QVariant &value)
{
    QSettings settings(m_filePath, QSettings::IniFormat);
    settings.setValue(key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}
