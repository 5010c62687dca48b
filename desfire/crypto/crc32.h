// CRC32 as DESFire EV1 uses it for enciphered data:
// reflected CRC-32, polynomial 0xEDB88320, initial value 0xFFFFFFFF, LSB
// first, NO final complement (so it is the complement of the ordinary
// CRC-32). Transmitted least significant byte first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kavex::crypto {

// CRC over data[0..len). Empty input: 0xFFFFFFFF. "abc": 0xCADBBE3D.
uint32_t Crc32Desfire(const uint8_t* data, size_t len);

// CRC over data[1..len) followed by data[0] (status byte moved last).
// len 0: 0xFFFFFFFF.
uint32_t Crc32DesfireStatusLast(const uint8_t* data, size_t len);

// Continues a CRC over more bytes: Crc32Desfire(a||b) ==
// Crc32DesfireUpdate(Crc32Desfire(a), b). Start value 0xFFFFFFFF.
uint32_t Crc32DesfireUpdate(uint32_t crc, const uint8_t* data, size_t len);

// Writes crc least significant byte first into out[0..4).
inline void Crc32DesfirePut(uint32_t crc, uint8_t* out)
{
    out[0] = static_cast<uint8_t>(crc);
    out[1] = static_cast<uint8_t>(crc >> 8);
    out[2] = static_cast<uint8_t>(crc >> 16);
    out[3] = static_cast<uint8_t>(crc >> 24);
}

} // namespace kavex::crypto
