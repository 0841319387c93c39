#include "xtestinput.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

XTestInput::XTestInput(const QByteArray &display)
    : m_display(XOpenDisplay(display.isEmpty() ? nullptr : display.constData()))
{
}

XTestInput::~XTestInput()
{
    if (m_display)
        XCloseDisplay(m_display);
}

bool XTestInput::isOpen() const
{
    return m_display;
}

bool XTestInput::hasExtension(const QByteArray &name) const
{
    int opcode = 0;
    int firstEvent = 0;
    int firstError = 0;
    return XQueryExtension(m_display, name.constData(), &opcode, &firstEvent, &firstError);
}

void XTestInput::pressKey(unsigned long keySym)
{
    sendKey(keySym, true);
}

void XTestInput::releaseKey(unsigned long keySym)
{
    sendKey(keySym, false);
}

void XTestInput::tapKey(unsigned long keySym)
{
    sendKey(keySym, true);
    sendKey(keySym, false);
}

void XTestInput::movePointer(const QPoint &point)
{
    XTestFakeMotionEvent(m_display, -1, point.x(), point.y(), CurrentTime);
    XSync(m_display, False);
}

void XTestInput::pressButton(unsigned int button)
{
    sendButton(button, true);
}

void XTestInput::releaseButton(unsigned int button)
{
    sendButton(button, false);
}

void XTestInput::clickButton(unsigned int button)
{
    sendButton(button, true);
    sendButton(button, false);
}

void XTestInput::sendKey(unsigned long keySym, bool down)
{
    XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, keySym), down, CurrentTime);
    XSync(m_display, False);
}

void XTestInput::sendButton(unsigned int button, bool down)
{
    XTestFakeButtonEvent(m_display, button, down, CurrentTime);
    XSync(m_display, False);
}
