// The SDK's debug log: texts for whoever investigates a misbehaving link,
// never for the user. They go to stderr when KAVEX_DEBUG is set in the
// environment, and to a test's sink when one is installed.
#pragma once

#include <functional>
#include <string>

namespace kavex {

void DebugLog(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Receives every debug text as well (null: none). For tests.
void SetDebugLogSinkForTesting(std::function<void(const std::string&)> sink);

} // namespace kavex
