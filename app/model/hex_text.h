// Conversions between card bytes and the hexadecimal texts of the dialogs.
// They never fail: characters that are no hex digit count as 0, so a half
// typed field still yields a value and the card reports what it thinks of it.
#pragma once

#include <QString>
#include <cstdint>

namespace velmora {

QString ByteToHex(uint8_t b);
// High byte first.
QString WordToHex(uint16_t w);

// One digit gives its value, two digits a byte; any other length gives 0.
uint8_t HexByteValue(const QString& text);
// Spaces are ignored; only the rightmost eight digits count.
uint32_t HexToNumber(const QString& text);
// "%02X" per byte, in array order or reversed, optionally one space between bytes.
QString BytesToHex(const uint8_t* bytes, int n, bool reversed, bool spaced);
// Bytes written to out (at most max). A field that holds the text of a failed
// read ("... Error ...") gives nothing rather than garbage bytes.
int HexToBytes(const QString& text, uint8_t* out, int max);

// The value of one hexadecimal digit, -1 for any other character; the
// strict readers of typed input build on it.
int HexDigitValue(QChar c);

// Six digits, most significant byte first, as application IDs are shown.
QString AidToText(uint32_t aid);

} // namespace velmora
