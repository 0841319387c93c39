#include "engine/chromium/windowfocus.h"

#include <windows.h>

// A child window of ours takes the focus once our window is the foreground one.
bool WindowFocus::give(WId window)
{
    const auto handle = reinterpret_cast<HWND>(window);
    if (!IsWindowVisible(handle))
        return false;
    return SetFocus(handle) != nullptr;
}
