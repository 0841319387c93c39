#include "xtestinput.h"

#include <QTest>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
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

bool XTestInput::clickUntil(
    const QPoint &point, const std::function<bool()> &answered, unsigned int button)
{
    movePointer(point);
    return QTest::qWaitFor(
        [&] {
            clickButton(button);
            return QTest::qWaitFor(answered, 500);
        },
        20000);
}

QRect XTestInput::placeOf(unsigned long window) const
{
    XWindowAttributes attributes {};
    int x = 0;
    int y = 0;
    Window child = 0;
    if (!XGetWindowAttributes(m_display, window, &attributes)
        || !XTranslateCoordinates(
            m_display, window, DefaultRootWindow(m_display), 0, 0, &x, &y, &child))
        return QRect();
    return QRect(x, y, attributes.width, attributes.height);
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

// The window manager puts each window into a frame of its own: the title is looked for
// down the whole tree.
unsigned long XTestInput::findWindow(unsigned long under, const QByteArray &title) const
{
    char *name = nullptr;
    const bool found = XFetchName(m_display, under, &name) && title == name;
    XFree(name);
    if (found)
        return under;
    Window root = 0;
    Window parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    unsigned long window = 0;
    if (XQueryTree(m_display, under, &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count && !window; ++i)
            window = findWindow(children[i], title);
        XFree(children);
    }
    return window;
}

bool XTestInput::minimiseWindow(const QByteArray &title)
{
    const Window window = findWindow(DefaultRootWindow(m_display), title);
    const bool asked = window && XIconifyWindow(m_display, window, DefaultScreen(m_display));
    XSync(m_display, False);
    return asked;
}

// A pager's request (source 2) to make the window active, which brings a minimised one back.
bool XTestInput::restoreWindow(const QByteArray &title)
{
    const Window window = findWindow(DefaultRootWindow(m_display), title);
    if (!window)
        return false;
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(m_display, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;
    XSendEvent(m_display, DefaultRootWindow(m_display), False,
        SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XSync(m_display, False);
    return true;
}
