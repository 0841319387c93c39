#include "app/directorytree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace {

// System brings dangling links and other special files into the listing;
// without it they would stay behind and keep their folder from being removed.
constexpr QDir::Filters kEntries
    = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

// Empties folder, queueing its sub-folders in both lists.
void clearFolder(const QString &folder, QStringList &work, QStringList &folders)
{
    QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList(kEntries);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir() && !entry.isSymLink()) {
            work.append(entry.canonicalFilePath());
            folders.append(entry.canonicalFilePath());
        } else {
            // A link, to a folder or not, goes as a link: its target lies outside.
            dir.remove(entry.fileName());
        }
    }
}

} // namespace

bool removeDirectoryTree(const QString &path)
{
    // An empty path would name the file-system root.
    if (path.isEmpty())
        return false;
    QString root = QString(path).replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!root.endsWith(QLatin1Char('/')))
        root.append(QLatin1Char('/'));

    const QFileInfo rootInfo(root.chopped(1));
    if (rootInfo.isSymLink())
        return QFile::remove(rootInfo.absoluteFilePath());

    QStringList work { root };
    QStringList folders { root };
    while (!work.isEmpty())
        clearFolder(work.takeLast(), work, folders);

    bool removedAll = true;
    while (!folders.isEmpty()) {
        const QDir folder(folders.takeLast());
        if (folder.exists() && !folder.rmdir(folder.absolutePath()))
            removedAll = false;
    }
    return removedAll;
}
