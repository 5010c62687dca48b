#include "sdk/core/idle_hook.h"

#include <mutex>

namespace kavex {

namespace {
std::mutex hookLock;
IdleHook installedHook = nullptr;
void* installedContext = nullptr;
} // namespace

void SetIdleHook(IdleHook hook, void* context)
{
    std::lock_guard<std::mutex> lock(hookLock);
    installedHook = hook;
    installedContext = context;
}

bool HasIdleHook()
{
    std::lock_guard<std::mutex> lock(hookLock);
    return installedHook != nullptr;
}

bool RunIdleHook()
{
    IdleHook hook;
    void* context;
    {
        std::lock_guard<std::mutex> lock(hookLock);
        hook = installedHook;
        context = installedContext;
    }
    if (!hook) return false;
    hook(context);
    return true;
}

} // namespace kavex
