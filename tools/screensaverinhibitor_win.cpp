#include "tools/screensaverinhibitor.h"

#include <windows.h>

// The display-required state belongs to the thread that set it: the GUI thread, here.
void ScreenSaverInhibitor::inhibit()
{
    SetThreadExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED);
}

void ScreenSaverInhibitor::uninhibit()
{
    SetThreadExecutionState(ES_CONTINUOUS);
}
