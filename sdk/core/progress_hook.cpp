#include "sdk/core/progress_hook.h"

#include <mutex>

namespace kavex {

namespace {
std::mutex hookLock;
ProgressHook installedHook = nullptr;
void* installedContext = nullptr;
} // namespace

void SetProgressHook(ProgressHook hook, void* context)
{
    std::lock_guard<std::mutex> lock(hookLock);
    installedHook = hook;
    installedContext = context;
}

void RunProgressHook(int done, int total)
{
    ProgressHook hook;
    void* context;
    {
        std::lock_guard<std::mutex> lock(hookLock);
        hook = installedHook;
        context = installedContext;
    }
    if (hook) hook(context, done, total);
}

} // namespace kavex
