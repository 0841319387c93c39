#include "tools/qhook.h"

#include "app/tspdlog.h"
#include "tools/hookevents.h"
#include "tools/inputhook.h"
#include "tools/localmousehook.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPoint>
#include <QScreen>
#include <QTimer>
#include <QVector>

namespace {

// Newest last. A hook object leaves the list when it is destroyed, so the hooks never reach a
// dead one.
QVector<QHook *> &livingHooks()
{
    static QVector<QHook *> hooks;
    return hooks;
}

bool isKeyDown(int message)
{
    return message == KeyEvent::KeyDown || message == KeyEvent::SysKeyDown;
}

int buttonValue(QHook::MouseButton button)
{
    switch (button) {
    case QHook::MouseButton::Left:
        return MouseEvent::LeftButton;
    case QHook::MouseButton::Middle:
        return MouseEvent::MiddleButton;
    case QHook::MouseButton::Right:
        return MouseEvent::RightButton;
    }
    return 0;
}

// The program installs its hooks before the daily log exists: the line waits for the event loop.
void reportNoGlobalHook()
{
    static bool reported = false;
    if (reported)
        return;
    reported = true;
    QTimer::singleShot(0, QCoreApplication::instance(), [] {
        TSpdlog::instance()->otherWarn(
            QStringLiteral("No global input hook could be installed: global keys are off, and "
                           "the pointer is followed over the program's own windows only"));
    });
}

} // namespace

QHook::QHook(QObject *parent)
    : QObject(parent)
{
    livingHooks().append(this);
}

QHook::~QHook()
{
    livingHooks().removeOne(this);
    unhookKeyboard();
    unhookMouse();
}

QHook *QHook::current()
{
    return livingHooks().isEmpty() ? nullptr : livingHooks().constLast();
}

// A key that goes down goes to the press handler, with or without Alt held: a key pressed with
// Alt then acts once, on its release.
bool QHook::dispatchKey(int message, int key, int scanCode, int flags)
{
    QHook *hook = current();
    if (!hook)
        return true;
    KeyEvent event;
    event.state = message | flags;
    event.key = key;
    event.scanCode = scanCode;
    return isKeyDown(message) ? hook->keyPressEvent(&event) : hook->keyReleaseEvent(&event);
}

bool QHook::dispatchMove(const QPoint &point, int flags)
{
    MouseEvent event { MouseEvent::MoveKind, MouseEvent::MoveButton, flags, point.x(), point.y() };
    return dispatchMouse(&QHook::mouseMoveEvent, event);
}

bool QHook::dispatchButton(bool pressed, MouseButton button, const QPoint &point, int flags)
{
    MouseEvent event { MouseEvent::ButtonKind, buttonValue(button), flags, point.x(), point.y() };
    return dispatchMouse(pressed ? &QHook::mousePressEvent : &QHook::mouseReleaseEvent, event);
}

bool QHook::dispatchWheel(int delta, const QPoint &point, int flags)
{
    MouseEvent event { int(quint16(delta)), delta != 0 ? 1 : 0, flags, point.x(), point.y() };
    return dispatchMouse(&QHook::wheelEvent, event);
}

bool QHook::dispatchMouse(bool (QHook::*handler)(MouseEvent *), MouseEvent &event)
{
    QHook *hook = current();
    return hook ? (hook->*handler)(&event) : true;
}

QPoint QHook::fromDevicePixels(const QPoint &point)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (const QScreen *screen : screens) {
        // Qt keeps a scaled screen's top-left corner where the system has it and scales only
        // its size.
        const QRect logical = screen->geometry();
        const qreal ratio = screen->devicePixelRatio();
        if (QRect(logical.topLeft(), logical.size() * ratio).contains(point))
            return logical.topLeft() + (point - logical.topLeft()) / ratio;
    }
    return point;
}

void QHook::hookKeyboard()
{
    if (m_keyboardHook)
        return;
    m_keyboardHook = InputHook::install(InputHook::Device::Keyboard);
    if (!m_keyboardHook)
        reportNoGlobalHook();
}

void QHook::hookMouse()
{
    if (m_mouseHook)
        return;
    m_mouseHook = InputHook::install(InputHook::Device::Mouse);
    if (!m_mouseHook) {
        m_mouseHook = std::make_unique<LocalMouseHook>();
        reportNoGlobalHook();
    }
}

void QHook::unhookKeyboard()
{
    m_keyboardHook.reset();
}

void QHook::unhookMouse()
{
    m_mouseHook.reset();
}

bool QHook::keyPressEvent(KeyEvent *)
{
    return true;
}

bool QHook::keyReleaseEvent(KeyEvent *)
{
    return true;
}

bool QHook::mouseMoveEvent(MouseEvent *)
{
    return true;
}

bool QHook::mousePressEvent(MouseEvent *)
{
    return true;
}

bool QHook::mouseReleaseEvent(MouseEvent *)
{
    return true;
}

bool QHook::wheelEvent(MouseEvent *)
{
    return true;
}
