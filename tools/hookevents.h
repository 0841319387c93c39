#pragma once

// The records the global input hooks hand to QHook's handlers. Their values are those of the
// Windows low-level hooks, whatever the platform. A record lives only for the duration of the
// handler call.

// One key going down or up anywhere on the desktop.
struct KeyEvent
{
    enum Message { KeyDown = 0x0100, KeyUp = 0x0101, SysKeyDown = 0x0104, SysKeyUp = 0x0105 };
    enum Flag { AltDown = 1, Extended = 2, Injected = 4 };
    // Virtual-key codes the shell acts on.
    enum Key { Escape = 27, F8 = 119, F11 = 122 };

    // The message OR-ed with the flags.
    int state = 0;
    // Virtual-key code.
    int key = 0;
    // Hardware scan code (set 1, without the extended prefix).
    int scanCode = 0;
};

// One pointer event anywhere on the desktop.
struct MouseEvent
{
    // A wheel event's kind is its delta instead, taken as an unsigned 16-bit number.
    enum Kind { ButtonKind = 0, MoveKind = 1 };
    // A move carries the right button's value.
    enum Button { LeftButton = 1, MiddleButton = 2, RightButton = 4, MoveButton = 4 };
    enum Flag { Injected = 1 };

    int kind = 0;
    int button = 0;
    int flags = 0;
    // Screen coordinates, as window positions and QCursor::pos() have them.
    int x = 0;
    int y = 0;
};
