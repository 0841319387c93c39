#pragma once

class QString;

// The page's view of a download of its window: the script that tells it the
// progress, or its end: "Succeed" (the file is complete) or "Failed".
namespace DownloadPush {

QString script(int progress, const QString &state, const QString &fileName);

} // namespace DownloadPush
