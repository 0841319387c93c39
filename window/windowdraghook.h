#pragma once

struct WindowRecord;

// What the window manager needs of the global input hook: it follows the
// mouse for a drag-move or a resize until a button is released.
class WindowDragHook
{
public:
    virtual ~WindowDragHook() = default;

    virtual void startMove(WindowRecord *record) = 0;
    // A start size of 0 leaves that dimension alone.
    virtual void startResize(WindowRecord *record, int startWidth, int startHeight) = 0;
};
