// What the identification answer of a reader says: the device type (and so
// the model name shown to the operator) and the firmware revision.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kavex {

// Type codes the link layer assigns itself instead of asking the device.
constexpr int kBluetoothProgrammerType = 0x125; // no identification over Bluetooth
constexpr int kVariant2DeviceType = 0x171;      // anything answering in protocol variant 2
constexpr int kVariant3DeviceType = 0x117;      // anything answering in protocol variant 3

// Model name for a device type code; codes we do not know come back as
// "KV-#" and the code in (at least three) upper-case hex digits.
std::string ModelName(int typeCode);

// The type code from the first three characters of an identification
// answer, read as hex up to the first character that is not a hex digit
// (so a short or garbled answer gives a small value, never an error).
int ParseDeviceTypeCode(const uint8_t* answer, size_t len);

// The firmware minor number from the fourth answer character: '0'-'9' are
// 0-9, letters of either case are 10-35, anything else is 255.
int FirmwareMinor(char revision);

// "FW V1.05" style text for the fourth answer character.
std::string FirmwareVersionText(char revision);

} // namespace kavex
