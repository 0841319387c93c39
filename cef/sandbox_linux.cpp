#include "cef/sandbox.h"

#include <unistd.h>

namespace Sandbox {

bool mustBeDisabled()
{
    // Chromium will not start its sandbox for root, and then not start at all.
    return geteuid() == 0;
}

} // namespace Sandbox
