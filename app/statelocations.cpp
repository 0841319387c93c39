#include "app/statelocations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

namespace {

Q_LOGGING_CATEGORY(lcApp, "lumen.app")

const QString kConfigFile = QStringLiteral("/config.ini");
const QString kEngineFolder = QStringLiteral("/engine");
// Permission bits say nothing for root or on a read-only mount: only a real write tells.
const QString kProbeFile = QStringLiteral("/.lumen-write-test");
const QString kProgramFolder = QStringLiteral("lib/lumen");
const QString kProgramLink = QStringLiteral("/bin/lumen");
const QString kProgramName = QStringLiteral("/lumen");

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

// The runtime folder is private to the user and emptied at log-out.
QString sessionFolder(const QString &home)
{
    const QString session = userFolder(QStandardPaths::RuntimeLocation);
    qCWarning(lcApp).noquote() << "The home folder takes no writes (" + home
            + "): settings, data and cache are kept in"
                               << session << "until log-out.";
    return session;
}

} // namespace

StateLocations::StateLocations(const QString &programDir)
    : m_programDir(programDir)
    , m_portable(!installed(programDir) && takesWrites(programDir))
    , m_configDir(userFolder(QStandardPaths::GenericConfigLocation))
    , m_dataDir(userFolder(QStandardPaths::GenericDataLocation))
    , m_cacheDir(userFolder(QStandardPaths::GenericCacheLocation))
{
    if (m_portable || userFoldersTakeWrites())
        return;
    m_configDir = sessionFolder(m_configDir);
    m_dataDir = m_configDir;
    m_cacheDir = m_configDir;
}

const StateLocations &StateLocations::instance()
{
    static const StateLocations locations(QCoreApplication::applicationDirPath());
    return locations;
}

// The links in bin are what the install rules and the package add around the program folder;
// a copy of the folder alone, or a build folder, has none.
bool StateLocations::installed(const QString &programDir)
{
    const QString folder = QFileInfo(programDir).canonicalFilePath();
    if (!folder.endsWith(QLatin1Char('/') + kProgramFolder))
        return false;
    const QString prefix = folder.chopped(kProgramFolder.size() + 1);
    const QString program = QFileInfo(folder + kProgramName).canonicalFilePath();
    return !program.isEmpty() && QFileInfo(prefix + kProgramLink).canonicalFilePath() == program;
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

// Asked only by the data folders, so a portable lumen_config leaves the home folder alone.
QString StateLocations::defaultDataRoot() const
{
    const QString folder = takesWrites(m_configDir) ? m_configDir : sessionFolder(m_configDir);
    return folder + QLatin1Char('/') + QCoreApplication::applicationName();
}

bool StateLocations::userFoldersTakeWrites() const
{
    return takesWrites(m_configDir) && takesWrites(m_dataDir) && takesWrites(m_cacheDir);
}
