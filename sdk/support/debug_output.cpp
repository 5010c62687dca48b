#include "sdk/support/debug_output.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace kavex {

namespace {

std::mutex& ReceiverLock()
{
    static std::mutex lock;
    return lock;
}

std::function<void(const std::string&)>& Receiver()
{
    static std::function<void(const std::string&)> receiver;
    return receiver;
}

} // namespace

void DebugOutput(const std::string& text)
{
    std::lock_guard<std::mutex> lock(ReceiverLock());
    if (Receiver()) {
        Receiver()(text);
        return;
    }
    const char* on = std::getenv("KAVEX_DEBUG");
    if (on && *on) std::fprintf(stderr, "kavex: %s\n", text.c_str());
}

void SetDebugReceiverForTesting(std::function<void(const std::string&)> receiver)
{
    std::lock_guard<std::mutex> lock(ReceiverLock());
    Receiver() = std::move(receiver);
}

} // namespace kavex
