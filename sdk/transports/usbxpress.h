// The USBXpress library of the maker's USB Bluetooth adapter, bound at run
// time: the program runs without it, and then knows no adapters. The
// library is looked for as libSiUSBXp.so, or where KAVEX_USBXPRESS_LIBRARY
// points.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kavex::usbxpress {

using Status = int;
using Handle = void*;
using Dword = uint32_t;

constexpr Status kSuccess = 0x00;
constexpr Dword kReturnSerialNumber = 0x00;
// Flow control line settings.
constexpr uint8_t kStatusInput = 0x00;
constexpr uint8_t kHandshakeLine = 0x01;
constexpr uint8_t kHeldInactive = 0x00;
constexpr uint8_t kHeldActive = 0x01;
constexpr uint8_t kFirmwareControlled = 0x02;
// Line control word: stop bits in bits 0-3 (0: one), parity in 4-7 (0:
// none), data bits in 8-15.
constexpr uint16_t kLine8N1 = 8 << 8;

constexpr const char* kDefaultLibrary = "libSiUSBXp.so";

struct Api {
    Status (*SI_GetNumDevices)(Dword* count) = nullptr;
    Status (*SI_GetProductString)(Dword device, void* text, Dword flags) = nullptr;
    Status (*SI_Open)(Dword device, Handle* handle) = nullptr;
    Status (*SI_Close)(Handle handle) = nullptr;
    Status (*SI_Read)(Handle handle, void* buffer, Dword toRead, Dword* read, void* overlapped) = nullptr;
    Status (*SI_Write)(Handle handle, void* buffer, Dword toWrite, Dword* written, void* overlapped) = nullptr;
    Status (*SI_DeviceIOControl)(Handle, Dword, void*, Dword, void*, Dword, Dword*) = nullptr;
    Status (*SI_FlushBuffers)(Handle handle, uint8_t transmit, uint8_t receive) = nullptr;
    Status (*SI_SetTimeouts)(Dword readMs, Dword writeMs) = nullptr;
    Status (*SI_GetTimeouts)(Dword* readMs, Dword* writeMs) = nullptr;
    Status (*SI_CheckRXQueue)(Handle handle, Dword* bytes, Dword* queueStatus) = nullptr;
    Status (*SI_SetBaudRate)(Handle handle, Dword baud) = nullptr;
    Status (*SI_SetBaudDivisor)(Handle handle, uint16_t divisor) = nullptr;
    Status (*SI_SetLineControl)(Handle handle, uint16_t lineControl) = nullptr;
    Status (*SI_SetFlowControl)(Handle handle, uint8_t cts, uint8_t rts, uint8_t dtr, uint8_t dsr, uint8_t dcd,
                                int xonXoff) = nullptr;
    Status (*SI_GetModemStatus)(Handle handle, uint8_t* status) = nullptr;
    Status (*SI_SetBreak)(Handle handle, uint16_t state) = nullptr;
    Status (*SI_ReadLatch)(Handle handle, uint8_t* latch) = nullptr;
    Status (*SI_WriteLatch)(Handle handle, uint8_t mask, uint8_t latch) = nullptr;
    Status (*SI_GetPartNumber)(Handle handle, uint8_t* part) = nullptr;
    Status (*SI_GetDLLVersion)(Dword* high, Dword* low) = nullptr;
    Status (*SI_GetDriverVersion)(Dword* high, Dword* low) = nullptr;
};

// The bound library, loaded on first use (and again after a failed load,
// so a library installed meanwhile is found). Null when it cannot be
// loaded or lacks a function the adapter link needs.
const Api* Library();

// Upper-case serial numbers of the attached adapters of our make.
std::vector<std::string> AdapterSerials(const Api& api);
// Index of the adapter with this serial number (letter case ignored), or -1.
int FindAdapter(const Api& api, const std::string& serial);

// First characters of the serial number of our adapters.
constexpr const char* kAdapterPrefix = "KVBT-ADAPT-";

} // namespace kavex::usbxpress
