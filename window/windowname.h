#pragma once

#include <QString>

// Which names a window may carry. A name travels unquoted in the child-list
// text "[a,b]" the pages read, and the scene's own windows (the splash) have
// none: a name that is empty, or holds a list delimiter or a control
// character, would break one or the other.
class WindowName
{
public:
    // Why the name cannot be used, or an empty text when it can.
    static QString problem(const QString &name);
};
