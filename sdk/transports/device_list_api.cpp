// The device-list functions of the C interface. None of them throws; a
// failure while enumerating leaves an empty, well-formed list.
#include "sdk/transports/device_list.h"

#include <algorithm>
#include <mutex>

#include "sdk/transports/ftd2xx_library.h"

#include "kavex.h"
#include "sdk/transports/name_list.h"

namespace kavex {

namespace {

template <typename F>
int GuardedNameList(char* buffer, int size, F&& names) noexcept
{
    if (!buffer || size <= 0) return 0;
    try {
        return WriteNameList(names(), buffer, size);
    } catch (...) {
        buffer[0] = '\0';
        return 1;
    }
}

} // namespace

int ListComPorts(DeviceSource& source, char* buffer, int size) noexcept
{
    return GuardedNameList(buffer, size, [&] { return SerialPortList(source.SerialPorts()); });
}

int ListUsbPorts(DeviceSource& source, char* buffer, int size) noexcept
{
    return GuardedNameList(buffer, size, [&] {
        std::vector<DeviceRecord> usb = source.UsbDevices();
        // FTDI's library knows the FTDI devices also when no kernel driver
        // has taken them; without it the device database tells.
        CFTD2xxPort d2xx;
        if (std::optional<std::vector<Ftd2xxDevice>> free = FreeFtd2xxDevices(d2xx)) {
            usb.erase(std::remove_if(usb.begin(), usb.end(),
                                     [](const DeviceRecord& d) { return d.vendorId == kFtdiVendorId; }),
                      usb.end());
            for (const Ftd2xxDevice& d : *free) {
                DeviceRecord r;
                r.subsystem = "usb";
                r.vendorId = d.vendorId;
                r.productId = d.productId;
                r.serial = d.serial;
                r.serialReadable = true;
                usb.push_back(std::move(r));
            }
        }
        return UsbReaderList(usb, source.HidDevices(), FtdiSerialsHeldOpen());
    });
}

int GetMissingDrivers(DeviceSource& source) noexcept
{
    try {
        return MissingDriverFlags(source.UsbDevices());
    } catch (...) {
        return 0;
    }
}

namespace {

std::mutex& FactoryLock()
{
    static std::mutex lock;
    return lock;
}

DeviceSourceFactory& Factory()
{
    static DeviceSourceFactory factory;
    return factory;
}

} // namespace

void SetDeviceSourceFactory(DeviceSourceFactory factory)
{
    std::lock_guard<std::mutex> lock(FactoryLock());
    Factory() = std::move(factory);
}

std::unique_ptr<DeviceSource> MakeDeviceSource()
{
    DeviceSourceFactory factory;
    {
        std::lock_guard<std::mutex> lock(FactoryLock());
        factory = Factory();
    }
    return factory ? factory() : MakeSystemDeviceSource();
}

} // namespace kavex

namespace {

// Creating the source allocates; keep that inside the no-throw boundary too.
template <typename F>
int WithSystemSource(int onFailure, F&& f) noexcept
{
    try {
        std::unique_ptr<kavex::DeviceSource> source = kavex::MakeDeviceSource();
        return f(*source);
    } catch (...) {
        return onFailure;
    }
}

} // namespace

extern "C" {

KAVEX_API int Kavex_ListComPorts(char* buffer, int size)
{
    const int empty = kavex::WriteNameList({}, buffer, size);
    return WithSystemSource(empty, [&](kavex::DeviceSource& s) { return kavex::ListComPorts(s, buffer, size); });
}

KAVEX_API int Kavex_ListUsbPorts(char* buffer, int size)
{
    const int empty = kavex::WriteNameList({}, buffer, size);
    return WithSystemSource(empty, [&](kavex::DeviceSource& s) { return kavex::ListUsbPorts(s, buffer, size); });
}

KAVEX_API int Kavex_GetMissingDrivers(void)
{
    return WithSystemSource(0, [](kavex::DeviceSource& s) { return kavex::GetMissingDrivers(s); });
}

// cdc_acm, the driver of readers in virtual-COM mode, ships with the kernel:
// there is no driver package to look for.
KAVEX_API int Kavex_IsVirtualComDriverInstalled(void)
{
    return 1;
}

} // extern "C"
