#pragma once

class QString;

// Deletes path with everything below it, the root included. Backslashes count
// as separators; an empty path removes nothing. Links are removed as links and never followed, so
// nothing outside the tree is touched. True when every folder could be removed.
bool removeDirectoryTree(const QString &path);
