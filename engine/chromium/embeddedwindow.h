#pragma once

#include <QSize>
#include <QWindow>

// A window of another program held inside one of ours. A window manager may take it back into a
// frame of its own, if it hears of the window's first showing only after it was taken; or unmap
// or resize it when it lets it go; and no window manager tells it where it now
// stands on the screen when ours moves: both are the holder's to do.
class EmbeddedWindow
{
public:
    // Mapped, at the top left of holder, of that size in pixels.
    static bool isInPlace(WId id, WId holder, const QSize &pixels);
    static void putInPlace(WId id, WId holder, const QSize &pixels);
    // As a window manager tells a window it moved without resizing it: the program reads where
    // its window is on the screen from it.
    static void tellScreenPlace(WId id);
};
