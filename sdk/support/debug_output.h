// The SDK's debug log: texts for whoever debugs a program on the SDK, never
// for its user. They go to stderr when the environment variable KAVEX_DEBUG
// is set and non-empty, and nowhere otherwise.
#pragma once

#include <functional>
#include <string>

namespace kavex {

void DebugOutput(const std::string& text);

// Sends the texts to receiver instead (an empty one restores stderr), so a
// test can read what the SDK wrote.
void SetDebugReceiverForTesting(std::function<void(const std::string&)> receiver);

} // namespace kavex
