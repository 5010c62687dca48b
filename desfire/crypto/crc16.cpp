#include "desfire/crypto/crc16.h"

namespace kavex::crypto {

uint16_t Crc16Iso14443a(const uint8_t* data, size_t len)
{
    uint16_t crc = 0x6363;
    for (size_t i = 0; i < len; ++i) {
        uint8_t b = static_cast<uint8_t>(data[i] ^ crc);
        b = static_cast<uint8_t>(b ^ (b << 4));
        crc = static_cast<uint16_t>((crc >> 8) ^ (uint16_t{b} << 8) ^ (uint16_t{b} << 3) ^ (b >> 4));
    }
    return crc;
}

} // namespace kavex::crypto
