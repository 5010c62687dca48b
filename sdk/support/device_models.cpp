#include "sdk/support/device_models.h"

#include <cstdio>

namespace kavex {
namespace {

struct Model {
    int code;
    const char* name;
};

// The last hex digit says what a device can do: 1 and 5 (bit 0 set) are
// programmers, 4 is a read-only device. The name says it too, because the
// operator has to pick a programmer for card personalisation.
constexpr Model kModels[] = {
    {0x117, "Kavex KV-117 Compact Programmer"},
    {0x121, "Kavex KV-121 Desktop Programmer"},
    {0x122, "Kavex KV-122 Desktop Reader"},
    {0x123, "Kavex KV-123 Desktop Programmer"},
    {0x124, "Kavex KV-124 Desktop Reader"},
    {0x125, "Kavex KV-125 Bluetooth Programmer"},
    {0x131, "Kavex KV-131 Desktop USB Programmer"},
    {0x134, "Kavex KV-134 Desktop USB Reader"},
    {0x135, "Kavex KV-135 Desktop USB Programmer"},
    {0x141, "Kavex KV-141 Module Programmer"},
    {0x144, "Kavex KV-144 Module Reader"},
    {0x145, "Kavex KV-145 Module Programmer"},
    {0x151, "Kavex KV-151 Module USB Programmer"},
    {0x154, "Kavex KV-154 Module USB Reader"},
    {0x155, "Kavex KV-155 Module USB Programmer"},
    {0x161, "Kavex KV-161 Wall Programmer"},
    {0x164, "Kavex KV-164 Wall Reader"},
    {0x165, "Kavex KV-165 Wall Programmer"},
    {0x171, "Kavex KV-171 Classic Programmer"},
    {0x181, "Kavex KV-181 OEM Programmer"},
    {0x184, "Kavex KV-184 OEM Reader"},
    {0x185, "Kavex KV-185 OEM Programmer"},
    {0x191, "Kavex KV-191 OEM USB Programmer"},
    {0x194, "Kavex KV-194 OEM USB Reader"},
    {0x195, "Kavex KV-195 OEM USB Programmer"},
    {0x401, "Kavex KV-401 LAN Programmer"},
    {0x404, "Kavex KV-404 LAN Reader"},
    {0x405, "Kavex KV-405 LAN Programmer"},
    {0x411, "Kavex KV-411 LAN PoE Programmer"},
    {0x414, "Kavex KV-414 LAN PoE Reader"},
    {0x415, "Kavex KV-415 LAN PoE Programmer"},
    {0x421, "Kavex KV-421 Industrial Programmer"},
    {0x435, "Kavex KV-435 Industrial USB Programmer"},
    {0x451, "Kavex KV-451 Kiosk Programmer"},
    {0x454, "Kavex KV-454 Kiosk Reader"},
    {0x455, "Kavex KV-455 Kiosk Programmer"},
};

int HexDigitValue(uint8_t c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

std::string ModelName(int typeCode)
{
    for (const Model& model : kModels) {
        if (model.code == typeCode) return model.name;
    }
    char fallback[16];
    std::snprintf(fallback, sizeof fallback, "KV-#%03X", static_cast<unsigned>(typeCode));
    return fallback;
}

int ParseDeviceTypeCode(const uint8_t* answer, size_t len)
{
    int code = 0;
    for (size_t i = 0; answer != nullptr && i < len && i < 3; ++i) {
        const int digit = HexDigitValue(answer[i]);
        if (digit < 0) break;
        code = code * 16 + digit;
    }
    return code;
}

int FirmwareMinor(char revision)
{
    if (revision >= '0' && revision <= '9') return revision - '0';
    if (revision >= 'A' && revision <= 'Z') return revision - 'A' + 10;
    if (revision >= 'a' && revision <= 'z') return revision - 'a' + 10;
    return 255;
}

std::string FirmwareVersionText(char revision)
{
    char text[16];
    std::snprintf(text, sizeof text, "FW V%d.%02d", 1, FirmwareMinor(revision));
    return text;
}

} // namespace kavex
