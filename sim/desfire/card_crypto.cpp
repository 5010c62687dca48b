#include "sim/desfire/card_crypto.h"

#include <cstring>

#include "desfire/crypto/des.h"
#include "desfire/crypto/aes.h"

namespace kavex::sim::desfire {

size_t KeyLength(CipherKind kind)
{
    return kind == CipherKind::Tdes3K ? 24 : 16;
}

size_t BlockLength(CipherKind kind)
{
    return kind == CipherKind::Aes128 ? 16 : 8;
}

BlockCipher::BlockCipher(CipherKind kind, const uint8_t* key) : kind_(kind)
{
    switch (kind_) {
    case CipherKind::Tdes2K: {
        kavex::crypto::Des core(schedule_);
        core.SetKey(key, 0);
        core.SetKey(key + 8, 1);
        core.SetKey(key, 2);
        break;
    }
    case CipherKind::Tdes3K: {
        kavex::crypto::Des core(schedule_);
        core.SetKey(key, 0);
        core.SetKey(key + 8, 1);
        core.SetKey(key + 16, 2);
        break;
    }
    case CipherKind::Aes128: kavex::crypto::Aes(schedule_).SetKey(key, true); break;
    }
}

void BlockCipher::EncryptBlock(const uint8_t* in, uint8_t* out) const
{
    if (kind_ == CipherKind::Aes128) {
        kavex::crypto::Aes(schedule_).EncryptBlock(in, out);
        return;
    }
    kavex::crypto::Des core(schedule_);
    uint8_t t[8];
    core.EncryptBlock(in, t, 0);
    core.DecryptBlock(t, t, 1);
    core.EncryptBlock(t, out, 2);
}

void BlockCipher::DecryptBlock(const uint8_t* in, uint8_t* out) const
{
    if (kind_ == CipherKind::Aes128) {
        kavex::crypto::Aes(schedule_).DecryptBlock(in, out);
        return;
    }
    kavex::crypto::Des core(schedule_);
    uint8_t t[8];
    core.DecryptBlock(in, t, 2);
    core.EncryptBlock(t, t, 1);
    core.DecryptBlock(t, out, 0);
}

void CbcEncrypt(const BlockCipher& cipher, uint8_t* iv, const uint8_t* in, uint8_t* out, size_t len)
{
    const size_t bs = cipher.BlockSize();
    uint8_t block[16];
    for (size_t off = 0; off + bs <= len; off += bs) {
        for (size_t i = 0; i < bs; ++i) block[i] = in[off + i] ^ iv[i];
        cipher.EncryptBlock(block, out + off);
        std::memcpy(iv, out + off, bs);
    }
}

void CbcDecrypt(const BlockCipher& cipher, uint8_t* iv, const uint8_t* in, uint8_t* out, size_t len)
{
    const size_t bs = cipher.BlockSize();
    uint8_t ct[16];
    uint8_t pt[16];
    for (size_t off = 0; off + bs <= len; off += bs) {
        std::memcpy(ct, in + off, bs); // in and out may coincide
        cipher.DecryptBlock(ct, pt);
        for (size_t i = 0; i < bs; ++i) out[off + i] = pt[i] ^ iv[i];
        std::memcpy(iv, ct, bs);
    }
}

void UndoSendMode(const BlockCipher& cipher, uint8_t* iv, const uint8_t* in, uint8_t* out, size_t len)
{
    const size_t bs = cipher.BlockSize();
    uint8_t received[16];
    uint8_t block[16];
    for (size_t off = 0; off + bs <= len; off += bs) {
        std::memcpy(received, in + off, bs); // in and out may coincide
        cipher.EncryptBlock(received, block);
        for (size_t i = 0; i < bs; ++i) out[off + i] = block[i] ^ iv[i];
        std::memcpy(iv, received, bs);
    }
}

namespace {

void ShiftLeftOne(const uint8_t* in, uint8_t* out, size_t bs)
{
    const uint8_t rb = bs == 16 ? 0x87 : 0x1B;
    const bool carry = (in[0] & 0x80) != 0;
    for (size_t i = 0; i < bs; ++i) {
        out[i] = static_cast<uint8_t>(in[i] << 1);
        if (i + 1 < bs && (in[i + 1] & 0x80)) out[i] |= 1;
    }
    if (carry) out[bs - 1] ^= rb;
}

} // namespace

Cmac::Cmac(const BlockCipher& cipher) : cipher_(cipher)
{
    const size_t bs = cipher_.BlockSize();
    uint8_t zero[16] = {};
    uint8_t l[16];
    cipher_.EncryptBlock(zero, l);
    ShiftLeftOne(l, k1_, bs);
    ShiftLeftOne(k1_, k2_, bs);
}

std::vector<uint8_t> Cmac::Compute(uint8_t* iv, const uint8_t* data, size_t len) const
{
    const size_t bs = cipher_.BlockSize();
    const bool complete = len > 0 && len % bs == 0;
    const size_t padded = complete ? len : (len / bs + 1) * bs;
    std::vector<uint8_t> buf(padded, 0);
    if (len) std::memcpy(buf.data(), data, len);
    if (!complete) buf[len] = 0x80;
    const uint8_t* subkey = complete ? k1_ : k2_;
    for (size_t i = 0; i < bs; ++i) buf[padded - bs + i] ^= subkey[i];
    CbcEncrypt(cipher_, iv, buf.data(), buf.data(), padded);
    return std::vector<uint8_t>(iv, iv + 8);
}

} // namespace kavex::sim::desfire
