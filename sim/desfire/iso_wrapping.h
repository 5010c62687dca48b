// Native DESFire commands inside ISO/IEC 7816-4 APDUs, as PC/SC and libnfc
// hosts send them: CLA 0x90, INS the command byte, P1 = P2 = 0, Lc and the
// command's data when it has any, Le = 0. The answer is the native answer's
// data followed by SW1 = 0x91 and SW2 = the native status byte.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace kavex::sim::desfire {

namespace iso {
constexpr uint8_t kNativeClass = 0x90;
constexpr uint8_t kInterindustryClass = 0x00;
constexpr uint8_t kNativeStatusSw1 = 0x91;

constexpr uint16_t kWrongLength = 0x6700;
constexpr uint16_t kNoDiagnosis = 0x6F00;
constexpr uint16_t kWrongP1P2 = 0x6A86;
constexpr uint16_t kInstructionNotSupported = 0x6D00;
constexpr uint16_t kClassNotSupported = 0x6E00;
} // namespace iso

// The native frame (command byte first) an APDU carries. When the APDU is
// none the card takes, returns nothing and sets `refusal` to the status
// word to answer with.
std::optional<std::vector<uint8_t>> UnwrapIsoApdu(const std::vector<uint8_t>& apdu, uint16_t* refusal);

// The response APDU for a native answer (status byte first).
std::vector<uint8_t> WrapIsoAnswer(const std::vector<uint8_t>& nativeAnswer);

// A response APDU that is only a status word.
std::vector<uint8_t> IsoStatusWord(uint16_t sw);

} // namespace kavex::sim::desfire
