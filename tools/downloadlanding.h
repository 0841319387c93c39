#pragma once

#include <QString>

// Downloads are written under a temporary name beside their target and take
// the target's name only once complete: a failed or cancelled download never
// leaves a partial file under the final name, nor destroys an earlier
// complete file of that name, and no one starts a file still arriving. A
// download replaces only a file an earlier download of this run landed.
// Runs on the GUI thread; remembers the files it landed until the process ends.
class DownloadLanding
{
public:
    // Where a download of fileName lands in folder: under that name when no
    // other file holds it, else under the first free "name (n).ext", as
    // browsers name it; shortened, its extension kept, when the file system
    // would not take it (or its temporary name).
    static QString freePath(const QString &folder, const QString &fileName);
    static QString temporaryPath(const QString &finalPath);
    static bool isTemporaryName(const QString &name);
    // The complete download replaces whatever the final name held.
    static bool land(const QString &temporaryPath, const QString &finalPath);
    static void discard(const QString &temporaryPath);
};
