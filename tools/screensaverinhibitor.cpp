#include "tools/screensaverinhibitor.h"

ScreenSaverInhibitor::ScreenSaverInhibitor(QObject *parent)
    : QObject(parent)
{
}

// The freedesktop service drops what a client held once the client leaves the bus, and the X
// server a suspension once its connection goes: a program that dies lets the screen saver back
// all the same.
ScreenSaverInhibitor::~ScreenSaverInhibitor()
{
    setInhibited(false);
}

void ScreenSaverInhibitor::setInhibited(bool inhibited)
{
    if (inhibited == m_wanted)
        return;
    m_wanted = inhibited;
    if (m_asking)
        return;
    if (inhibited)
        inhibit();
    else
        uninhibit();
}
