#include "app/statelocations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QStandardPaths>

namespace {

Q_LOGGING_CATEGORY(lcApp, "lumen.app")

const QString kConfigFile = QStringLiteral("/config.ini");
const QString kEngineFolder = QStringLiteral("/engine");
// Permission bits say nothing for root or on a read-only mount: only a real write tells.
const QString kProbeFile = QStringLiteral("/.lumen-write-test");

bool takesWrites(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return false;
    QFile probe(folder + kProbeFile);
    const bool written
        = probe.open(QIODevice::WriteOnly) && probe.write("1", 1) == 1 && probe.flush();
    probe.close();
    if (written)
        probe.remove();
    return written;
}

QString userFolder(QStandardPaths::StandardLocation location)
{
    return QStandardPaths::writableLocation(location) + QStringLiteral("/lumen");
}

} // namespace

StateLocations::StateLocations(const QString &programDir)
    : m_programDir(programDir)
    , m_portable(takesWrites(programDir))
    , m_configDir(userFolder(QStandardPaths::GenericConfigLocation))
    , m_dataDir(userFolder(QStandardPaths::GenericDataLocation))
    , m_cacheDir(userFolder(QStandardPaths::GenericCacheLocation))
    , m_homeUsable(userFoldersTakeWrites())
{
    if (m_homeUsable)
        return;
    // The runtime folder is private to the user and emptied at log-out.
    const QString session = userFolder(QStandardPaths::RuntimeLocation);
    qCWarning(lcApp).noquote() << "The home folder takes no writes (" + m_configDir
            + "): settings, data and cache are kept in"
                               << session << "until log-out.";
    m_configDir = session;
    m_dataDir = session;
    m_cacheDir = session;
}

const StateLocations &StateLocations::instance()
{
    static const StateLocations locations(QCoreApplication::applicationDirPath());
    return locations;
}

bool StateLocations::portable() const
{
    return m_portable;
}

QString StateLocations::configFile() const
{
    return m_portable ? programConfigFile() : m_configDir + kConfigFile;
}

QString StateLocations::defaultsFile() const
{
    return m_portable ? QString() : programConfigFile();
}

QString StateLocations::programConfigFile() const
{
    return m_programDir + kConfigFile;
}

QString StateLocations::engineStoragePath() const
{
    return m_portable ? m_programDir + QStringLiteral("/cache") : m_dataDir + kEngineFolder;
}

QString StateLocations::engineCachePath() const
{
    return m_portable ? engineStoragePath() : m_cacheDir + kEngineFolder;
}

QString StateLocations::defaultDataRoot() const
{
    if (m_homeUsable)
        return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return m_configDir + QLatin1Char('/') + QCoreApplication::applicationName();
}

// A portable copy writes only its data root in the home folder.
bool StateLocations::userFoldersTakeWrites() const
{
    if (m_portable)
        return takesWrites(m_configDir);
    return takesWrites(m_configDir) && takesWrites(m_dataDir) && takesWrites(m_cacheDir);
}
