// AES-128 per FIPS 197, with the usual 32-bit T-tables (generated at compile
// time from the S-box, which is itself computed from GF(2^8) inversion and
// the affine map) and the equivalent inverse cipher for decryption.
#include "desfire/crypto/aes.h"

#include <cstring>

#include "desfire/crypto/session_cipher.h"

namespace kavex::crypto {

namespace {

struct AesTables {
    uint8_t sbox[256];
    uint8_t isbox[256];
    uint32_t te[4][256];
    uint32_t td[4][256];
};

constexpr uint8_t Xtime(uint8_t x)
{
    return static_cast<uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1B : 0x00));
}

constexpr uint8_t Mul(uint8_t a, uint8_t b)
{
    uint8_t r = 0;
    while (b) {
        if (b & 1) r ^= a;
        a = Xtime(a);
        b >>= 1;
    }
    return r;
}

constexpr uint8_t Rotl8(uint8_t x, int n)
{
    return static_cast<uint8_t>((x << n) | (x >> (8 - n)));
}

constexpr uint32_t Rotr32(uint32_t x, int n)
{
    return (x >> n) | (x << (32 - n));
}

constexpr AesTables MakeAesTables()
{
    AesTables t{};
    // p runs over all non-zero elements as powers of 3, q over their inverses.
    uint8_t p = 1, q = 1;
    do {
        p = static_cast<uint8_t>(p ^ Xtime(p)); // p *= 3
        q = static_cast<uint8_t>(q ^ (q << 1)); // q /= 3
        q = static_cast<uint8_t>(q ^ (q << 2));
        q = static_cast<uint8_t>(q ^ (q << 4));
        if (q & 0x80) q ^= 0x09;
        uint8_t s = static_cast<uint8_t>(q ^ Rotl8(q, 1) ^ Rotl8(q, 2) ^ Rotl8(q, 3) ^ Rotl8(q, 4));
        t.sbox[p] = static_cast<uint8_t>(s ^ 0x63);
    } while (p != 1);
    t.sbox[0] = 0x63;
    for (int i = 0; i < 256; ++i) t.isbox[t.sbox[i]] = static_cast<uint8_t>(i);
    for (int i = 0; i < 256; ++i) {
        uint8_t s = t.sbox[i];
        uint32_t e = (uint32_t{Mul(s, 2)} << 24) | (uint32_t{s} << 16) | (uint32_t{s} << 8) | uint32_t{Mul(s, 3)};
        uint8_t si = t.isbox[i];
        uint32_t d = (uint32_t{Mul(si, 14)} << 24) | (uint32_t{Mul(si, 9)} << 16) | (uint32_t{Mul(si, 13)} << 8) |
                     uint32_t{Mul(si, 11)};
        for (int k = 0; k < 4; ++k) {
            t.te[k][i] = k ? Rotr32(e, 8 * k) : e;
            t.td[k][i] = k ? Rotr32(d, 8 * k) : d;
        }
    }
    return t;
}

constexpr AesTables kA = MakeAesTables();

constexpr size_t kRoundKeyWords = 44;
constexpr size_t kDecOffset = kRoundKeyWords * 4; // byte offset of decryption keys

inline uint32_t Load32(const uint8_t* p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

inline void Store32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

inline uint32_t Rk(const uint8_t* ks, size_t i)
{
    uint32_t v;
    std::memcpy(&v, ks + 4 * i, 4);
    return v;
}

inline void SetRk(uint8_t* ks, size_t i, uint32_t v)
{
    std::memcpy(ks + 4 * i, &v, 4);
}

inline uint32_t SubWord(uint32_t w)
{
    return (uint32_t{kA.sbox[w >> 24]} << 24) | (uint32_t{kA.sbox[(w >> 16) & 0xFF]} << 16) |
           (uint32_t{kA.sbox[(w >> 8) & 0xFF]} << 8) | kA.sbox[w & 0xFF];
}

inline void AesEncrypt(const uint8_t* ks, const uint8_t* in, uint8_t* out)
{
    uint32_t s0 = Load32(in) ^ Rk(ks, 0), s1 = Load32(in + 4) ^ Rk(ks, 1);
    uint32_t s2 = Load32(in + 8) ^ Rk(ks, 2), s3 = Load32(in + 12) ^ Rk(ks, 3);
    const auto& T = kA.te;
    for (size_t r = 1; r < 10; ++r) {
        uint32_t t0 =
            T[0][s0 >> 24] ^ T[1][(s1 >> 16) & 0xFF] ^ T[2][(s2 >> 8) & 0xFF] ^ T[3][s3 & 0xFF] ^ Rk(ks, 4 * r);
        uint32_t t1 =
            T[0][s1 >> 24] ^ T[1][(s2 >> 16) & 0xFF] ^ T[2][(s3 >> 8) & 0xFF] ^ T[3][s0 & 0xFF] ^ Rk(ks, 4 * r + 1);
        uint32_t t2 =
            T[0][s2 >> 24] ^ T[1][(s3 >> 16) & 0xFF] ^ T[2][(s0 >> 8) & 0xFF] ^ T[3][s1 & 0xFF] ^ Rk(ks, 4 * r + 2);
        uint32_t t3 =
            T[0][s3 >> 24] ^ T[1][(s0 >> 16) & 0xFF] ^ T[2][(s1 >> 8) & 0xFF] ^ T[3][s2 & 0xFF] ^ Rk(ks, 4 * r + 3);
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    const uint8_t* S = kA.sbox;
    auto fin = [&](uint32_t a, uint32_t b, uint32_t c, uint32_t d, size_t k) {
        return ((uint32_t{S[a >> 24]} << 24) | (uint32_t{S[(b >> 16) & 0xFF]} << 16) |
                (uint32_t{S[(c >> 8) & 0xFF]} << 8) | S[d & 0xFF]) ^
               Rk(ks, k);
    };
    uint32_t o0 = fin(s0, s1, s2, s3, 40), o1 = fin(s1, s2, s3, s0, 41);
    uint32_t o2 = fin(s2, s3, s0, s1, 42), o3 = fin(s3, s0, s1, s2, 43);
    Store32(out, o0);
    Store32(out + 4, o1);
    Store32(out + 8, o2);
    Store32(out + 12, o3);
}

inline void AesDecrypt(const uint8_t* ks, const uint8_t* in, uint8_t* out)
{
    const uint8_t* dk = ks + kDecOffset;
    uint32_t s0 = Load32(in) ^ Rk(dk, 0), s1 = Load32(in + 4) ^ Rk(dk, 1);
    uint32_t s2 = Load32(in + 8) ^ Rk(dk, 2), s3 = Load32(in + 12) ^ Rk(dk, 3);
    const auto& T = kA.td;
    for (size_t r = 1; r < 10; ++r) {
        uint32_t t0 =
            T[0][s0 >> 24] ^ T[1][(s3 >> 16) & 0xFF] ^ T[2][(s2 >> 8) & 0xFF] ^ T[3][s1 & 0xFF] ^ Rk(dk, 4 * r);
        uint32_t t1 =
            T[0][s1 >> 24] ^ T[1][(s0 >> 16) & 0xFF] ^ T[2][(s3 >> 8) & 0xFF] ^ T[3][s2 & 0xFF] ^ Rk(dk, 4 * r + 1);
        uint32_t t2 =
            T[0][s2 >> 24] ^ T[1][(s1 >> 16) & 0xFF] ^ T[2][(s0 >> 8) & 0xFF] ^ T[3][s3 & 0xFF] ^ Rk(dk, 4 * r + 2);
        uint32_t t3 =
            T[0][s3 >> 24] ^ T[1][(s2 >> 16) & 0xFF] ^ T[2][(s1 >> 8) & 0xFF] ^ T[3][s0 & 0xFF] ^ Rk(dk, 4 * r + 3);
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    const uint8_t* S = kA.isbox;
    auto fin = [&](uint32_t a, uint32_t b, uint32_t c, uint32_t d, size_t k) {
        return ((uint32_t{S[a >> 24]} << 24) | (uint32_t{S[(b >> 16) & 0xFF]} << 16) |
                (uint32_t{S[(c >> 8) & 0xFF]} << 8) | S[d & 0xFF]) ^
               Rk(dk, k);
    };
    uint32_t o0 = fin(s0, s3, s2, s1, 40), o1 = fin(s1, s0, s3, s2, 41);
    uint32_t o2 = fin(s2, s1, s0, s3, 42), o3 = fin(s3, s2, s1, s0, 43);
    Store32(out, o0);
    Store32(out + 4, o1);
    Store32(out + 8, o2);
    Store32(out + 12, o3);
}

} // namespace

Aes::Aes(DF8Crypt& owner) : owner_(owner)
{
    static_assert(sizeof(owner.keySchedule) >= 2 * kDecOffset, "keySchedule too small for AES");
}

void Aes::SetKey(const uint8_t* key16, bool forDecrypt)
{
    uint8_t* ks = owner_.keySchedule;
    uint32_t w[kRoundKeyWords];
    for (size_t i = 0; i < 4; ++i) w[i] = Load32(key16 + 4 * i);
    uint32_t rcon = 0x01;
    for (size_t i = 4; i < kRoundKeyWords; ++i) {
        uint32_t t = w[i - 1];
        if (i % 4 == 0) {
            t = SubWord((t << 8) | (t >> 24)) ^ (rcon << 24);
            rcon = Xtime(static_cast<uint8_t>(rcon));
        }
        w[i] = w[i - 4] ^ t;
    }
    for (size_t i = 0; i < kRoundKeyWords; ++i) SetRk(ks, i, w[i]);
    if (!forDecrypt) return;
    // Equivalent inverse cipher: reversed round order, InvMixColumns applied
    // to the inner round keys.
    uint8_t* dk = ks + kDecOffset;
    for (size_t r = 0; r <= 10; ++r) {
        for (size_t c = 0; c < 4; ++c) {
            uint32_t v = w[4 * (10 - r) + c];
            if (r != 0 && r != 10) {
                v = kA.td[0][kA.sbox[v >> 24]] ^ kA.td[1][kA.sbox[(v >> 16) & 0xFF]] ^
                    kA.td[2][kA.sbox[(v >> 8) & 0xFF]] ^ kA.td[3][kA.sbox[v & 0xFF]];
            }
            SetRk(dk, 4 * r + c, v);
        }
    }
}

void Aes::EncryptBlock(const uint8_t* in, uint8_t* out) const
{
    AesEncrypt(owner_.keySchedule, in, out);
}

void Aes::DecryptBlock(const uint8_t* in, uint8_t* out) const
{
    AesDecrypt(owner_.keySchedule, in, out);
}

void Aes::EncryptCBC(const uint8_t* in, uint8_t* out, size_t nblocks)
{
    uint8_t* iv = owner_.iv;
    for (size_t b = 0; b < nblocks; ++b) {
        uint8_t x[16];
        for (int i = 0; i < 16; ++i) x[i] = static_cast<uint8_t>(in[16 * b + i] ^ iv[i]);
        AesEncrypt(owner_.keySchedule, x, iv);
        std::memcpy(out + 16 * b, iv, 16);
    }
}

void Aes::DecryptCBC(const uint8_t* in, uint8_t* out, size_t nblocks)
{
    uint8_t* iv = owner_.iv;
    for (size_t b = 0; b < nblocks; ++b) {
        uint8_t c[16], p[16];
        std::memcpy(c, in + 16 * b, 16);
        AesDecrypt(owner_.keySchedule, c, p);
        for (int i = 0; i < 16; ++i) out[16 * b + i] = static_cast<uint8_t>(p[i] ^ iv[i]);
        std::memcpy(iv, c, 16);
    }
}

} // namespace kavex::crypto
