#pragma once

#include <QString>

// What a download is called in the download folder. A server or a page names
// it, and the name may hold a path, start with a dot or be longer than the
// file system takes; the file must still land, right inside the folder and
// visible to the player, under a name that keeps its extension.
namespace DownloadName {

// The suggested name's last component, without leading dots (as Chromium
// trims them); "download" when nothing usable is left.
QString visible(const QString &suggestedName);

// name with tag put before its extension ("a (1).zip"), in at most maxBytes
// of UTF-8: a longer stem loses its end, never part of a character. An
// extension that leaves no room for a stem is no extension: then the whole
// name is shortened.
QString fitted(const QString &name, const QString &tag, int maxBytes);

} // namespace DownloadName
