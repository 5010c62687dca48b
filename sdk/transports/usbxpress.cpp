#include "sdk/transports/usbxpress.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <mutex>

#include "sdk/support/debug_log.h"

namespace kavex::usbxpress {

namespace {

std::string Upper(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

template <typename F>
bool Bind(void* lib, const char* name, F& slot)
{
    slot = reinterpret_cast<F>(dlsym(lib, name));
    if (!slot) DebugLog("Fehler: Kann %s nicht initialisieren", name);
    return slot != nullptr;
}

bool BindAll(void* lib, Api& a)
{
    bool ok = true;
    ok &= Bind(lib, "SI_GetNumDevices", a.SI_GetNumDevices);
    ok &= Bind(lib, "SI_GetProductString", a.SI_GetProductString);
    ok &= Bind(lib, "SI_Open", a.SI_Open);
    ok &= Bind(lib, "SI_Close", a.SI_Close);
    ok &= Bind(lib, "SI_Read", a.SI_Read);
    ok &= Bind(lib, "SI_Write", a.SI_Write);
    ok &= Bind(lib, "SI_DeviceIOControl", a.SI_DeviceIOControl);
    ok &= Bind(lib, "SI_FlushBuffers", a.SI_FlushBuffers);
    ok &= Bind(lib, "SI_SetTimeouts", a.SI_SetTimeouts);
    ok &= Bind(lib, "SI_GetTimeouts", a.SI_GetTimeouts);
    ok &= Bind(lib, "SI_CheckRXQueue", a.SI_CheckRXQueue);
    ok &= Bind(lib, "SI_SetBaudRate", a.SI_SetBaudRate);
    ok &= Bind(lib, "SI_SetBaudDivisor", a.SI_SetBaudDivisor);
    ok &= Bind(lib, "SI_SetLineControl", a.SI_SetLineControl);
    ok &= Bind(lib, "SI_SetFlowControl", a.SI_SetFlowControl);
    ok &= Bind(lib, "SI_GetModemStatus", a.SI_GetModemStatus);
    ok &= Bind(lib, "SI_SetBreak", a.SI_SetBreak);
    ok &= Bind(lib, "SI_ReadLatch", a.SI_ReadLatch);
    ok &= Bind(lib, "SI_WriteLatch", a.SI_WriteLatch);
    ok &= Bind(lib, "SI_GetPartNumber", a.SI_GetPartNumber);
    ok &= Bind(lib, "SI_GetDLLVersion", a.SI_GetDLLVersion);
    ok &= Bind(lib, "SI_GetDriverVersion", a.SI_GetDriverVersion);
    return ok;
}

} // namespace

const Api* Library()
{
    static std::mutex lock;
    static Api api;
    static bool bound = false;
    std::lock_guard<std::mutex> guard(lock);
    if (bound) return &api;
    const char* path = std::getenv("KAVEX_USBXPRESS_LIBRARY");
    if (!path || !*path) path = kDefaultLibrary;
    void* lib = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        DebugLog("Fehler: Kann %s nicht laden", path);
        return nullptr;
    }
    Api candidate;
    if (!BindAll(lib, candidate)) {
        dlclose(lib);
        return nullptr;
    }
    // Kept loaded for the life of the program: links may hold its handles.
    api = candidate;
    bound = true;
    return &api;
}

std::vector<std::string> AdapterSerials(const Api& api)
{
    std::vector<std::string> serials;
    Dword count = 0;
    if (api.SI_GetNumDevices(&count) != kSuccess) return serials;
    for (Dword i = 0; i < count && i < 64; ++i) {
        char text[256] = {};
        if (api.SI_GetProductString(i, text, kReturnSerialNumber) != kSuccess) continue;
        text[sizeof text - 1] = '\0';
        const std::string serial = Upper(text);
        if (serial.compare(0, std::strlen(kAdapterPrefix), kAdapterPrefix) == 0) serials.push_back(serial);
    }
    return serials;
}

int FindAdapter(const Api& api, const std::string& serial)
{
    Dword count = 0;
    if (api.SI_GetNumDevices(&count) != kSuccess) return -1;
    const std::string wanted = Upper(serial);
    for (Dword i = 0; i < count && i < 64; ++i) {
        char text[256] = {};
        if (api.SI_GetProductString(i, text, kReturnSerialNumber) != kSuccess) continue;
        text[sizeof text - 1] = '\0';
        if (Upper(text) == wanted) return static_cast<int>(i);
    }
    return -1;
}

} // namespace kavex::usbxpress
