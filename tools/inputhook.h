#pragma once

#include <QtGlobal>

#include <memory>

// One installed system-wide input hook, one implementation per platform (inputhook_linux.cpp,
// inputhook_win.cpp). It sees every key or pointer event of the desktop, whichever program has
// the focus, and hands it to QHook's dispatchers on the GUI thread. Deleting it removes the hook.
class InputHook
{
    Q_DISABLE_COPY(InputHook)

public:
    enum class Device { Keyboard, Mouse };

    virtual ~InputHook() = default;

    // Needs the application object. Null when the desktop's input cannot be observed.
    static std::unique_ptr<InputHook> install(Device device);

protected:
    InputHook() = default;
};
