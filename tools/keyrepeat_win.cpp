#include "tools/keyrepeat.h"

namespace KeyRepeat {

void reportHeldKeysCleanly()
{
    // Windows sends a held key's repeats as presses flagged as repeats, and Qt passes the flag on.
}

} // namespace KeyRepeat
