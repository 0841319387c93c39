#pragma once

#include <QObject>

#include <memory>

class InputHook;
class QPoint;
struct KeyEvent;
struct MouseEvent;

// Global keyboard and mouse hooks turned into virtual event handlers. Every hook delivers to the
// current hook object: the most recently constructed QHook still alive.
// Runs on the GUI thread. Where no global mouse hook can be installed, the pointer events of the
// process's own windows stand in; without a global keyboard hook there are no keys. Either is
// logged once per process.
class QHook : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(QHook)

public:
    enum class MouseButton { Left, Middle, Right };

    explicit QHook(QObject *parent = nullptr);
    // Removes the hooks it installed.
    ~QHook() override;

    // For the hooks: build the record and call the current hook object's handler. Each answers
    // whether the input is passed on; true when there is no hook object. A key message is one of
    // KeyEvent::Message; flags are those of the record. Points are in screen coordinates.
    static bool dispatchKey(int message, int key, int scanCode, int flags);
    static bool dispatchMove(const QPoint &point, int flags);
    static bool dispatchButton(bool pressed, MouseButton button, const QPoint &point, int flags);
    static bool dispatchWheel(int delta, const QPoint &point, int flags);
    // From the pixels the system reports to the screen coordinates Qt gives windows and the
    // cursor; they differ when Qt scales the screen.
    static QPoint fromDevicePixels(const QPoint &point);

public slots:
    // Installing twice keeps the first hook.
    void hookKeyboard();
    void hookMouse();
    void unhookKeyboard();
    void unhookMouse();

protected:
    // Each answers whether the input is passed on to the rest of the system; all do here. The
    // X11 hooks only observe: there, the answer cannot hold input back.
    virtual bool keyPressEvent(KeyEvent *event);
    virtual bool keyReleaseEvent(KeyEvent *event);
    virtual bool mouseMoveEvent(MouseEvent *event);
    virtual bool mousePressEvent(MouseEvent *event);
    virtual bool mouseReleaseEvent(MouseEvent *event);
    virtual bool wheelEvent(MouseEvent *event);

private:
    static QHook *current();
    static bool dispatchMouse(bool (QHook::*handler)(MouseEvent *), MouseEvent &event);

    std::unique_ptr<InputHook> m_keyboardHook;
    std::unique_ptr<InputHook> m_mouseHook;
};
