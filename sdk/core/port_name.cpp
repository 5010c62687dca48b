#include "sdk/core/port_name.h"

#include <algorithm>
#include <cctype>

namespace kavex {

namespace {

int LeadingSignedNumber(const std::string& s)
{
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        negative = s[i] == '-';
        ++i;
    }
    long long value = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        value = value * 10 + (s[i] - '0');
        if (value > 0x7FFFFFFF) value = 0x7FFFFFFF;
        ++i;
    }
    return static_cast<int>(negative ? -value : value);
}

bool IsLanName(const std::string& s)
{
    if (!s.empty() && s[0] == '[') return true;
    const size_t firstDot = s.find('.');
    return std::count(s.begin(), s.end(), '.') == 3 && firstDot != 0;
}

std::string Upper(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

PortName ParsePortName(const std::string& given)
{
    PortName p;
    p.name = given;
    if (!given.empty() && given[0] == '/') {
        const size_t colon = given.rfind(':');
        if (colon != std::string::npos && colon + 1 < given.size() &&
            std::all_of(given.begin() + static_cast<std::ptrdiff_t>(colon) + 1, given.end(),
                        [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; })) {
            p.address = LeadingSignedNumber(given.substr(colon + 1));
            p.name = given.substr(0, colon);
        }
        // A module on a serial device: "/dev/ttyUSB1 BT". Only the suffix
        // counts; "BT" elsewhere in a path is part of a device's name.
        const size_t bt = p.name.rfind(" BT");
        p.kind = bt != std::string::npos && bt + 3 == p.name.size() ? PortNameKind::Bluetooth : PortNameKind::Serial;
        return p;
    }

    const size_t colon = given.find(':');
    if (colon != std::string::npos && colon + 1 < given.size()) {
        p.address = LeadingSignedNumber(given.substr(colon + 1));
        p.name = given.substr(0, colon);
    }
    if (IsLanName(p.name))
        p.kind = PortNameKind::Lan;
    else if (p.name.find("HID") != std::string::npos)
        p.kind = PortNameKind::Hid;
    else if (p.name.find("BT") != std::string::npos)
        p.kind = p.name.find("BTW") != std::string::npos ? PortNameKind::Refused : PortNameKind::Bluetooth;
    else
        p.kind = PortNameKind::Serial;
    return p;
}

bool CarriesLineSettings(const std::string& given)
{
    if (!given.empty() && given[0] == '/') return true;
    const std::string up = Upper(given);
    return up.rfind("COM", 0) == 0 || up.rfind("\\\\.\\COM", 0) == 0;
}

LineSettingsFromBaud DecodeBaud(int baud)
{
    LineSettingsFromBaud s{baud / 100 * 100, 'N', 1};
    switch (baud % 100) {
    case 1: s.parity = 'E'; break;
    case 2: s.parity = 'O'; break;
    case 3: s.stopBits = 2; break;
    default: break;
    }
    return s;
}

} // namespace kavex
