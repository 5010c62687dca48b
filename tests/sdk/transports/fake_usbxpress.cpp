// A USBXpress library for tests: the SDK loads it the way it loads the
// real one (KAVEX_USBXPRESS_LIBRARY). Its adapters are listed in
// KAVEX_FAKE_USBXPRESS as "SERIAL=DEVICE;SERIAL=DEVICE", each served from a
// tty device (a pty with a simulated module behind it).
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Dword = uint32_t;
constexpr int kSuccess = 0x00;
constexpr int kDeviceNotFound = 0xFF;
constexpr int kInvalidHandle = 0x01;
constexpr int kReadError = 0x02;
constexpr int kWriteError = 0x04;
constexpr int kReadTimedOut = 0x12;

Dword readTimeoutMs = 1000;
Dword writeTimeoutMs = 1000;

struct Device {
    int fd;
};

std::vector<std::pair<std::string, std::string>> Adapters()
{
    std::vector<std::pair<std::string, std::string>> out;
    const char* adapters = std::getenv("KAVEX_FAKE_USBXPRESS");
    std::string s = adapters ? adapters : "";
    size_t pos = 0;
    while (pos < s.size()) {
        size_t end = s.find(';', pos);
        if (end == std::string::npos) end = s.size();
        const std::string entry = s.substr(pos, end - pos);
        const size_t eq = entry.find('=');
        if (eq != std::string::npos) out.emplace_back(entry.substr(0, eq), entry.substr(eq + 1));
        pos = end + 1;
    }
    return out;
}

} // namespace

extern "C" {

int SI_GetNumDevices(Dword* count)
{
    *count = static_cast<Dword>(Adapters().size());
    return kSuccess;
}

int SI_GetProductString(Dword device, void* text, Dword /*flags*/)
{
    const auto adapters = Adapters();
    if (device >= adapters.size()) return kDeviceNotFound;
    std::strncpy(static_cast<char*>(text), adapters[device].first.c_str(), 255);
    return kSuccess;
}

int SI_Open(Dword device, void** handle)
{
    const auto adapters = Adapters();
    if (device >= adapters.size()) return kDeviceNotFound;
    const int fd = ::open(adapters[device].second.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return kDeviceNotFound;
    *handle = new Device{fd};
    return kSuccess;
}

int SI_Close(void* handle)
{
    if (!handle) return kInvalidHandle;
    ::close(static_cast<Device*>(handle)->fd);
    delete static_cast<Device*>(handle);
    return kSuccess;
}

// Waits up to the read timeout until all bytes asked for are there.
int SI_Read(void* handle, void* buffer, Dword toRead, Dword* read, void* /*overlapped*/)
{
    *read = 0;
    if (!handle) return kInvalidHandle;
    const int fd = static_cast<Device*>(handle)->fd;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(readTimeoutMs);
    while (*read < toRead) {
        const ssize_t n = ::read(fd, static_cast<uint8_t*>(buffer) + *read, toRead - *read);
        if (n > 0) {
            *read += static_cast<Dword>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return kReadError;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) return kReadTimedOut;
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(left));
    }
    return kSuccess;
}

int SI_Write(void* handle, void* buffer, Dword toWrite, Dword* written, void* /*overlapped*/)
{
    *written = 0;
    if (!handle) return kInvalidHandle;
    const int fd = static_cast<Device*>(handle)->fd;
    while (*written < toWrite) {
        const ssize_t n = ::write(fd, static_cast<uint8_t*>(buffer) + *written, toWrite - *written);
        if (n > 0) {
            *written += static_cast<Dword>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return kWriteError;
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, static_cast<int>(writeTimeoutMs)) <= 0) return kWriteError;
    }
    return kSuccess;
}

int SI_DeviceIOControl(void*, Dword, void*, Dword, void*, Dword, Dword*)
{
    return kSuccess;
}

int SI_FlushBuffers(void* handle, uint8_t /*transmit*/, uint8_t /*receive*/)
{
    return handle ? kSuccess : kInvalidHandle;
}

int SI_SetTimeouts(Dword readMs, Dword writeMs)
{
    readTimeoutMs = readMs;
    writeTimeoutMs = writeMs;
    return kSuccess;
}

int SI_GetTimeouts(Dword* readMs, Dword* writeMs)
{
    *readMs = readTimeoutMs;
    *writeMs = writeTimeoutMs;
    return kSuccess;
}

int SI_CheckRXQueue(void* handle, Dword* bytes, Dword* queueStatus)
{
    if (!handle) return kInvalidHandle;
    int n = 0;
    ioctl(static_cast<Device*>(handle)->fd, FIONREAD, &n);
    *bytes = static_cast<Dword>(n);
    *queueStatus = n > 0 ? 2 : 0;
    return kSuccess;
}

int SI_SetBaudRate(void* handle, Dword)
{
    return handle ? kSuccess : kInvalidHandle;
}
int SI_SetBaudDivisor(void* handle, uint16_t)
{
    return handle ? kSuccess : kInvalidHandle;
}
int SI_SetLineControl(void* handle, uint16_t)
{
    return handle ? kSuccess : kInvalidHandle;
}
int SI_SetFlowControl(void* handle, uint8_t, uint8_t, uint8_t, uint8_t, uint8_t, int)
{
    return handle ? kSuccess : kInvalidHandle;
}
int SI_GetModemStatus(void* handle, uint8_t* status)
{
    *status = 0;
    return handle ? kSuccess : kInvalidHandle;
}
int SI_SetBreak(void* handle, uint16_t)
{
    return handle ? kSuccess : kInvalidHandle;
}
int SI_ReadLatch(void* handle, uint8_t* latch)
{
    *latch = 0;
    return handle ? kSuccess : kInvalidHandle;
}
int SI_WriteLatch(void* handle, uint8_t, uint8_t)
{
    return handle ? kSuccess : kInvalidHandle;
}
int SI_GetPartNumber(void* handle, uint8_t* part)
{
    *part = 0x0A;
    return handle ? kSuccess : kInvalidHandle;
}
int SI_GetDLLVersion(Dword* high, Dword* low)
{
    *high = 0x00030001;
    *low = 0;
    return kSuccess;
}
int SI_GetDriverVersion(Dword* high, Dword* low)
{
    *high = 0x00030001;
    *low = 0;
    return kSuccess;
}

} // extern "C"
