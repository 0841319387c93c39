#include "tools/screensaverinhibitor.h"

#include <windows.h>

// The display-required state belongs to the thread that set it: the GUI thread, here.
ScreenSaverInhibitor::ScreenSaverInhibitor(QObject *parent)
    : QObject(parent)
{
}

ScreenSaverInhibitor::~ScreenSaverInhibitor()
{
    setInhibited(false);
}

void ScreenSaverInhibitor::setInhibited(bool inhibited)
{
    if (inhibited == m_wanted)
        return;
    m_wanted = inhibited;
    if (inhibited)
        inhibit();
    else
        uninhibit();
}

void ScreenSaverInhibitor::inhibit()
{
    SetThreadExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED);
}

void ScreenSaverInhibitor::uninhibit()
{
    SetThreadExecutionState(ES_CONTINUOUS);
}
