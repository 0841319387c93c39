#include "app/mvtconfig.h"

#include "app/applog.h"
#include "app/configfilefaults.h"
#include "app/configkeys.h"
#include "app/statelocations.h"
#include "app/tspdlog.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTimer>

namespace {

const QString kVersion = QStringLiteral("1.0.2");

// The store opens after its file has lost the lines that would make it misread
// the rest. The daily log does not exist yet: the line waits for the event loop.
QSettings *openRepaired(const QString &filePath, QObject *parent)
{
    if (const int dropped = ConfigFileFaults::repair(filePath)) {
        const QString line
            = QStringLiteral("%1 unreadable lines of %2 were set aside in %2.unreadable")
                  .arg(dropped)
                  .arg(filePath);
        QTimer::singleShot(
            0, QCoreApplication::instance(), [line] { TSpdlog::instance()->otherWarn(line); });
    }
    return new QSettings(filePath, QSettings::IniFormat, parent);
}

// The log reads the debug switch on every line, and the program's own store holds it: the
// store hands it over as it comes to be, so the log never has to reach up for it.
MVTConfig *createProgramStore()
{
    auto *config = new MVTConfig(
        StateLocations::instance().configFile(), StateLocations::instance().defaultsFile());
    TSpdlog::setFileSwitch([config] { return config->getOpenLog(); });
    return config;
}

} // namespace

MVTConfig::MVTConfig(const QString &filePath, QObject *parent)
    : QObject(parent)
    , m_settings(openRepaired(filePath, this))
{
}

MVTConfig::MVTConfig(const QString &filePath, const QString &defaultsPath, QObject *parent)
    : MVTConfig(filePath, parent)
{
    if (!defaultsPath.isEmpty())
        m_defaults = new QSettings(defaultsPath, QSettings::IniFormat, this);
}

MVTConfig *MVTConfig::instance()
{
    static MVTConfig *config = createProgramStore();
    return config;
}

void MVTConfig::setIsCache(bool flag)
{
    write(ConfigKeys::cache(), flag);
}

bool MVTConfig::getOpenLog() const
{
    return value(ConfigKeys::debug(), false).toBool();
}

QString MVTConfig::engineChoice() const
{
    const QString choice = value(ConfigKeys::engine(), QString()).toString();
    return ConfigKeys::engineChoices().contains(choice) ? choice
                                                        : ConfigKeys::defaultEngineChoice();
}

QString MVTConfig::version()
{
    return kVersion;
}

QString MVTConfig::notSetUpMessage()
{
    return QStringLiteral("The program is not set up: it has no portal address to open. The "
                          "administrator sets it with \"lumen_config set-domain DOMAIN\".");
}

QString MVTConfig::getVersion() const
{
    return version();
}

void MVTConfig::set(const QString &key, const QString &value)
{
    // The version is built in and the main URL is written at installation.
    if (key == ConfigKeys::versionName() || key == ConfigKeys::mainUrlName()) {
        qCDebug(lcApp) << "a page may not set" << key;
        return;
    }
    if (key == ConfigKeys::installerName())
        write(ConfigKeys::installer(), value);
    else
        write(ConfigKeys::settingKey(key), ConfigKeys::encrypt(value));
}

QString MVTConfig::get(const QString &key) const
{
    return decoded(key).value_or(QString());
}

QString MVTConfig::getMainUrl() const
{
    return QStringLiteral("www.") + get(ConfigKeys::mainUrlName()) + QStringLiteral("/?v=")
        + kVersion;
}

QString MVTConfig::getInstallPackName() const
{
    return value(ConfigKeys::installer(), {}).toString();
}

bool MVTConfig::getIsCache() const
{
    return value(ConfigKeys::cache(), false).toBool();
}

bool MVTConfig::has(const QString &key) const
{
    return decoded(key).has_value();
}

bool MVTConfig::isSetUp() const
{
    return !get(ConfigKeys::mainUrlName()).isEmpty();
}

std::optional<QString> MVTConfig::decoded(const QString &key) const
{
    const QVariant stored = value(ConfigKeys::settingKey(key), {});
    if (!stored.isValid())
        return std::nullopt;
    std::optional<QString> text = ConfigKeys::decryptChecked(stored.toString());
    if (!text && !m_undecodable.contains(key)) {
        m_undecodable.insert(key);
        TSpdlog::instance()->otherWarn(
            QStringLiteral("The setting %1 cannot be decoded: it is treated as absent").arg(key));
    }
    return text;
}

QVariant MVTConfig::value(const QString &key, const QVariant &defaultValue) const
{
    if (m_defaults && !m_settings->contains(key))
        return m_defaults->value(key, defaultValue);
    return m_settings->value(key, defaultValue);
}

// The store is never destroyed and the program may quit right after a write
// (the cache flag is set just before quitting), so deferred syncing could lose it.
// A write that does not reach the file still serves reads for the rest of the
// run: the store keeps it in memory.
void MVTConfig::write(const QString &key, const QVariant &value)
{
    m_settings->setValue(key, value);
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError || m_writeFailureLogged)
        return;
    m_writeFailureLogged = true;
    TSpdlog::instance()->otherError(QStringLiteral("Settings not saved to %1: %2")
            .arg(m_settings->fileName(),
                ConfigFileFaults::writeFailureReason(
                    m_settings->fileName(), m_settings->status() == QSettings::FormatError)));
}
