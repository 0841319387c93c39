#pragma once

#include <QRect>
#include <QWindow>

// Where a window of another program stands, as the X server has it: Qt hears of no geometry the
// browser gives its own windows.
class WindowGeometry
{
public:
    // In the screen's pixels, on the root window; empty when there is no such window.
    static QRect onScreen(WId id);
};
