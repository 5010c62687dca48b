// The port functions of the C interface. None of them throws: every path
// ends in a result value and, where a port exists, its last status.
#include <cstring>
#include <string>
#include <vector>

#include "sdk/core/api_guard.h"
#include "sdk/core/port_registry.h"
#include "sdk/core/idle_hook.h"
#include "sdk/core/progress_hook.h"
#include "kavex.h"
#include "sdk/support/device_models.h"
#include "sdk/support/status_codes.h"
#include "sdk/support/status_text.h"

namespace {

using kavex::CKavex_Port;
using kavex::CKavex_SDKApp;
using kavex::Guarded;
using kavex::kStatusBufferTooSmall;
using kavex::kStatusModeInvalid;
using kavex::kStatusUnknownHandle;
using kavex::WithPort;

// For the functions that only read what a port knows.
CKavex_Port* Find(int handle)
{
    return CKavex_SDKApp::Instance().FindPort(handle);
}

int SimpleCommand(int handle, uint8_t command, std::vector<uint8_t> data)
{
    return WithPort(handle, [&](CKavex_Port& port) {
        std::vector<uint8_t> answer;
        return port.Execute(command, data, answer) ? 0 : -1;
    });
}

// Copies a model name or firmware text the way Kavex_GetDeviceName
// documents it: zero-filled, cut to size - 1, the full length returned.
int CopyName(const std::string& name, char* buffer, int size)
{
    if (buffer && size > 0) {
        std::memset(buffer, 0, static_cast<size_t>(size));
        std::memcpy(buffer, name.data(), std::min(name.size(), static_cast<size_t>(size - 1)));
    }
    return static_cast<int>(name.size());
}

// The most bytes of text that fit into room without splitting a UTF-8
// sequence: a caller that shows the cut text must not get half a letter.
size_t Utf8Prefix(const std::string& text, size_t room)
{
    if (room >= text.size()) return text.size();
    size_t n = room;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    return n;
}

} // namespace

extern "C" {

KAVEX_API int Kavex_OpenPort(const char* name, int baud, int timeoutMs)
{
    return Guarded([&] { return CKavex_SDKApp::Instance().OpenPort(name, baud, timeoutMs); });
}

KAVEX_API int Kavex_ClosePort(int handle)
{
    return Guarded([&] { return CKavex_SDKApp::Instance().ClosePort(handle); });
}

KAVEX_API int Kavex_GetLastError(int handle)
{
    return Guarded([&] {
        CKavex_Port* port = Find(handle);
        return port ? port->lastStatus : kStatusUnknownHandle;
    });
}

KAVEX_API int Kavex_GetErrorText(int handle, int language, char* buffer, int size)
{
    return Guarded([&] {
        CKavex_Port* port = Find(handle);
        const std::string text = kavex::StatusCodeText(port ? port->lastStatus : kStatusUnknownHandle, language);
        if (!buffer || size <= 0) return 0;
        const size_t n = Utf8Prefix(text, static_cast<size_t>(size));
        std::memcpy(buffer, text.data(), n);
        return static_cast<int>(n);
    });
}

KAVEX_API int Kavex_GetDeviceIdent(int handle, unsigned char* buffer, int size)
{
    return WithPort(handle, [&](CKavex_Port& port) {
        std::vector<uint8_t> answer;
        if (!CKavex_SDKApp::Identify(port, answer)) return -1;
        if (!buffer || size < 0 || answer.size() > static_cast<size_t>(size)) {
            port.lastStatus = kStatusBufferTooSmall;
            return -1;
        }
        if (!answer.empty()) std::memcpy(buffer, answer.data(), answer.size());
        return static_cast<int>(answer.size());
    });
}

KAVEX_API int Kavex_GetDeviceName(int handle, char* buffer, int size)
{
    return Guarded([&] {
        CKavex_Port* port = Find(handle);
        return CopyName(kavex::ModelName(port ? port->deviceType : 0), buffer, size);
    });
}

KAVEX_API int Kavex_GetFirmwareVersion(int handle, char* buffer, int size)
{
    return Guarded([&] {
        CKavex_Port* port = Find(handle);
        return port ? CopyName(kavex::FirmwareVersionText(port->firmwareRevision), buffer, size) : -1;
    });
}

KAVEX_API int Kavex_IsProgrammer(int handle)
{
    return Guarded([&] {
        CKavex_Port* port = Find(handle);
        return port ? (port->deviceType & 1) : -1;
    });
}

KAVEX_API int Kavex_IsUSB(int handle)
{
    return Guarded([&] {
        CKavex_Port* port = Find(handle);
        return port ? (port->IsUsb() ? 1 : 0) : -1;
    });
}

KAVEX_API int Kavex_SetReaderMode(int handle, unsigned char mode)
{
    return WithPort(handle, [&](CKavex_Port& port) {
        if ((mode & 0x7F) > 3) {
            port.lastStatus = kStatusModeInvalid;
            return -1;
        }
        // Readers of variants 2 and 3 know no modes.
        if (port.variant == 2 || port.variant == 3) return 0;
        std::vector<uint8_t> answer;
        return port.Execute(0xF4, {mode}, answer) ? 0 : -1;
    });
}

KAVEX_API int Kavex_SetUsbMode(int handle, unsigned char mode)
{
    return SimpleCommand(handle, 0xFF, {mode});
}

KAVEX_API int Kavex_ResetDevice(int handle, unsigned char b0, unsigned char b1)
{
    return SimpleCommand(handle, 0xF6, {b0, b1});
}

KAVEX_API void Kavex_SetIdleHook(void (*hook)(void* context), void* context)
{
    kavex::SetIdleHook(hook, context);
}

KAVEX_API void Kavex_SetProgressHook(void (*hook)(void* context, int done, int total), void* context)
{
    kavex::SetProgressHook(hook, context);
}

} // extern "C"
