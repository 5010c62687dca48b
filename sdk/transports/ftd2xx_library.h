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

    // The Win32-style calls the FTDI link uses. FT_W32_CreateFile loads the
    // library first and answers kInvalidHandle when it is missing; the
    // others answer 0 (failure) then.
    static inline void* const kInvalidHandle = reinterpret_cast<void*>(~uintptr_t{0});
    void* FT_W32_CreateFile(const char* name, uint32_t access, uint32_t share, void* security, uint32_t create,
                            uint32_t attributes, void* templateFile);
    int FT_W32_CloseHandle(void* handle);
    int FT_W32_ReadFile(void* handle, void* buffer, uint32_t size, uint32_t* read, void* overlapped);
    int FT_W32_WriteFile(void* handle, const void* buffer, uint32_t size, uint32_t* written, void* overlapped);
    int FT_W32_SetCommState(void* handle, struct Ftd2xxDcb* dcb);
    int FT_W32_SetCommTimeouts(void* handle, struct Ftd2xxTimeouts* timeouts);

private:
    void* Entry(const char* name) const;

    void* library_ = nullptr;
    std::vector<std::pair<const char*, void*>> entries_;
};

// FTDCB and FTTIMEOUTS of FTDI's header (Win32's DCB and COMMTIMEOUTS).
struct Ftd2xxDcb {
    uint32_t length = sizeof(Ftd2xxDcb);
    uint32_t baudRate = 0;
    uint32_t flags = 1; // bit 0 fBinary; no flow control, no parity check
    uint16_t reserved = 0;
    uint16_t xonLimit = 0;
    uint16_t xoffLimit = 0;
    uint8_t byteSize = 8;
    uint8_t parity = 0;   // 0 none, 1 odd, 2 even
    uint8_t stopBits = 0; // 0 one, 2 two
    char xonChar = 0x11;
    char xoffChar = 0x13;
    char errorChar = 0;
    char eofChar = 0;
    char eventChar = 0;
    uint16_t reserved1 = 0;
};

struct Ftd2xxTimeouts {
    uint32_t readIntervalTimeout;
    uint32_t readTotalTimeoutMultiplier;
    uint32_t readTotalTimeoutConstant;
    uint32_t writeTotalTimeoutMultiplier;
    uint32_t writeTotalTimeoutConstant;
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
