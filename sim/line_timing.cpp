// The kernel's termios2 carries the rate as a number, also for rates set
// without a B-constant; its header cannot share a translation unit with the
// C library's <termios.h>.
#include "sim/line_timing.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace kavex::sim {

std::chrono::nanoseconds LineTiming::CharTime() const
{
    if (baud == 0) return std::chrono::nanoseconds(0);
    const unsigned long long bits = static_cast<unsigned long long>(bitsPerChar) * 1000000000ULL;
    return std::chrono::nanoseconds((bits + baud - 1) / baud);
}

std::optional<LineTiming> ReadLineTiming(int fd)
{
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0 || t.c_ospeed == 0) return std::nullopt;
    LineTiming timing;
    timing.baud = t.c_ospeed;
    int dataBits = 8;
    switch (t.c_cflag & CSIZE) {
    case CS5: dataBits = 5; break;
    case CS6: dataBits = 6; break;
    case CS7: dataBits = 7; break;
    default: dataBits = 8; break;
    }
    timing.bitsPerChar = 1 + dataBits + ((t.c_cflag & PARENB) ? 1 : 0) + ((t.c_cflag & CSTOPB) ? 2 : 1);
    return timing;
}

} // namespace kavex::sim
