// How long a serial line takes for one character, read from the settings a
// host gave a tty (rate, data bits, parity, stop bits). A pty carries no
// bits at all, so the simulator uses this to hold each byte back until a
// real line would have delivered it.
#pragma once

#include <chrono>
#include <optional>

namespace kavex::sim {

struct LineTiming {
    unsigned baud = 0;
    int bitsPerChar = 10; // start bit, data bits, parity bit, stop bits

    // Time on the wire of one character, rounded up to whole nanoseconds so
    // that a byte is never due early.
    std::chrono::nanoseconds CharTime() const;
};

// The line settings of the tty behind fd (either side of a pty); nullopt
// when fd is no tty or its rate is 0.
std::optional<LineTiming> ReadLineTiming(int fd);

} // namespace kavex::sim
