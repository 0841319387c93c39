#include "tools/downloadlanding.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString kSuffix = QStringLiteral(".part");

} // namespace

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
    return QFile::rename(temporaryPath, finalPath);
}

void DownloadLanding::discard(const QString &temporaryPath)
{
    QFile::remove(temporaryPath);
}
