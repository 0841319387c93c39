#pragma once

#include <QString>

// What each adapter's document scripts are made of.
namespace ScriptResources {

// The text of a script among the program's resources.
QString text(const QString &path);
// Made anew for each run, known to no page: the bridge's copies in a page's
// frames prove with it that a message comes from one of them.
QString newSecret();

} // namespace ScriptResources
