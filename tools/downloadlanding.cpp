#include "tools/downloadlanding.h"

#include "tools/downloadname.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringList>

namespace {

const QString kPrefix = QStringLiteral(".");
const QString kSuffix = QStringLiteral(".part");

QSet<QString> &landedThisRun()
{
    static QSet<QString> landed;
    return landed;
}

bool isTaken(const QString &path)
{
    return (QFileInfo::exists(path) && !landedThisRun().contains(path))
        || QFileInfo::exists(DownloadLanding::temporaryPath(path));
}

// The engine writes a file still arriving under the temporary name with a
// suffix of its own: ".download" in Qt WebEngine, ".crdownload" in Chromium.
const QStringList kEngineSuffixes { QStringLiteral(".download"), QStringLiteral(".crdownload") };

// The engine's name of the temporary file must fit the file system's 255 bytes
// (ext4, tmpfs, btrfs, xfs; NTFS counts 255 UTF-16 units, never more).
int nameRoom()
{
    int longest = 0;
    for (const QString &suffix : kEngineSuffixes)
        longest = qMax(longest, int(suffix.toUtf8().size()));
    return 255 - longest - int((kPrefix + kSuffix).toUtf8().size());
}

} // namespace

QString DownloadLanding::freePath(const QString &folder, const QString &fileName)
{
    for (int n = 0;; ++n) {
        const QString tag = n == 0 ? QString() : QStringLiteral(" (%1)").arg(n);
        const QString path
            = folder + QLatin1Char('/') + DownloadName::fitted(fileName, tag, nameRoom());
        if (!isTaken(path))
            return path;
    }
}

QString DownloadLanding::temporaryPath(const QString &finalPath)
{
    const QFileInfo target(finalPath);
    return target.path() + QLatin1Char('/') + kPrefix + target.fileName() + kSuffix;
}

bool DownloadLanding::isTemporaryName(const QString &name)
{
    const QString fileName = QFileInfo(name).fileName();
    return fileName.startsWith(kPrefix) && fileName.endsWith(kSuffix);
}

bool DownloadLanding::land(const QString &temporaryPath, const QString &finalPath)
{
    if (!QFileInfo::exists(temporaryPath))
        return false;
    QFile::remove(finalPath);
    if (!QFile::rename(temporaryPath, finalPath))
        return false;
    landedThisRun().insert(finalPath);
    return true;
}

// An engine that could not move what it had received into the folder (a full
// disk other than its own) leaves the piece it had copied under its own name.
void DownloadLanding::discard(const QString &temporaryPath)
{
    QFile::remove(temporaryPath);
    for (const QString &suffix : kEngineSuffixes)
        QFile::remove(temporaryPath + suffix);
}
