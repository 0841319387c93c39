#pragma once

// How a key held down reaches the process's windows, one implementation per platform
// (keyrepeat_linux.cpp, keyrepeat_win.cpp).
namespace KeyRepeat {

// Makes each repeat of a held key reach the windows flagged as one, and the key's one real release
// unflagged: the engine then tells pages of one press, repeats and one release, as a browser
// does. Needs the application object, which owns whatever this installs.
void reportHeldKeysCleanly();

} // namespace KeyRepeat
