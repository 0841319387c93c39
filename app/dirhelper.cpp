#include "app/dirhelper.h"

#include "app/applog.h"
#include "app/statelocations.h"
#include "app/tspdlog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

#include <cstdlib>

namespace {

const QString kMainPathKey = QStringLiteral("MVT_APP_DATA");
const QString kNoMainPath = QStringLiteral("none");
const QString kFileUrl = QStringLiteral("file:///");
const QString kMainFolder = QStringLiteral("/marvolt");

const QString kLog = QStringLiteral("log");
const QString kMedia = QStringLiteral("media");
const QString kTRtc = QStringLiteral("trtc");
const QString kAgora = QStringLiteral("agora");
const QString kConfig = QStringLiteral("config");
const QString kDump = QStringLiteral("dump");
const QString kRecord = QStringLiteral("record");
const QString kDb = QStringLiteral("db");
const QString kDownload = QStringLiteral("download");
const QString kUpdate = QStringLiteral("update");
const QString kCefCache = QStringLiteral("cefCache");
const QString kLegacy = QStringLiteral("legacy");

QSettings userSettings()
{
    return QSettings(QStringLiteral("lumen"), QStringLiteral("playcrate"));
}

QString defaultMainPath()
{
    return StateLocations::instance().defaultDataRoot();
}

QString joined(const QString &parent, const QString &name)
{
    return parent + QLatin1Char('/') + name;
}

// Where absolute paths begin with "/", the third slash of a file URL is the
// root and must survive the removal of the scheme.
QString withoutFileUrls(const QString &path)
{
    QString result = path;
    result.remove(kFileUrl);
    if (path.startsWith(kFileUrl) && QDir::isRelativePath(result))
        result.prepend(QLatin1Char('/'));
    return result;
}

bool containsIdeograph(const QString &path)
{
    static const QRegularExpression ideographs(QStringLiteral("[\\x{4e00}-\\x{9fa5}]"));
    return path.contains(ideographs);
}

} // namespace

DirHelper::DirHelper()
{
    const QString stored = userSettings().value(kMainPathKey, kNoMainPath).toString();
    if (stored == kNoMainPath)
        storeMainPath(defaultMainPath());
    else
        m_mainPath = stored;
    createFolders();
}

DirHelper *DirHelper::instance()
{
    static DirHelper *helper = new DirHelper;
    return helper;
}

QString DirHelper::configPath() const
{
    return mainChild(kConfig);
}

QString DirHelper::logPath() const
{
    return mainChild(kLog);
}

QString DirHelper::logPathWithMedia() const
{
    return joined(logPath(), kMedia);
}

QString DirHelper::logPathWithTRtc() const
{
    return joined(logPath(), kTRtc);
}

QString DirHelper::logPathWithAgora() const
{
    return joined(logPath(), kAgora);
}

QString DirHelper::dumpPath() const
{
    return mainChild(kDump);
}

QString DirHelper::recordPath() const
{
    return mainChild(kRecord);
}

QString DirHelper::dbPath() const
{
    return mainChild(kDb);
}

QString DirHelper::downloadPath() const
{
    return mainChild(kDownload);
}

QString DirHelper::updatePath() const
{
    return mainChild(kUpdate);
}

QString DirHelper::cefCachePath() const
{
    return mainChild(kCefCache);
}

QString DirHelper::legacyPath() const
{
    return mainChild(kLegacy);
}

QString DirHelper::getAppPath() const
{
    return QCoreApplication::applicationDirPath();
}

QString DirHelper::getAppData() const
{
    return m_mainPath;
}

QString DirHelper::macResourcesPath() const
{
    return getAppPath();
}

// The old folders stay where they are; only later path calls see the new root.
bool DirHelper::changeDirPath(const QString &path)
{
    const QString folder = withoutFileUrls(path);
    if (containsIdeograph(folder)) {
        qCDebug(lcApp) << "a data folder path with ideographs is refused:" << folder;
        return false;
    }
    const QString candidate = folder + kMainFolder;
    if (candidate == m_mainPath)
        return true;
    storeMainPath(candidate);
    createFolders();
    return true;
}

QString DirHelper::getCurrentDirPath() const
{
    return getAppData();
}

void DirHelper::resetMainPath()
{
    storeMainPath(defaultMainPath());
    createFolders();
}

QString DirHelper::mainChild(const QString &name) const
{
    return joined(m_mainPath, name);
}

void DirHelper::storeMainPath(const QString &path)
{
    QSettings settings = userSettings();
    settings.setValue(kMainPathKey, path);
    m_mainPath = settings.value(kMainPathKey).toString();
}

void DirHelper::createFolders() const
{
    if (!QDir().mkpath(m_mainPath))
        fail(QStringLiteral("main path"));
    if (!QDir(m_mainPath).exists())
        fail(QStringLiteral("av path"));
    createFolder(m_mainPath, kLog, QStringLiteral("log path"));
    for (const QString &name : { kMedia, kTRtc, kAgora })
        createFolder(logPath(), name, QStringLiteral("log media path"));
    const QList<QPair<QString, QString>> folders = {
        { kConfig, QStringLiteral("config path") },
        { kRecord, QStringLiteral("record path") },
        { kDump, QStringLiteral("dump path") },
        { kDb, QStringLiteral("db path") },
        { kDownload, QStringLiteral("download path") },
        { kCefCache, QStringLiteral("cefCache path") },
    };
    for (const auto &folder : folders)
        createFolder(m_mainPath, folder.first, folder.second);
}

// A file standing where the folder belongs counts as a missing folder.
void DirHelper::createFolder(const QString &parent, const QString &name, const QString &label) const
{
    if (!QFileInfo(joined(parent, name)).isDir() && !QDir(parent).mkdir(name))
        fail(label);
}

void DirHelper::fail(const QString &label)
{
    TSpdlog::instance()->otherError(QStringLiteral("Fatal:create dir error ") + label);
    std::exit(0);
}
