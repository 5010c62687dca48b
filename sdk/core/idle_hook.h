// The hook a GUI installs to stay painted while the SDK waits for a reader.
#pragma once

namespace kavex {

using IdleHook = void (*)(void* context);

void SetIdleHook(IdleHook hook, void* context);
// Calls the installed hook, if any, on the calling thread.
bool RunIdleHook();
bool HasIdleHook();

} // namespace kavex
