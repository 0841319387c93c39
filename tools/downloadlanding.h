#pragma once

#include <QString>

// Downloads are written under a temporary name beside their target and take
// the target's name only once complete: a failed or cancelled download never
// leaves a partial file under the final name, nor destroys an earlier
// complete file of that name, and no one starts a file still arriving.
// Pure file operations; reentrant.
class DownloadLanding
{
public:
    static QString temporaryPath(const QString &finalPath);
    static bool isTemporaryName(const QString &name);
    // The complete download replaces whatever the final name held.
    static bool land(const QString &temporaryPath, const QString &finalPath);
    static void discard(const QString &temporaryPath);
};
