#include "tools/inputhook.h"

#include "tools/hookevents.h"
#include "tools/qhook.h"

#include <QPoint>

#include <windows.h>

namespace {

int keyFlags(DWORD flags)
{
    return ((flags & LLKHF_ALTDOWN) ? KeyEvent::AltDown : 0)
        | ((flags & LLKHF_EXTENDED) ? KeyEvent::Extended : 0)
        | ((flags & LLKHF_INJECTED) ? KeyEvent::Injected : 0);
}

LRESULT CALLBACK keyboardProc(int code, WPARAM message, LPARAM data)
{
    if (code == HC_ACTION) {
        const auto *key = reinterpret_cast<const KBDLLHOOKSTRUCT *>(data);
        if (!QHook::dispatchKey(
                int(message), int(key->vkCode), int(key->scanCode), keyFlags(key->flags)))
            return 1;
    }
    return CallNextHookEx(nullptr, code, message, data);
}

// Double clicks, extra buttons and the horizontal wheel have no record.
bool dispatchMouse(WPARAM message, const MSLLHOOKSTRUCT &mouse)
{
    const QPoint point = QHook::fromDevicePixels(QPoint(mouse.pt.x, mouse.pt.y));
    const int flags = (mouse.flags & LLMHF_INJECTED) ? MouseEvent::Injected : 0;
    using Button = QHook::MouseButton;
    switch (message) {
    case WM_MOUSEMOVE:
        return QHook::dispatchMove(point, flags);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        return QHook::dispatchButton(message == WM_LBUTTONDOWN, Button::Left, point, flags);
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        return QHook::dispatchButton(message == WM_RBUTTONDOWN, Button::Right, point, flags);
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        return QHook::dispatchButton(message == WM_MBUTTONDOWN, Button::Middle, point, flags);
    case WM_MOUSEWHEEL:
        return QHook::dispatchWheel(GET_WHEEL_DELTA_WPARAM(mouse.mouseData), point, flags);
    default:
        return true;
    }
}

LRESULT CALLBACK mouseProc(int code, WPARAM message, LPARAM data)
{
    if (code == HC_ACTION
        && !dispatchMouse(message, *reinterpret_cast<const MSLLHOOKSTRUCT *>(data)))
        return 1;
    return CallNextHookEx(nullptr, code, message, data);
}

// A low-level hook: the system calls its procedure on the installing thread, the GUI thread, as
// part of that thread's message processing.
class WindowsHook : public InputHook
{
public:
    explicit WindowsHook(HHOOK handle)
        : m_handle(handle)
    {
    }
    ~WindowsHook() override { UnhookWindowsHookEx(m_handle); }

private:
    HHOOK m_handle;
};

} // namespace

// Low-level hooks run in the installing process; the module is the program's own, which every
// version of the system accepts.
std::unique_ptr<InputHook> InputHook::install(Device device)
{
    const HHOOK handle = device == Device::Keyboard
        ? SetWindowsHookExW(WH_KEYBOARD_LL, keyboardProc, GetModuleHandleW(nullptr), 0)
        : SetWindowsHookExW(WH_MOUSE_LL, mouseProc, GetModuleHandleW(nullptr), 0);
    if (!handle)
        return nullptr;
    return std::make_unique<WindowsHook>(handle);
}
