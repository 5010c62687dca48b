#include "sdk/transports/ftd2xx_library.h"

#include <algorithm>
#include <cstring>
#include <dlfcn.h>
#include <mutex>

#include "sdk/support/debug_log.h"

namespace kavex {

namespace {

std::mutex& LibraryPathLock()
{
    static std::mutex lock;
    return lock;
}

std::string& LibraryPathOverride()
{
    static std::string path;
    return path;
}

std::string LibraryPath()
{
    std::lock_guard<std::mutex> lock(LibraryPathLock());
    return LibraryPathOverride().empty() ? std::string(CFTD2xxPort::kLibraryName) : LibraryPathOverride();
}

// The entry points in the order they are looked up. Only the list
// functions are called here; the rest are checked so that the debug log
// names a library that lacks a piece of the interface.
constexpr const char* kEntryPoints[] = {
    "FT_SetBaudRate",
    "FT_SetLatencyTimer",
    "FT_SetUSBParameters",
    "FT_ListDevices",
    "FT_CreateDeviceInfoList",
    "FT_GetDeviceInfoList",
    "FT_GetDeviceInfoDetail",
    "FT_ResetDevice",
    "FT_W32_CreateFile",
    "FT_W32_CloseHandle",
    "FT_W32_ReadFile",
    "FT_W32_WriteFile",
    "FT_W32_GetLastError",
    "FT_W32_GetOverlappedResult",
    "FT_W32_ClearCommBreak",
    "FT_W32_ClearCommError",
    "FT_W32_EscapeCommFunction",
    "FT_W32_GetCommModemStatus",
    "FT_W32_GetCommState",
    "FT_W32_GetCommTimeouts",
    "FT_W32_PurgeComm",
    "FT_W32_SetCommBreak",
    "FT_W32_SetCommMask",
    "FT_W32_SetCommState",
    "FT_W32_SetCommTimeouts",
    "FT_W32_SetupComm",
    "FT_W32_WaitCommEvent",
};

} // namespace

CFTD2xxPort::~CFTD2xxPort()
{
    if (library_) dlclose(library_);
}

void CFTD2xxPort::Load()
{
    if (library_) return;
    const std::string path = LibraryPath();
    library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library_) {
        DebugLog("Fehler: Kann %s nicht laden", path.c_str());
        return;
    }
    for (const char* name : kEntryPoints) {
        void* entry = dlsym(library_, name);
        if (!entry) DebugLog("Fehler: Kann %s nicht initialisieren", name);
        entries_.emplace_back(name, entry);
    }
}

void* CFTD2xxPort::Entry(const char* name) const
{
    for (const auto& e : entries_)
        if (std::strcmp(e.first, name) == 0) return e.second;
    return nullptr;
}

uint32_t CFTD2xxPort::FT_CreateDeviceInfoList(uint32_t* count)
{
    Load();
    auto f = reinterpret_cast<uint32_t (*)(uint32_t*)>(Entry("FT_CreateDeviceInfoList"));
    if (!f) {
        DebugLog("FT_CreateDeviceInfoList ist nicht vorhanden!");
        return kNotBound;
    }
    return f(count);
}

uint32_t CFTD2xxPort::FT_GetDeviceInfoList(Ftd2xxDeviceInfo* list, uint32_t* count)
{
    Load();
    auto f = reinterpret_cast<uint32_t (*)(Ftd2xxDeviceInfo*, uint32_t*)>(Entry("FT_GetDeviceInfoList"));
    if (!f) {
        DebugLog("FT_GetDeviceInfoList ist nicht vorhanden!");
        return kNotBound;
    }
    return f(list, count);
}

void* CFTD2xxPort::FT_W32_CreateFile(const char* name, uint32_t access, uint32_t share, void* security, uint32_t create,
                                     uint32_t attributes, void* templateFile)
{
    Load();
    auto f = reinterpret_cast<void* (*)(const char*, uint32_t, uint32_t, void*, uint32_t, uint32_t, void*)>(
        Entry("FT_W32_CreateFile"));
    return f ? f(name, access, share, security, create, attributes, templateFile) : kInvalidHandle;
}

int CFTD2xxPort::FT_W32_CloseHandle(void* handle)
{
    auto f = reinterpret_cast<int (*)(void*)>(Entry("FT_W32_CloseHandle"));
    return f ? f(handle) : 0;
}

int CFTD2xxPort::FT_W32_ReadFile(void* handle, void* buffer, uint32_t size, uint32_t* read, void* overlapped)
{
    auto f = reinterpret_cast<int (*)(void*, void*, uint32_t, uint32_t*, void*)>(Entry("FT_W32_ReadFile"));
    return f ? f(handle, buffer, size, read, overlapped) : 0;
}

int CFTD2xxPort::FT_W32_WriteFile(void* handle, const void* buffer, uint32_t size, uint32_t* written, void* overlapped)
{
    auto f = reinterpret_cast<int (*)(void*, const void*, uint32_t, uint32_t*, void*)>(Entry("FT_W32_WriteFile"));
    return f ? f(handle, buffer, size, written, overlapped) : 0;
}

int CFTD2xxPort::FT_W32_SetCommState(void* handle, Ftd2xxDcb* dcb)
{
    auto f = reinterpret_cast<int (*)(void*, Ftd2xxDcb*)>(Entry("FT_W32_SetCommState"));
    return f ? f(handle, dcb) : 0;
}

int CFTD2xxPort::FT_W32_SetCommTimeouts(void* handle, Ftd2xxTimeouts* timeouts)
{
    auto f = reinterpret_cast<int (*)(void*, Ftd2xxTimeouts*)>(Entry("FT_W32_SetCommTimeouts"));
    return f ? f(handle, timeouts) : 0;
}

std::optional<std::vector<Ftd2xxDevice>> FreeFtd2xxDevices(CFTD2xxPort& d2xx)
{
    std::vector<Ftd2xxDevice> devices;
    uint32_t count = 0;
    if (d2xx.FT_CreateDeviceInfoList(&count) != CFTD2xxPort::kOk) return std::nullopt;
    if (count == 0) return devices;
    // The library fills in the records of the list it has just created,
    // as many as it counted.
    std::vector<Ftd2xxDeviceInfo> info(count);
    uint32_t written = count;
    if (d2xx.FT_GetDeviceInfoList(info.data(), &written) != CFTD2xxPort::kOk) return std::nullopt;
    for (uint32_t i = 0; i < std::min(written, count); ++i) {
        const Ftd2xxDeviceInfo& d = info[i];
        if (d.handle) continue;
        const std::string serial(d.serialNumber, strnlen(d.serialNumber, sizeof d.serialNumber));
        if (serial.empty()) continue;
        devices.push_back({static_cast<uint16_t>(d.id >> 16), static_cast<uint16_t>(d.id & 0xFFFF), serial});
    }
    return devices;
}

void SetFtd2xxLibraryForTesting(const std::string& path)
{
    std::lock_guard<std::mutex> lock(LibraryPathLock());
    LibraryPathOverride() = path;
}

} // namespace kavex
