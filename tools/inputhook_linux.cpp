#include "tools/inputhook.h"

#include "tools/hookevents.h"
#include "tools/qhook.h"

#include <QCoreApplication>
#include <QPoint>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QVector>

#include <utility>

#include <poll.h>

// After Qt: Xlib defines names Qt uses.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/Xutil.h>
#include <X11/extensions/record.h>
#include <X11/keysym.h>

namespace {

// What the Windows low-level keyboard hook reports for a key. A scan code of 0 stands for the
// kernel's key number, which is the hardware scan code for the main block of keys.
struct VirtualKey
{
    int key = 0;
    int scanCode = 0;
    bool extended = false;
};

struct KeyMapping
{
    KeySym keySym;
    VirtualKey virtualKey;
};

// Keys outside the ranges of keyFor(); names as the keyboard's first level has them.
const KeyMapping kKeyTable[] = {
    { XK_BackSpace, { 0x08 } },
    { XK_Tab, { 0x09 } },
    { XK_ISO_Left_Tab, { 0x09 } },
    { XK_Return, { 0x0D } },
    { XK_Pause, { 0x13, 0x45 } },
    { XK_Caps_Lock, { 0x14 } },
    { XK_Escape, { 0x1B } },
    { XK_space, { 0x20 } },
    { XK_Prior, { 0x21, 0x49, true } },
    { XK_Next, { 0x22, 0x51, true } },
    { XK_End, { 0x23, 0x4F, true } },
    { XK_Home, { 0x24, 0x47, true } },
    { XK_Left, { 0x25, 0x4B, true } },
    { XK_Up, { 0x26, 0x48, true } },
    { XK_Right, { 0x27, 0x4D, true } },
    { XK_Down, { 0x28, 0x50, true } },
    { XK_Print, { 0x2C, 0x37, true } },
    { XK_Insert, { 0x2D, 0x52, true } },
    { XK_Delete, { 0x2E, 0x53, true } },
    { XK_Super_L, { 0x5B, 0x5B, true } },
    { XK_Super_R, { 0x5C, 0x5C, true } },
    { XK_Menu, { 0x5D, 0x5D, true } },
    // The keypad with Num Lock off: the same keys as the navigation block, not extended.
    { XK_KP_Prior, { 0x21 } },
    { XK_KP_Next, { 0x22 } },
    { XK_KP_End, { 0x23 } },
    { XK_KP_Home, { 0x24 } },
    { XK_KP_Left, { 0x25 } },
    { XK_KP_Up, { 0x26 } },
    { XK_KP_Right, { 0x27 } },
    { XK_KP_Down, { 0x28 } },
    { XK_KP_Insert, { 0x2D } },
    { XK_KP_Delete, { 0x2E } },
    { XK_KP_Begin, { 0x0C } },
    { XK_KP_Multiply, { 0x6A } },
    { XK_KP_Add, { 0x6B } },
    { XK_KP_Separator, { 0x6C } },
    { XK_KP_Subtract, { 0x6D } },
    { XK_KP_Decimal, { 0x6E } },
    { XK_KP_Divide, { 0x6F, 0x35, true } },
    { XK_KP_Enter, { 0x0D, 0x1C, true } },
    { XK_Num_Lock, { 0x90, 0, true } },
    { XK_Scroll_Lock, { 0x91 } },
    { XK_Shift_L, { 0xA0 } },
    { XK_Shift_R, { 0xA1 } },
    { XK_Control_L, { 0xA2 } },
    { XK_Control_R, { 0xA3, 0x1D, true } },
    { XK_Alt_L, { 0xA4 } },
    { XK_Alt_R, { 0xA5, 0x38, true } },
    { XK_ISO_Level3_Shift, { 0xA5, 0x38, true } },
    { XK_semicolon, { 0xBA } },
    { XK_equal, { 0xBB } },
    { XK_comma, { 0xBC } },
    { XK_minus, { 0xBD } },
    { XK_period, { 0xBE } },
    { XK_slash, { 0xBF } },
    { XK_grave, { 0xC0 } },
    { XK_bracketleft, { 0xDB } },
    { XK_backslash, { 0xDC } },
    { XK_bracketright, { 0xDD } },
    { XK_apostrophe, { 0xDE } },
    { XK_less, { 0xE2 } },
};

// Letters, digits and function keys run in parallel in both numberings. Unknown keys are 0.
VirtualKey keyFor(KeySym keySym)
{
    if (keySym >= XK_a && keySym <= XK_z)
        return { int(keySym - XK_a) + 'A' };
    if (keySym >= XK_A && keySym <= XK_Z)
        return { int(keySym - XK_A) + 'A' };
    if (keySym >= XK_0 && keySym <= XK_9)
        return { int(keySym - XK_0) + '0' };
    if (keySym >= XK_KP_0 && keySym <= XK_KP_9)
        return { int(keySym - XK_KP_0) + 0x60 };
    if (keySym >= XK_F1 && keySym <= XK_F24)
        return { int(keySym - XK_F1) + 0x70 };
    for (const KeyMapping &mapping : kKeyTable) {
        if (mapping.keySym == keySym)
            return mapping.virtualKey;
    }
    return {};
}

// The kernel numbers keys from X key code 8 on; up to F12 they are the set 1 scan codes.
int scanCodeOf(int keyCode)
{
    const int kernelCode = keyCode - 8;
    return kernelCode >= 1 && kernelCode <= 88 ? kernelCode : 0;
}

// One notch, as Windows reports it.
constexpr int kWheelNotch = 120;
// The server answers at once; this only guards against one that has stopped.
constexpr int kStartTimeoutMs = 5000;

// The input of the whole X display through the RECORD extension, on connections of its own: the
// events are observed, never grabbed. They are read on the GUI thread when the data connection
// has something to read.
class RecordHook : public InputHook
{
public:
    static std::unique_ptr<InputHook> open(Device device);
    ~RecordHook() override;

private:
    struct Recorded
    {
        int type;
        int keyCodeOrButton;
        QPoint point;
        unsigned int state;
    };

    RecordHook(Display *control, Display *data);

    bool enable(Device device);
    bool waitForStart();
    static void onIntercept(XPointer self, XRecordInterceptData *data);
    void onReadable();
    void deliver(const Recorded &event) const;
    void deliverKey(const Recorded &event) const;
    void deliverButton(const Recorded &event) const;
    KeySym keySymOf(const Recorded &event) const;

    // Creates and ends the recording; the data connection may carry nothing else.
    Display *m_control;
    Display *m_data;
    XRecordContext m_context = 0;
    bool m_recording = false;
    QVector<Recorded> m_received;
    // Belongs to the application, which may go first: the program's hook lives until exit.
    QPointer<QSocketNotifier> m_notifier;
};

std::unique_ptr<InputHook> RecordHook::open(Device device)
{
    Display *control = XOpenDisplay(nullptr);
    if (!control)
        return nullptr;
    int opcode = 0;
    int firstEvent = 0;
    int firstError = 0;
    const bool recordable = XQueryExtension(control, "RECORD", &opcode, &firstEvent, &firstError);
    Display *data = recordable ? XOpenDisplay(nullptr) : nullptr;
    if (!data) {
        XCloseDisplay(control);
        return nullptr;
    }
    std::unique_ptr<RecordHook> hook(new RecordHook(control, data));
    if (!hook->enable(device))
        return nullptr;
    return hook;
}

RecordHook::RecordHook(Display *control, Display *data)
    : m_control(control)
    , m_data(data)
{
}

RecordHook::~RecordHook()
{
    delete m_notifier.data();
    if (m_context) {
        XRecordDisableContext(m_control, m_context);
        XRecordFreeContext(m_control, m_context);
        XSync(m_control, False);
    }
    XCloseDisplay(m_data);
    XCloseDisplay(m_control);
}

bool RecordHook::enable(Device device)
{
    int major = 0;
    int minor = 0;
    XRecordRange *range
        = XRecordQueryVersion(m_control, &major, &minor) ? XRecordAllocRange() : nullptr;
    if (!range)
        return false;
    const bool keyboard = device == Device::Keyboard;
    range->device_events.first = keyboard ? KeyPress : ButtonPress;
    range->device_events.last = keyboard ? KeyRelease : MotionNotify;
    XRecordClientSpec clients = XRecordAllClients;
    m_context = XRecordCreateContext(m_control, 0, &clients, 1, &range, 1);
    XFree(range);
    if (!m_context)
        return false;
    // The data connection must find the context the control connection made.
    XSync(m_control, False);
    if (!XRecordEnableContextAsync(
            m_data, m_context, &RecordHook::onIntercept, reinterpret_cast<XPointer>(this))
        || !waitForStart())
        return false;
    m_notifier = new QSocketNotifier(
        ConnectionNumber(m_data), QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] { onReadable(); });
    // Events read together with the start would otherwise wait for the next input.
    if (!m_received.isEmpty())
        QTimer::singleShot(0, m_notifier, [this] { onReadable(); });
    return true;
}

// Once installed, the hook misses nothing: input given after this returns is recorded.
bool RecordHook::waitForStart()
{
    XFlush(m_data);
    pollfd readable { ConnectionNumber(m_data), POLLIN, 0 };
    while (!m_recording) {
        if (poll(&readable, 1, kStartTimeoutMs) <= 0)
            return false;
        XRecordProcessReplies(m_data);
    }
    return true;
}

// Called by Xlib while it reads the data connection: the events only queue up here.
void RecordHook::onIntercept(XPointer self, XRecordInterceptData *data)
{
    auto *hook = reinterpret_cast<RecordHook *>(self);
    if (data->category == XRecordStartOfData)
        hook->m_recording = true;
    if (data->category == XRecordFromServer && data->data_len * 4 >= sizeof(xEvent)) {
        const auto *wire = reinterpret_cast<const xEvent *>(data->data);
        // The top bit marks an event a client sent.
        hook->m_received.append({ wire->u.u.type & 0x7F, wire->u.u.detail,
            QPoint(wire->u.keyButtonPointer.rootX, wire->u.keyButtonPointer.rootY),
            wire->u.keyButtonPointer.state });
    }
    XRecordFreeData(data);
}

// A handler may remove this hook, so the events are handed on once Xlib is done with the
// connection, and only while the hook is still there.
void RecordHook::onReadable()
{
    XRecordProcessReplies(m_data);
    const QVector<Recorded> received = std::exchange(m_received, {});
    const QPointer<QSocketNotifier> alive = m_notifier;
    for (const Recorded &event : received) {
        if (!alive)
            return;
        deliver(event);
    }
}

// Whether a client injected the event cannot be told here: the injected flags stay clear.
void RecordHook::deliver(const Recorded &event) const
{
    switch (event.type) {
    case KeyPress:
    case KeyRelease:
        deliverKey(event);
        break;
    case ButtonPress:
    case ButtonRelease:
        deliverButton(event);
        break;
    case MotionNotify:
        QHook::dispatchMove(QHook::fromDevicePixels(event.point), 0);
        break;
    default:
        break;
    }
}

// Alt held turns key messages into system-key messages, as on Windows.
void RecordHook::deliverKey(const Recorded &event) const
{
    const bool altDown = event.state & Mod1Mask;
    const int message = event.type == KeyPress
        ? (altDown ? KeyEvent::SysKeyDown : KeyEvent::KeyDown)
        : (altDown ? KeyEvent::SysKeyUp : KeyEvent::KeyUp);
    const VirtualKey key = keyFor(keySymOf(event));
    const int flags = (altDown ? KeyEvent::AltDown : 0) | (key.extended ? KeyEvent::Extended : 0);
    QHook::dispatchKey(
        message, key.key, key.scanCode ? key.scanCode : scanCodeOf(event.keyCodeOrButton), flags);
}

// Buttons 4 and 5 are the wheel, which has no release; the horizontal wheel and extra buttons
// have no record.
void RecordHook::deliverButton(const Recorded &event) const
{
    const bool pressed = event.type == ButtonPress;
    const QPoint point = QHook::fromDevicePixels(event.point);
    switch (event.keyCodeOrButton) {
    case Button1:
        QHook::dispatchButton(pressed, QHook::MouseButton::Left, point, 0);
        break;
    case Button2:
        QHook::dispatchButton(pressed, QHook::MouseButton::Middle, point, 0);
        break;
    case Button3:
        QHook::dispatchButton(pressed, QHook::MouseButton::Right, point, 0);
        break;
    case Button4:
    case Button5:
        if (pressed)
            QHook::dispatchWheel(
                event.keyCodeOrButton == Button4 ? kWheelNotch : -kWheelNotch, point, 0);
        break;
    default:
        break;
    }
}

// The key's name in the active layout, unshifted: virtual keys do not change with Shift. With
// Num Lock on, the keypad's digits count.
KeySym RecordHook::keySymOf(const Recorded &event) const
{
    const auto keyCode = KeyCode(event.keyCodeOrButton);
    const unsigned int group = XkbGroupForCoreState(event.state);
    const KeySym shifted = XkbKeycodeToKeysym(m_control, keyCode, group, 1);
    if ((event.state & Mod2Mask) && IsKeypadKey(shifted))
        return shifted;
    return XkbKeycodeToKeysym(m_control, keyCode, group, 0);
}

} // namespace

std::unique_ptr<InputHook> InputHook::install(Device device)
{
    if (!QCoreApplication::instance())
        return nullptr;
    return RecordHook::open(device);
}
