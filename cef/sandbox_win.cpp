#include "cef/sandbox.h"

namespace Sandbox {

bool mustBeDisabled()
{
    return false;
}

} // namespace Sandbox
