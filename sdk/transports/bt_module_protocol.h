// The message protocol of a Bluetooth module on the host side: requests
// from the host, confirmations and indications from the module. A message
// is 02, type, code, length (two bytes, low first), checksum (sum of type,
// code and length), the data, 03.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kavex::bt {

constexpr uint8_t kStart = 0x02;
constexpr uint8_t kEnd = 0x03;
constexpr uint8_t kRequest = 0x52;
constexpr uint8_t kConfirmation = 0x43;
constexpr uint8_t kIndication = 0x69;
// Start, type, code, two length bytes, checksum and end.
constexpr size_t kFrameOverhead = 7;
// Both the module input and the received reader data hold this much.
constexpr size_t kBufferSize = 1000;

// A received message is known by code * 256 + type.
constexpr uint16_t MessageId(uint8_t code, uint8_t type)
{
    return static_cast<uint16_t>(code << 8 | type);
}

std::vector<uint8_t> BuildMessage(uint8_t type, uint8_t code, const std::vector<uint8_t>& data);
// The request that carries one reader frame to the connected reader.
std::vector<uint8_t> BuildDataRequest(const uint8_t* frame, size_t len);

struct ModuleMessage {
    uint16_t id = 0;
    std::vector<uint8_t> data;
};

// The module input buffer. Bytes beyond its size are never taken in; a
// message whose checksum or end byte is wrong, or which claims more than
// the buffer can ever hold, is dropped and counted.
class ModuleInput {
public:
    // Free room; Append takes at most this many bytes.
    size_t Space() const { return kBufferSize - fill_; }
    size_t Append(const uint8_t* data, size_t len);
    // Takes out the next complete, sound message, if one is there.
    std::optional<ModuleMessage> Next();
    bool Empty() const { return fill_ == 0; }
    size_t Dropped() const { return dropped_; }
    void Clear() { fill_ = 0; }

private:
    void Discard(size_t n);

    uint8_t buffer_[kBufferSize] = {};
    size_t fill_ = 0;
    size_t dropped_ = 0;
};

} // namespace kavex::bt
