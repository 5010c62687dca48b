// DES per FIPS 46-3. Table-driven: the initial and final permutations use
// byte-indexed lookup tables, the round function combines S-boxes and the P
// permutation into eight 64-entry SP tables; the E expansion is done by
// rotating R so that each 6-bit group lands in the low bits. All tables are
// generated at compile time from the standard's tables.
#include "desfire/crypto/des.h"

#include <cstring>

#include "desfire/crypto/session_cipher.h"

namespace kavex::crypto {

namespace {

// FIPS 46-3 tables; bits are numbered 1..64 from the most significant bit
// of the first byte.
constexpr uint8_t kIP[64] = {58, 50, 42, 34, 26, 18, 10, 2,  60, 52, 44, 36, 28, 20, 12, 4,  62, 54, 46, 38, 30, 22,
                             14, 6,  64, 56, 48, 40, 32, 24, 16, 8,  57, 49, 41, 33, 25, 17, 9,  1,  59, 51, 43, 35,
                             27, 19, 11, 3,  61, 53, 45, 37, 29, 21, 13, 5,  63, 55, 47, 39, 31, 23, 15, 7};

constexpr uint8_t kP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                            2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

constexpr uint8_t kPC1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18, 10, 2,  59, 51, 43,
                              35, 27, 19, 11, 3,  60, 52, 44, 36, 63, 55, 47, 39, 31, 23, 15, 7,  62, 54,
                              46, 38, 30, 22, 14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

constexpr uint8_t kPC2[48] = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,
                              26, 8,  16, 7,  27, 20, 13, 2,  41, 52, 31, 37, 47, 55, 30, 40,
                              51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

constexpr uint8_t kShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

constexpr uint8_t kS[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8, 3, 10, 6, 12, 5,  9,  0,  7,  0,  15, 7,  4,  14, 2,
     13, 1,  10, 6, 12, 11, 9,  5, 3, 8,  4, 1,  14, 8,  13, 6,  2,  11, 15, 12, 9,  7,
     3,  10, 5,  0, 15, 12, 8,  2, 4, 9,  1, 7,  5,  11, 3,  14, 10, 0,  6,  13},
    {15, 1,  8, 14, 6,  11, 3,  4, 9, 7, 2,  13, 12, 0, 5, 10, 3,  13, 4,  7, 15, 2,  8, 14, 12, 0, 1, 10, 6, 9, 11, 5,
     0,  14, 7, 11, 10, 4,  13, 1, 5, 8, 12, 6,  9,  3, 2, 15, 13, 8,  10, 1, 3,  15, 4, 2,  11, 6, 7, 12, 0, 5, 14, 9},
    {10, 0,  9,  14, 6, 3,  15, 5,  1,  13, 12, 7, 11, 4,  2,  8,  13, 7, 0,  9, 3, 4,
     6,  10, 2,  8,  5, 14, 12, 11, 15, 1,  13, 6, 4,  9,  8,  15, 3,  0, 11, 1, 2, 12,
     5,  10, 14, 7,  1, 10, 13, 0,  6,  9,  8,  7, 4,  15, 14, 3,  11, 5, 2,  12},
    {7, 13, 14, 3, 0, 6,  9, 10, 1,  2, 8,  5, 11, 12, 4,  15, 13, 8,  11, 5, 6, 15,
     0, 3,  4,  7, 2, 12, 1, 10, 14, 9, 10, 6, 9,  0,  12, 11, 7,  13, 15, 1, 3, 14,
     5, 2,  8,  4, 3, 15, 0, 6,  10, 1, 13, 8, 9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4, 1,  7,  10, 11, 6, 8, 5,  3, 15, 13, 0,  14, 9,  14, 11, 2,  12, 4,  7,
     13, 1,  5, 0,  15, 10, 3,  9, 8, 6,  4, 2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,
     6,  3,  0, 14, 11, 8,  12, 7, 1, 14, 2, 13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6, 8,  0, 13, 3,  4,  14, 7,  5, 11, 10, 15, 4, 2, 7, 12,
     9,  5,  6,  1,  13, 14, 0, 11, 3, 8,  9,  14, 15, 5,  2, 8,  12, 3,  7, 0, 4, 10,
     1,  13, 11, 6,  4,  3,  2, 12, 9, 5,  15, 10, 11, 14, 1, 7,  6,  0,  8, 13},
    {4, 11, 2,  14, 15, 0, 8, 13, 3,  12, 9, 7, 5, 10, 6, 1, 13, 0,  11, 7, 4, 9, 1,  10, 14, 3, 5, 12, 2,  15, 8, 6,
     1, 4,  11, 13, 12, 3, 7, 14, 10, 15, 6, 8, 0, 5,  9, 2, 6,  11, 13, 8, 1, 4, 10, 7,  9,  5, 0, 15, 14, 2,  3, 12},
    {13, 2, 8, 4, 6,  15, 11, 1, 10, 9,  3,  14, 5, 0, 12, 7, 1, 15, 13, 8, 10, 3, 7,  4,  12, 5, 6, 11, 0, 14, 9, 2, 7,
     11, 4, 1, 9, 12, 14, 2,  0, 6,  10, 13, 15, 3, 5, 8,  2, 1, 14, 7,  4, 10, 8, 13, 15, 12, 9, 0, 3,  5, 6,  11}};

struct DesTables {
    uint64_t ip[8][256]; // initial permutation, by input byte
    uint64_t fp[8][256]; // final permutation (IP^-1), by input byte
    uint32_t sp[8][64];  // P(S_i(v)) placed in the 32-bit round output
};

constexpr DesTables MakeDesTables()
{
    DesTables t{};
    uint8_t fpPerm[64] = {}; // output bit o takes input bit fpPerm[o]
    for (int o = 0; o < 64; ++o) fpPerm[kIP[o] - 1] = static_cast<uint8_t>(o + 1);
    for (int j = 0; j < 8; ++j) {
        for (int v = 0; v < 256; ++v) {
            uint64_t ip = 0, fp = 0;
            for (int o = 0; o < 64; ++o) {
                int srcIp = kIP[o] - 1, srcFp = fpPerm[o] - 1; // 0-based input bit
                if (srcIp / 8 == j && ((v >> (7 - srcIp % 8)) & 1)) ip |= uint64_t{1} << (63 - o);
                if (srcFp / 8 == j && ((v >> (7 - srcFp % 8)) & 1)) fp |= uint64_t{1} << (63 - o);
            }
            t.ip[j][v] = ip;
            t.fp[j][v] = fp;
        }
    }
    for (int i = 0; i < 8; ++i) {
        for (int v = 0; v < 64; ++v) {
            int row = ((v >> 4) & 2) | (v & 1);
            int col = (v >> 1) & 0xF;
            uint32_t pre = static_cast<uint32_t>(kS[i][row * 16 + col]) << (28 - 4 * i);
            uint32_t out = 0;
            for (int o = 0; o < 32; ++o)
                if ((pre >> (32 - kP[o])) & 1) out |= uint32_t{1} << (31 - o);
            t.sp[i][v] = out;
        }
    }
    return t;
}

constexpr DesTables kT = MakeDesTables();

inline uint32_t Rotr(uint32_t x, unsigned n)
{
    return (x >> n) | (x << ((32 - n) & 31));
}

inline uint32_t F(uint32_t r, const uint8_t* k)
{
    // E-expansion group i is bits 4i..4i+5 (1-based, bit 0 = bit 32): its
    // last bit sits at shift 27-4i, so rotating right by that brings the
    // group into the low 6 bits.
    return kT.sp[0][(Rotr(r, 27) & 0x3F) ^ k[0]] ^ kT.sp[1][(Rotr(r, 23) & 0x3F) ^ k[1]] ^
           kT.sp[2][(Rotr(r, 19) & 0x3F) ^ k[2]] ^ kT.sp[3][(Rotr(r, 15) & 0x3F) ^ k[3]] ^
           kT.sp[4][(Rotr(r, 11) & 0x3F) ^ k[4]] ^ kT.sp[5][(Rotr(r, 7) & 0x3F) ^ k[5]] ^
           kT.sp[6][(Rotr(r, 3) & 0x3F) ^ k[6]] ^ kT.sp[7][(Rotr(r, 31) & 0x3F) ^ k[7]];
}

// ks: 16 rounds x 8 six-bit subkey groups.
inline void DesBlock(const uint8_t* ks, bool decrypt, const uint8_t* in, uint8_t* out)
{
    uint64_t x = 0;
    for (int j = 0; j < 8; ++j) x |= kT.ip[j][in[j]];
    uint32_t l = static_cast<uint32_t>(x >> 32), r = static_cast<uint32_t>(x);
    if (!decrypt) {
        for (int round = 0; round < 16; round += 2) {
            l ^= F(r, ks + 8 * round);
            r ^= F(l, ks + 8 * (round + 1));
        }
    } else {
        for (int round = 15; round > 0; round -= 2) {
            l ^= F(r, ks + 8 * round);
            r ^= F(l, ks + 8 * (round - 1));
        }
    }
    // Preoutput is R16 || L16.
    uint64_t y = (static_cast<uint64_t>(r) << 32) | l;
    uint64_t z = 0;
    for (int j = 0; j < 8; ++j) z |= kT.fp[j][(y >> (56 - 8 * j)) & 0xFF];
    for (int j = 0; j < 8; ++j) out[j] = static_cast<uint8_t>(z >> (56 - 8 * j));
}

} // namespace

Des::Des(DF8Crypt& owner) : ks_(owner.keySchedule)
{
    static_assert(sizeof(owner.keySchedule) >= kSlots * 128, "keySchedule too small for 3 DES keys");
}

void Des::SetKey(const uint8_t* key8, int slot)
{
    uint64_t k = 0;
    for (int j = 0; j < 8; ++j) k = (k << 8) | key8[j];
    // PC-1 -> C (28 bits) and D (28 bits); parity bits are simply not selected.
    uint32_t c = 0, d = 0;
    for (int o = 0; o < 28; ++o) c = (c << 1) | static_cast<uint32_t>((k >> (64 - kPC1[o])) & 1);
    for (int o = 28; o < 56; ++o) d = (d << 1) | static_cast<uint32_t>((k >> (64 - kPC1[o])) & 1);
    uint8_t* dst = ks_ + 128 * slot;
    for (int round = 0; round < 16; ++round) {
        unsigned s = kShifts[round];
        c = ((c << s) | (c >> (28 - s))) & 0x0FFFFFFFu;
        d = ((d << s) | (d >> (28 - s))) & 0x0FFFFFFFu;
        uint64_t cd = (static_cast<uint64_t>(c) << 28) | d; // bit 1 at shift 55
        for (int g = 0; g < 8; ++g) {
            uint8_t v = 0;
            for (int b = 0; b < 6; ++b) v = static_cast<uint8_t>((v << 1) | ((cd >> (56 - kPC2[6 * g + b])) & 1));
            dst[8 * round + g] = v;
        }
    }
}

void Des::EncryptBlock(const uint8_t* in, uint8_t* out, int slot) const
{
    DesBlock(ks_ + 128 * slot, false, in, out);
}

void Des::DecryptBlock(const uint8_t* in, uint8_t* out, int slot) const
{
    DesBlock(ks_ + 128 * slot, true, in, out);
}

bool Des::SetKey3(const uint8_t* key16)
{
    SetKey(key16, 0);
    SetKey(key16 + 8, 1);
    for (int j = 0; j < 8; ++j)
        if ((key16[j] ^ key16[8 + j]) & 0xFE) return false;
    return true;
}

void Des::Encrypt3(const uint8_t* in, uint8_t* out) const
{
    uint8_t t[8];
    DesBlock(ks_, false, in, t);
    DesBlock(ks_ + 128, true, t, t);
    DesBlock(ks_, false, t, out);
}

void Des::Decrypt3(const uint8_t* in, uint8_t* out) const
{
    uint8_t t[8];
    DesBlock(ks_, true, in, t);
    DesBlock(ks_ + 128, false, t, t);
    DesBlock(ks_, true, t, out);
}

} // namespace kavex::crypto
