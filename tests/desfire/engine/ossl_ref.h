// Independent reference for the engine's secure messaging, built on
// OpenSSL's block ciphers: CBC with a chained IV, and CMAC chained from the
// session IV the way DESFire EV1 runs it.
#pragma once

#include <openssl/evp.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace ref {

using Bytes = std::vector<uint8_t>;

// AES-128 or two-key triple DES (a DES key is its 8 bytes twice).
struct Cipher {
    bool aes;
    Bytes key; // 16 bytes
    size_t Bs() const { return aes ? 16 : 8; }
};

inline Bytes Raw(const Cipher& c, bool encrypt, bool cbc, const Bytes& iv, const Bytes& in)
{
    const EVP_CIPHER* type =
        c.aes ? (cbc ? EVP_aes_128_cbc() : EVP_aes_128_ecb()) : (cbc ? EVP_des_ede_cbc() : EVP_des_ede_ecb());
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    Bytes out(in.size() + 32);
    int n1 = 0, n2 = 0;
    const bool ok = EVP_CipherInit_ex(ctx, type, nullptr, c.key.data(), cbc ? iv.data() : nullptr, encrypt) == 1 &&
                    EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 &&
                    EVP_CipherUpdate(ctx, out.data(), &n1, in.data(), static_cast<int>(in.size())) == 1 &&
                    EVP_CipherFinal_ex(ctx, out.data() + n1, &n2) == 1;
    EVP_CIPHER_CTX_free(ctx);
    if (!ok) throw std::runtime_error("OpenSSL cipher failed");
    out.resize(static_cast<size_t>(n1 + n2));
    return out;
}

// CBC over whole blocks; iv becomes the last ciphertext block.
inline Bytes Encrypt(const Cipher& c, Bytes& iv, Bytes data)
{
    data.resize((data.size() + c.Bs() - 1) / c.Bs() * c.Bs(), 0);
    Bytes out = Raw(c, true, true, iv, data);
    iv.assign(out.end() - static_cast<long>(c.Bs()), out.end());
    return out;
}

inline Bytes Decrypt(const Cipher& c, Bytes& iv, const Bytes& data)
{
    Bytes out = Raw(c, false, true, iv, data);
    iv.assign(data.end() - static_cast<long>(c.Bs()), data.end());
    return out;
}

inline Bytes Shift(const Bytes& in, bool aes)
{
    Bytes out(in.size());
    for (size_t i = 0; i < in.size(); ++i)
        out[i] = static_cast<uint8_t>(in[i] << 1 | (i + 1 < in.size() ? in[i + 1] >> 7 : 0));
    if (in[0] & 0x80) out.back() ^= aes ? 0x87 : 0x1B;
    return out;
}

// CMAC chained from iv; iv becomes the full CMAC, the result is its first
// 8 bytes.
inline Bytes Cmac(const Cipher& c, Bytes& iv, Bytes msg)
{
    const size_t bs = c.Bs();
    const Bytes k1 = Shift(Raw(c, true, false, {}, Bytes(bs, 0)), c.aes);
    const Bytes k2 = Shift(k1, c.aes);
    const bool complete = !msg.empty() && msg.size() % bs == 0;
    if (!complete) {
        msg.push_back(0x80);
        msg.resize((msg.size() + bs - 1) / bs * bs, 0);
    }
    for (size_t i = 0; i < bs; ++i) msg[msg.size() - bs + i] ^= (complete ? k1 : k2)[i];
    Encrypt(c, iv, msg);
    return Bytes(iv.begin(), iv.begin() + 8);
}

// CRC32 as DESFire sends it: the complement of the ordinary CRC-32, least
// significant byte first.
inline Bytes Crc(const Bytes& data)
{
    uint32_t crc = 0xFFFFFFFF;
    for (uint8_t b : data) {
        crc ^= b;
        for (int i = 0; i < 8; ++i) crc = crc >> 1 ^ (crc & 1 ? 0xEDB88320u : 0);
    }
    return {static_cast<uint8_t>(crc), static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc >> 16),
            static_cast<uint8_t>(crc >> 24)};
}

inline Bytes Cat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace ref
