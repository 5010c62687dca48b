#include "sdk/support/debug_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace kavex {

namespace {

std::mutex& SinkLock()
{
    static std::mutex lock;
    return lock;
}

std::function<void(const std::string&)>& Sink()
{
    static std::function<void(const std::string&)> sink;
    return sink;
}

} // namespace

void DebugLog(const char* fmt, ...)
{
    char text[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    static const bool toStderr = std::getenv("KAVEX_DEBUG") != nullptr;
    if (toStderr) std::fprintf(stderr, "kavex: %s\n", text);
    std::lock_guard<std::mutex> lock(SinkLock());
    if (Sink()) Sink()(text);
}

void SetDebugLogSinkForTesting(std::function<void(const std::string&)> sink)
{
    std::lock_guard<std::mutex> lock(SinkLock());
    Sink() = std::move(sink);
}

} // namespace kavex
