// The LAN functions of the C interface: the search for network modules and
// the reading and changing of their network settings. None of them throws.
#include <cstdio>
#include <string>

#include "kavex.h"
#include "sdk/core/api_guard.h"
#include "sdk/core/idle_hook.h"
#include "sdk/transports/lan_discovery.h"
#include "sdk/transports/name_list.h"
#include "sdk/support/trace.h"

namespace {

void Idle()
{
    kavex::RunIdleHook();
}

int Search(kavex::lan::SearchMode mode, char* buffer, int size)
{
    if (!buffer || size <= 0) return 0;
    const int empty = kavex::WriteNameList({}, buffer, size);
    return kavex::Guarded([&] { return kavex::WriteNameList(kavex::lan::SearchLanDevices(mode, Idle), buffer, size); },
                          empty);
}

void CopyOut(char* out, const std::string& text)
{
    if (out) std::snprintf(out, KAVEX_LAN_TEXT_SIZE, "%s", text.c_str());
}

bool Usable(const char* text)
{
    return text != nullptr;
}

} // namespace

extern "C" {

KAVEX_API int Kavex_SearchLanDevices(char* buffer, int size)
{
    return Search(kavex::lan::SearchMode::ReadersOnly, buffer, size);
}

KAVEX_API int Kavex_SearchAllLanDevices(char* buffer, int size)
{
    return Search(kavex::lan::SearchMode::AllModules, buffer, size);
}

KAVEX_API int Kavex_TestLanConnection(const char* name)
{
    if (!Usable(name)) return 0;
    return kavex::Guarded([&] { return kavex::lan::TestLanConnection(name, Idle) ? 1 : 0; }, 0);
}

KAVEX_API int Kavex_GetLanConfig(const char* name, char* identity, char* address, char* mask, char* gateway)
{
    if (!Usable(name)) return -1;
    kavex::TraceLine("Kavex_GetLanConfig(%s)\r\n", name);
    return kavex::Guarded([&] {
        kavex::lan::LanConfigTexts texts;
        const int result = kavex::lan::GetLanConfig(name, texts, Idle);
        if (result != 0) return result;
        CopyOut(identity, texts.identity);
        CopyOut(address, !identity && texts.address.empty() ? texts.identity : texts.address);
        CopyOut(mask, texts.mask);
        CopyOut(gateway, texts.gateway);
        return 0;
    });
}

KAVEX_API int Kavex_SetLanConfig(const char* name, const char* newAddress, const char* mask, const char* gateway)
{
    if (!Usable(name) || !Usable(newAddress)) return -1;
    kavex::TraceLine("Kavex_SetLanConfig(%s,%s)\r\n", name, newAddress);
    return kavex::Guarded([&] { return kavex::lan::SetLanConfig(name, newAddress, mask, gateway, Idle); });
}

} // extern "C"
