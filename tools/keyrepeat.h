#pragma once

// How a key held down reaches the process's windows, one implementation per platform
// (keyrepeat_linux.cpp, keyrepeat_win.cpp).
namespace KeyRepeat {

// Makes a held key arrive as a browser reports it: one press, then presses marked as repeats,
// then one release. Needs the application object, which owns whatever this installs.
void reportHeldKeysCleanly();

} // namespace KeyRepeat
