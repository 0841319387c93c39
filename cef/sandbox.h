#pragma once

// Whether the engine's sandbox must stay off in this process, one
// implementation per platform (sandbox_linux.cpp, sandbox_win.cpp).
namespace Sandbox {

bool mustBeDisabled();

} // namespace Sandbox
