// A stand-in for FTDI's libftd2xx.so: the list functions and the Win32-style
// calls of the FTDI link, each device served by a pty (the simulated
// reader's). The SDK loads it the way it loads the real one; a test sets
// the devices through FakeFtd2xx_SetDevices.
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "sdk/transports/ftd2xx_library.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct OpenDevice {
    int fd;
    uint32_t readTimeoutMs;
    uint32_t baud;
};

std::mutex lock;
std::vector<kavex::Ftd2xxDeviceInfo> devices;
std::vector<std::string> paths;
uint32_t lastBaud = 0;

} // namespace

// serials: USB serial numbers; open: whether the list reports a handle;
// ptys: the device file each one is served from.
FAKE_EXPORT void FakeFtd2xx_SetDevices(const char* const* serials, const int* open, const char* const* ptys, int count)
{
    std::lock_guard<std::mutex> guard(lock);
    devices.assign(static_cast<size_t>(count), kavex::Ftd2xxDeviceInfo{});
    paths.clear();
    for (int i = 0; i < count; ++i) {
        devices[i].id = 0x0403u << 16 | 0xB5E8u;
        std::strncpy(devices[i].serialNumber, serials[i], sizeof devices[i].serialNumber - 1);
        devices[i].handle = open[i] ? &devices[i] : nullptr;
        paths.emplace_back(ptys[i]);
    }
}

// The line rate of the last FT_W32_SetCommState.
FAKE_EXPORT uint32_t FakeFtd2xx_LastBaud()
{
    std::lock_guard<std::mutex> guard(lock);
    return lastBaud;
}

FAKE_EXPORT uint32_t FT_CreateDeviceInfoList(uint32_t* count)
{
    std::lock_guard<std::mutex> guard(lock);
    *count = static_cast<uint32_t>(devices.size());
    return 0;
}

FAKE_EXPORT uint32_t FT_GetDeviceInfoList(kavex::Ftd2xxDeviceInfo* list, uint32_t* count)
{
    std::lock_guard<std::mutex> guard(lock);
    std::memcpy(list, devices.data(), devices.size() * sizeof(kavex::Ftd2xxDeviceInfo));
    *count = static_cast<uint32_t>(devices.size());
    return 0;
}

FAKE_EXPORT void* FT_W32_CreateFile(const char* name, uint32_t, uint32_t, void*, uint32_t, uint32_t flags, void*)
{
    std::lock_guard<std::mutex> guard(lock);
    if (!(flags & 1)) return kavex::CFTD2xxPort::kInvalidHandle; // only by serial number
    for (size_t i = 0; i < devices.size(); ++i) {
        if (std::strcmp(devices[i].serialNumber, name) != 0) continue;
        const int fd = ::open(paths[i].c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) break;
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
        return new OpenDevice{fd, 0, 0};
    }
    return kavex::CFTD2xxPort::kInvalidHandle;
}

FAKE_EXPORT int FT_W32_CloseHandle(void* handle)
{
    auto* d = static_cast<OpenDevice*>(handle);
    ::close(d->fd);
    delete d;
    return 1;
}

FAKE_EXPORT int FT_W32_SetCommState(void* handle, kavex::Ftd2xxDcb* dcb)
{
    std::lock_guard<std::mutex> guard(lock);
    static_cast<OpenDevice*>(handle)->baud = dcb->baudRate;
    lastBaud = dcb->baudRate;
    return 1;
}

FAKE_EXPORT int FT_W32_SetCommTimeouts(void* handle, kavex::Ftd2xxTimeouts* timeouts)
{
    static_cast<OpenDevice*>(handle)->readTimeoutMs = timeouts->readTotalTimeoutConstant;
    return 1;
}

FAKE_EXPORT int FT_W32_ReadFile(void* handle, void* buffer, uint32_t size, uint32_t* read, void*)
{
    auto* d = static_cast<OpenDevice*>(handle);
    *read = 0;
    pollfd p{d->fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(d->readTimeoutMs));
    if (ready < 0) return 0;
    if (ready == 0) return 1;
    const ssize_t n = ::read(d->fd, buffer, size);
    if (n < 0) return 0;
    *read = static_cast<uint32_t>(n);
    return 1;
}

FAKE_EXPORT int FT_W32_WriteFile(void* handle, const void* buffer, uint32_t size, uint32_t* written, void*)
{
    const ssize_t n = ::write(static_cast<OpenDevice*>(handle)->fd, buffer, size);
    *written = n > 0 ? static_cast<uint32_t>(n) : 0;
    return n == static_cast<ssize_t>(size);
}
