// The grammar of the names Kavex_OpenPort accepts.
#pragma once

#include <string>

namespace kavex {

enum class PortNameKind { Serial, Lan, Hid, Bluetooth, Refused };

struct PortName {
    std::string name; // without the address suffix
    int address = 1;
    PortNameKind kind = PortNameKind::Serial;
};

// Splits off the device address and tells which link the name asks for.
// Names that begin with '/' are serial device paths (a Bluetooth module's
// when they end in " BT"); their address suffix is a last ':' followed
// only by decimal digits, so paths with ':' inside still open. Other names take the text after their first ':' as a signed
// decimal number (no digits give 0).
PortName ParsePortName(const std::string& given);

// Serial names ("/...", "COM...", "\\.\COM...") carry line settings in the
// last two decimal digits of the baud argument.
bool CarriesLineSettings(const std::string& given);

struct LineSettingsFromBaud {
    int baud;
    char parity;
    int stopBits;
};
LineSettingsFromBaud DecodeBaud(int baud);

} // namespace kavex
