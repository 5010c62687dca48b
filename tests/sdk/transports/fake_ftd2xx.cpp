// A stand-in for FTDI's libftd2xx.so with only its list functions: the SDK
// loads it the way it loads the real one. A test sets the devices it
// reports through FakeFtd2xx_SetDevices.
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "sdk/transports/ftd2xx_library.h"

namespace {

std::mutex lock;
std::vector<kavex::Ftd2xxDeviceInfo> devices;

} // namespace

extern "C" {

// serial: the device's serial number; open: whether it reports a handle.
__attribute__((visibility("default"))) void FakeFtd2xx_SetDevices(const char* const* serials, const int* open,
                                                                  int count)
{
    std::lock_guard<std::mutex> guard(lock);
    devices.assign(static_cast<size_t>(count), kavex::Ftd2xxDeviceInfo{});
    for (int i = 0; i < count; ++i) {
        devices[i].id = 0x0403u << 16 | 0xB5E8u;
        std::strncpy(devices[i].serialNumber, serials[i], sizeof devices[i].serialNumber - 1);
        devices[i].handle = open[i] ? &devices[i] : nullptr;
    }
}

__attribute__((visibility("default"))) uint32_t FT_CreateDeviceInfoList(uint32_t* count)
{
    std::lock_guard<std::mutex> guard(lock);
    *count = static_cast<uint32_t>(devices.size());
    return 0;
}

__attribute__((visibility("default"))) uint32_t FT_GetDeviceInfoList(kavex::Ftd2xxDeviceInfo* list, uint32_t* count)
{
    std::lock_guard<std::mutex> guard(lock);
    std::memcpy(list, devices.data(), devices.size() * sizeof(kavex::Ftd2xxDeviceInfo));
    *count = static_cast<uint32_t>(devices.size());
    return 0;
}

} // extern "C"
