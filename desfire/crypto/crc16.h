// CRC_A of ISO/IEC 14443-3, which the original DESFire secure messaging
// (after the legacy authentication 0x0A) puts behind enciphered data:
// reflected polynomial 0x8408, initial value 0x6363, no final XOR.
// Transmitted least significant byte first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kavex::crypto {

// CRC over data[0..len). Empty input: 0x6363; 00 00: 0x1EA0 (sent A0 1E).
uint16_t Crc16Iso14443a(const uint8_t* data, size_t len);

// Writes crc least significant byte first into out[0..2).
inline void Crc16Put(uint16_t crc, uint8_t* out)
{
    out[0] = static_cast<uint8_t>(crc);
    out[1] = static_cast<uint8_t>(crc >> 8);
}

} // namespace kavex::crypto
