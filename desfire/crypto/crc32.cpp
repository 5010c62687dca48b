#include "desfire/crypto/crc32.h"

#include <array>

namespace kavex::crypto {

namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable()
{
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : (c >> 1);
        t[i] = c;
    }
    return t;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

} // namespace

uint32_t Crc32DesfireUpdate(uint32_t crc, const uint8_t* data, size_t len)
{
    for (size_t i = 0; i < len; ++i) crc = kCrcTable[(crc ^ data[i]) & 0xFFu] ^ (crc >> 8);
    return crc;
}

uint32_t Crc32Desfire(const uint8_t* data, size_t len)
{
    return Crc32DesfireUpdate(0xFFFFFFFFu, data, len);
}

uint32_t Crc32DesfireStatusLast(const uint8_t* data, size_t len)
{
    if (len == 0) return 0xFFFFFFFFu;
    uint32_t crc = Crc32DesfireUpdate(0xFFFFFFFFu, data + 1, len - 1);
    return Crc32DesfireUpdate(crc, data, 1);
}

} // namespace kavex::crypto
