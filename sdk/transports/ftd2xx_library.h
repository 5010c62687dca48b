// FTDI's D2XX library (libftd2xx.so), bound at run time so that the SDK
// runs on machines without it. Each CFTD2xxPort holds its own reference to
// the library and its own table of entry points, all null until Load() has
// found them; an operation whose entry point is missing calls nothing and
// returns a fixed failure value. Readers stay reachable without the
// library through the kernel's FTDI driver (their ttyUSB device).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kavex {

// FTDI's FT_DEVICE_LIST_INFO_NODE as libftd2xx for Linux lays it out.
struct Ftd2xxDeviceInfo {
    uint32_t flags;
    uint32_t type;
    uint32_t id; // vendor ID << 16 | product ID
    uint32_t locationId;
    char serialNumber[16];
    char description[64];
    void* handle; // non-null while some program holds the device open
};

class CFTD2xxPort {
public:
    static constexpr const char* kLibraryName = "libftd2xx.so";
    // FT_STATUS values.
    static constexpr uint32_t kOk = 0;
    static constexpr uint32_t kNotBound = 1;

    CFTD2xxPort() = default;
    ~CFTD2xxPort();
    CFTD2xxPort(const CFTD2xxPort&) = delete;
    CFTD2xxPort& operator=(const CFTD2xxPort&) = delete;

    // Loads the library and binds the entry points, once. Missing pieces
    // are named in the debug log.
    void Load();
    bool Loaded() const { return library_ != nullptr; }

    uint32_t FT_CreateDeviceInfoList(uint32_t* count);
    uint32_t FT_GetDeviceInfoList(Ftd2xxDeviceInfo* list, uint32_t* count);

private:
    using CreateDeviceInfoListFn = uint32_t (*)(uint32_t*);
    using GetDeviceInfoListFn = uint32_t (*)(Ftd2xxDeviceInfo*, uint32_t*);

    void* library_ = nullptr;
    CreateDeviceInfoListFn createDeviceInfoList_ = nullptr;
    GetDeviceInfoListFn getDeviceInfoList_ = nullptr;
};

// The FTDI devices D2XX reports that no program holds open and that carry
// a serial number. None, after the debug text, when the library or its
// list functions are not there or the listing fails.
struct Ftd2xxDevice {
    uint16_t vendorId;
    uint16_t productId;
    std::string serial;
};
std::optional<std::vector<Ftd2xxDevice>> FreeFtd2xxDevices(CFTD2xxPort& d2xx);

// Loads another file in place of libftd2xx.so (an empty path restores it),
// so a test can hand over a library of its own.
void SetFtd2xxLibraryForTesting(const std::string& path);

} // namespace kavex
