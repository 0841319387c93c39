#include "tools/downloadlanding.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

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

// "archive.tar.gz" keeps its double extension together, as browsers do;
// a leading dot starts a name, not an extension.
int extensionStart(const QString &fileName)
{
    const int last = fileName.lastIndexOf(QLatin1Char('.'));
    if (last <= 0)
        return fileName.size();
    const int tar = fileName.lastIndexOf(QLatin1String(".tar."), -1, Qt::CaseInsensitive);
    return tar > 0 && tar + 4 == last ? tar : last;
}

} // namespace

QString DownloadLanding::freePath(const QString &folder, const QString &fileName)
{
    const QString first = folder + QLatin1Char('/') + fileName;
    if (!isTaken(first))
        return first;
    const int split = extensionStart(fileName);
    const QString stem = fileName.left(split);
    const QString extension = fileName.mid(split);
    for (int n = 1;; ++n) {
        const QString path = folder + QStringLiteral("/%1 (%2)%3").arg(stem).arg(n).arg(extension);
        if (!isTaken(path))
            return path;
    }
}

QString DownloadLanding::temporaryPath(const QString &finalPath)
{
    const QFileInfo target(finalPath);
    return target.path() + QStringLiteral("/.") + target.fileName() + kSuffix;
}

bool DownloadLanding::isTemporaryName(const QString &name)
{
    const QString fileName = QFileInfo(name).fileName();
    return fileName.startsWith(QLatin1Char('.')) && fileName.endsWith(kSuffix);
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

void DownloadLanding::discard(const QString &temporaryPath)
{
    QFile::remove(temporaryPath);
}
