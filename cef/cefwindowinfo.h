#pragma once

#include <QString>

// How a browser's native window starts: a frameless top-level window, hidden
// unless asked otherwise. A size of 0 leaves that side to the engine.
struct CefWindowInfo
{
    QString windowName;
    bool visible = false;
    int width = 0;
    int height = 0;
};
