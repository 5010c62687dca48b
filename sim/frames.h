// Reader frame protocol as seen from the reader's side of the wire: the
// checksums, the command translation of variants 2 and 3 (both directions),
// request frames (for tests that play the host) and answer frames.
//
// Written independently from the SDK (the simulator is its peer); nothing here
// includes anything from sdk/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kavex::sim {

using Bytes = std::vector<uint8_t>;

inline constexpr uint8_t kStartByteV0 = 0x02;  // variant 0
inline constexpr uint8_t kStartByteV23 = 0x1E; // variants 2 and 3
inline constexpr uint8_t kBlockFormLen = 0xFF; // LEN of an answer in block form
inline constexpr uint8_t kBlockEnd = 0xFF;     // end marker of the block form
inline constexpr size_t kMaxBlock = 254;       // largest block / plain answer

// Reader status bytes the simulator sends. Variants 0 and 1 share one set,
// variants 2 and 3 another (their success status is the command byte).
namespace status {
inline constexpr uint8_t kOk = 0x00;
inline constexpr uint8_t kMoreData = 0x20;          // v0: another piece follows (fetch with 0x46)
inline constexpr uint8_t kNoTransponder = 0x15;     // v0/v1: 21 "No transponder ..."
inline constexpr uint8_t kCommandNotAllowed = 0x0E; // v0/v1: 14 "Command not allowed"
inline constexpr uint8_t kModeInvalid = 0x0D;       // v0/v1: 13 "Mode invalid"
inline constexpr uint8_t kDataAmountWrong = 0x14;   // v0/v1: 20 "Data amount wrong"
inline constexpr uint8_t kV23Rejected = 0xA0;       // v2/v3: SDK status 24
inline constexpr uint8_t kV23DataAmount = 0xA4;     // v2/v3: SDK status 20
inline constexpr uint8_t kV23Status88 = 0x88;       // v2/v3: SDK status 17
inline constexpr uint8_t kV23Collision = 0xCC;      // v2/v3: SDK status 23
inline constexpr uint8_t kV23NoCard = 0xC4;         // v2/v3: SDK status 21
inline constexpr uint8_t kV23NoCard2 = 0xC5;        // v2/v3: SDK status 21
} // namespace status

// Generic reader command bytes (before the variant 2/3 translation).
namespace cmd {
inline constexpr uint8_t kIdentify = 0xF0;
inline constexpr uint8_t kReaderMode = 0xF4;
inline constexpr uint8_t kRfField = 0xF5;
inline constexpr uint8_t kReset = 0xF6;
inline constexpr uint8_t kReset2 = 0xF7;
inline constexpr uint8_t kUsbMode = 0xFF;
inline constexpr uint8_t kRequest = 0x30;
inline constexpr uint8_t kAnticollSelect = 0x31;
inline constexpr uint8_t kRats = 0x41;
inline constexpr uint8_t kPps = 0x42;
inline constexpr uint8_t kDesfire = 0x45;
inline constexpr uint8_t kContinue = 0x46;
} // namespace cmd

// CRC-16/MODBUS (init 0xFFFF, reflected polynomial 0xA001, no final XOR).
uint16_t Crc16Modbus(const uint8_t* data, size_t size);
uint16_t Crc16Modbus(const Bytes& data);
// XOR of all bytes.
uint8_t Xor8(const uint8_t* data, size_t size);

// A command byte with its data, as it travels on the wire or before translation.
struct CommandFrame {
    uint8_t command = 0;
    Bytes data;
    bool operator==(const CommandFrame& o) const { return command == o.command && data == o.data; }
};

// Host-side translation of variants 2 and 3 (identity for variants 0 and 1).
CommandFrame TranslateForWire(int variant, uint8_t command, const Bytes& data);

// Reader-side reverse translation of a received variant 2/3 command
// (identity for variants 0 and 1). nullopt when the wire command belongs to
// the other of variants 2/3 (the identification request 0x0B reaching a
// variant-3 reader, or 0x60 a variant-2 reader). `note` receives a remark
// (for example a flag byte that breaks the insertion rule of command 0x20).
std::optional<CommandFrame> TranslateFromWire(int variant, uint8_t wire_command, const Bytes& wire_data,
                                              std::string* note = nullptr);

// Request frame (host to reader) of a variant; translates in variants 2 and 3.
// The data must not exceed 255 bytes after translation.
Bytes BuildRequestFrame(int variant, uint8_t address, uint8_t command, const Bytes& data = {});

// Answer frame (reader to host). Block form when `block_form` is set or the
// data exceeds 254 bytes; blocks carry at most `block_size` (1..254) bytes.
Bytes BuildAnswerFrame(int variant, uint8_t address, uint8_t status, const Bytes& data, bool block_form = false,
                       size_t block_size = kMaxBlock);

// A decoded answer frame (for tests that play the host).
struct DecodedAnswer {
    uint8_t status = 0;
    Bytes data; // block form: the blocks' contents joined (length bytes removed)
    bool block_form = false;
    bool checksum_ok = true;
    size_t frame_size = 0; // bytes the frame occupies in the input
};

// Decodes the answer frame at the start of `bytes` (no leading garbage
// skipped). nullopt while the frame is incomplete or malformed.
std::optional<DecodedAnswer> DecodeAnswerFrame(int variant, const Bytes& bytes);

// "02 01 F0" style text.
std::string ToHex(const uint8_t* data, size_t size);
std::string ToHex(const Bytes& data);
// Parses hexadecimal text: pairs of digits, optionally separated by blanks,
// ':', '-', ',' or '.'; an optional "0x" prefix per group is accepted.
// nullopt on any other character or an odd digit count in a group.
std::optional<Bytes> ParseHex(const std::string& text);

} // namespace kavex::sim
