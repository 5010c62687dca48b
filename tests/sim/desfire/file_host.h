// The host's side of file data transfers as the SDK does them: data
// protected in the file's communication mode, commands split into frames
// of 60 bytes (8-byte header and 52 data bytes, then 0xAF and 59), answers
// collected frame by frame and unwrapped. Built on the reference host so
// that the card is checked against code that shares nothing with it.
#pragma once

#include <optional>

#include "tests/support/reference_host.h"

namespace kavex::sim {
class Card;
}

namespace desfire_test {

namespace reference = kavex::test::reference;
using reference::Bytes;
using reference::HostSession;

enum class Mode : uint8_t { Plain = 0, Mac = 1, Enciphered = 3 };

struct Outcome {
    uint8_t status = 0xFF;
    Bytes data;              // plain payload of a successful read
    bool integrityOk = true; // answer MAC or CRC as the host checks it
    size_t frames = 0;       // frames sent (writes) or received (reads)
    bool framesOk = true;    // every answer frame within 60 bytes, all but the last full
};

// Sends `header` (command byte first) and `data` in `mode`; `s` null: not
// authenticated, everything plain.
Outcome SendData(kavex::sim::Card& card, HostSession* s, const Bytes& header, const Bytes& data, Mode mode);

// Sends a read command and collects its answer. `payloadLen` unset: the
// host does not know the length and finds it through the 0x80 marker of an
// enciphered answer or the MAC at the end.
Outcome Receive(kavex::sim::Card& card, HostSession* s, const Bytes& cmd, Mode mode, std::optional<size_t> payloadLen);

// Command headers.
Bytes TransferHeader(uint8_t code, uint8_t fileNo, uint32_t offset, uint32_t length);
Bytes Le24(uint32_t v);

} // namespace desfire_test
