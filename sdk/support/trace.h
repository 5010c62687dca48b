// Diagnostic trace of the SDK's port opens and closes, shown live by the
// kavex-trace viewer. Costs nothing but one failed connect() when no viewer
// runs, and never holds the caller up for long when one does.
#pragma once

#include <cstddef>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>

namespace kavex {

// Name of the abstract-namespace datagram socket the viewer binds, and of
// the lock that keeps the texts of several tracing processes apart.
constexpr const char* kTraceSocketName = "BrakkTracer";
constexpr const char* kTraceLockPath = "/tmp/BrakkTracerLock";

// Formatted texts are cut to this many characters.
constexpr size_t kTraceMaxText = 511;

// Each message is two little-endian 32-bit words: 0, then four text bytes
// with the first character in the lowest byte (zero-padded at the end).
constexpr size_t kTraceMessageSize = 8;

// Formats printf-style and hands the text to a listening viewer, if any.
// Texts carry their own "\r\n" where a line ends.
void TraceLine(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Sends to another socket name (an empty name restores the real one), so
// tests neither reach a viewer someone is running nor each other.
void SetTraceSocketNameForTesting(const std::string& name);

// Likewise for the lock file, so a test that holds the lock on purpose
// does not hold up the tests running beside it.
void SetTraceLockPathForTesting(const std::string& path);

// Fills in the abstract-namespace address for a socket name (no file in
// the file system, so nothing is left behind when a viewer dies). Returns
// the address length, or 0 when the name does not fit.
socklen_t TraceSocketAddress(const std::string& name, sockaddr_un* address);

} // namespace kavex
