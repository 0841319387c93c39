#pragma once

#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <QtGlobal>

#include <functional>

struct _XDisplay;

// Keyboard and mouse input on the test X server through XTEST, as a user gives it, from a
// connection of its own to the display named, or else to the one the environment names. Each call
// returns once the server has handled it. Key symbols are the XK_ names of <X11/keysym.h>; points
// are in the server's pixels.
class XTestInput
{
    Q_DISABLE_COPY(XTestInput)

public:
    explicit XTestInput(const QByteArray &display = QByteArray());
    ~XTestInput();

    bool isOpen() const;
    bool hasExtension(const QByteArray &name) const;

    void pressKey(unsigned long keySym);
    void releaseKey(unsigned long keySym);
    void tapKey(unsigned long keySym);

    void movePointer(const QPoint &point);
    // X button numbers: 1 left, 2 middle, 3 right, 4 and 5 the wheel, 6 and 7 its sideways tilt.
    void pressButton(unsigned int button);
    void releaseButton(unsigned int button);
    void clickButton(unsigned int button);
    // Clicks at the point until answered() holds, for 20 s at most: a page takes input only once
    // it has drawn itself.
    bool clickUntil(
        const QPoint &point, const std::function<bool()> &answered, unsigned int button = 1);

    // The window's place on the display as the server has it, in its pixels; empty when there is
    // no such window.
    QRect placeOf(unsigned long window) const;

    // As a taskbar asks the window manager: minimises, or brings back, the top-level window
    // titled title. False when there is none.
    bool minimiseWindow(const QByteArray &title);
    bool restoreWindow(const QByteArray &title);

private:
    unsigned long findWindow(unsigned long under, const QByteArray &title) const;
    void sendKey(unsigned long keySym, bool down);
    void sendButton(unsigned int button, bool down);

    _XDisplay *m_display;
};
