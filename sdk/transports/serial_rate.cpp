// Line rates without a B-constant go through termios2 and BOTHER. The
// kernel's termios2 header cannot share a translation unit with the C
// library's <termios.h>, hence this file of its own.
#include <asm/ioctls.h>
#include <asm/termbits.h>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace kavex {

bool SetSerialLineRate(int fd, int baud)
{
    if (baud <= 0) return false;
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_cflag &= ~CBAUD;
    t.c_cflag |= BOTHER;
    t.c_ispeed = static_cast<speed_t>(baud);
    t.c_ospeed = static_cast<speed_t>(baud);
    return ioctl(fd, TCSETS2, &t) == 0;
}

} // namespace kavex
