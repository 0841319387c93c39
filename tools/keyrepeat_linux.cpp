#include "tools/keyrepeat.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QSet>

namespace {

// A press of a key that is already down, flagged as the repeat it is.
class RepeatedKeyPress : public QKeyEvent
{
public:
    explicit RepeatedKeyPress(const QKeyEvent &press)
        : QKeyEvent(press)
    {
        m_autoRepeat = true;
    }
};

// Qt passes the server's repeats on as fresh presses: a press of a key that is still down is a
// repeat. A key let go while none of the process's windows has the focus goes unseen, so what
// is held is forgotten when the process loses the focus.
class HeldKeys : public QObject
{
public:
    explicit HeldKeys(QGuiApplication *application)
        : QObject(application)
    {
        application->installEventFilter(this);
        connect(application, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive)
                    m_down.clear();
            });
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSet<quint32> m_down;
};

// Only what reaches a window counts: the same event is sent on to widgets and items. Keys Qt
// makes up itself carry no scan code.
bool HeldKeys::eventFilter(QObject *watched, QEvent *event)
{
    const bool press = event->type() == QEvent::KeyPress;
    if (!watched->isWindowType() || (!press && event->type() != QEvent::KeyRelease))
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    const quint32 scanCode = key->nativeScanCode();
    if (!press || scanCode == 0) {
        m_down.remove(scanCode);
        return false;
    }
    if (key->isAutoRepeat() || !m_down.contains(scanCode)) {
        m_down.insert(scanCode);
        return false;
    }
    RepeatedKeyPress repeat(*key);
    QCoreApplication::sendEvent(watched, &repeat);
    event->setAccepted(repeat.isAccepted());
    return true;
}

} // namespace

// Only here: Xlib defines names, KeyPress among them, that the code above takes from Qt.
#include <X11/XKBlib.h>

namespace KeyRepeat {

// Left to guess, Qt takes a release followed by a press of the same time for a repeat, and
// misses it whenever the press is not read yet: pages saw the key let go and pressed again. The
// keyboard extension's detectable auto-repeat leaves out the repeats' releases instead, for
// this client only (the global hooks record the keyboard itself).
void reportHeldKeysCleanly()
{
    auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    const auto *x11
        = application ? application->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display *display = x11 ? x11->display() : nullptr;
    Bool supported = False;
    if (display && XkbSetDetectableAutoRepeat(display, True, &supported) && supported)
        new HeldKeys(application);
}

} // namespace KeyRepeat
