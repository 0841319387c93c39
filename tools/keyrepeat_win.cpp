#include "tools/keyrepeat.h"

namespace KeyRepeat {

void reportHeldKeysCleanly()
{
    // Windows marks a press of a key that is already down; Qt flags that repeat itself, with
    // no guessing.
}

} // namespace KeyRepeat
