#include "desfire/crypto/session_cipher.h"

#include <cstring>

#include "desfire/crypto/des.h"
#include "desfire/crypto/aes.h"

namespace kavex::crypto {

namespace {

// The block cipher of one operation: cryptMethod's cipher keyed with one
// key, working in the owner's keySchedule.
class BlockCipher {
public:
    BlockCipher(DF8Crypt& c, const uint8_t* key, bool forDecrypt) : c_(c), aes_(c.cryptMethod == DF8Crypt::kMethodAES)
    {
        if (aes_) {
            Aes(c_).SetKey(key, forDecrypt);
        } else {
            singleDes_ = Des(c_).SetKey3(key);
        }
    }

    size_t BlockSize() const { return aes_ ? 16 : 8; }

    void Encrypt(const uint8_t* in, uint8_t* out) const
    {
        if (aes_) {
            Aes(c_).EncryptBlock(in, out);
        } else if (singleDes_) { // E(K1) D(K1) E(K1) == E(K1)
            Des(c_).EncryptBlock(in, out, 0);
        } else {
            Des(c_).Encrypt3(in, out);
        }
    }

    void Decrypt(const uint8_t* in, uint8_t* out) const
    {
        if (aes_) {
            Aes(c_).DecryptBlock(in, out);
        } else if (singleDes_) {
            Des(c_).DecryptBlock(in, out, 0);
        } else {
            Des(c_).Decrypt3(in, out);
        }
    }

private:
    DF8Crypt& c_;
    bool aes_;
    bool singleDes_ = false;
};

inline void XorBlock(uint8_t* dst, const uint8_t* src, size_t n)
{
    for (size_t i = 0; i < n; ++i) dst[i] ^= src[i];
}

// Left shift by one bit over the block; XOR Rb into the last byte when the
// top bit was set (SP 800-38B subkey generation).
void Dbl(const uint8_t* in, uint8_t* out, size_t bs)
{
    const uint8_t rb = bs == 16 ? 0x87 : 0x1B;
    const bool carry = (in[0] & 0x80) != 0;
    for (size_t i = 0; i < bs; ++i) {
        uint8_t next = (i + 1 < bs) ? in[i + 1] : 0;
        out[i] = static_cast<uint8_t>((in[i] << 1) | (next >> 7));
    }
    if (carry) out[bs - 1] ^= rb;
}

// Copies `n` bytes starting at offset `off` of the concatenation a || b.
void Gather(const uint8_t* a, size_t alen, const uint8_t* b, size_t off, size_t n, uint8_t* dst)
{
    if (off < alen) {
        size_t fromA = alen - off < n ? alen - off : n;
        std::memcpy(dst, a + off, fromA);
        dst += fromA;
        n -= fromA;
        off = alen;
    }
    if (n) std::memcpy(dst, b + (off - alen), n);
}

bool ConstTimeEqual(const uint8_t* a, const uint8_t* b, size_t n)
{
    uint8_t d = 0;
    for (size_t i = 0; i < n; ++i) d |= static_cast<uint8_t>(a[i] ^ b[i]);
    return d == 0;
}

// CMAC over a || b with c.sessionKey and subkeys, chaining from c.iv.
bool Cmac2(DF8Crypt& c, const uint8_t* a, size_t alen, const uint8_t* b, size_t blen, uint8_t* mac, size_t* macLen)
{
    if (!c.HasCipher()) {
        if (mac) std::memcpy(mac, c.iv, DF8Crypt::kMacLength);
        if (macLen) *macLen = DF8Crypt::kMacLength;
        return false;
    }
    BlockCipher cipher(c, c.sessionKey, false);
    const size_t bs = cipher.BlockSize();
    const size_t n = alen + blen;
    const size_t lastStart = n == 0 ? 0 : ((n - 1) / bs) * bs;
    uint8_t blk[16];
    for (size_t off = 0; off < lastStart; off += bs) {
        Gather(a, alen, b, off, bs, blk);
        XorBlock(blk, c.iv, bs);
        cipher.Encrypt(blk, c.iv);
    }
    const size_t rest = n - lastStart; // 1..bs, or 0 for an empty message
    std::memset(blk, 0, sizeof blk);
    Gather(a, alen, b, lastStart, rest, blk);
    if (rest == bs) {
        XorBlock(blk, c.cmacSubkey1, bs);
    } else {
        blk[rest] = 0x80;
        XorBlock(blk, c.cmacSubkey2, bs);
    }
    XorBlock(blk, c.iv, bs);
    cipher.Encrypt(blk, c.iv);
    if (mac) std::memcpy(mac, c.iv, DF8Crypt::kMacLength);
    if (macLen) *macLen = DF8Crypt::kMacLength;
    return true;
}

} // namespace

DF8Crypt::DF8Crypt()
{
    Init(kMethodNone);
}

DF8Crypt::~DF8Crypt()
{
    // Do not leave key material behind (volatile so it is not optimised out).
    volatile uint8_t* p = sessionKey;
    for (size_t i = 0; i < sizeof sessionKey; ++i) p[i] = 0;
    p = keySchedule;
    for (size_t i = 0; i < sizeof keySchedule; ++i) p[i] = 0;
}

void DF8Crypt::Init(uint8_t method)
{
    std::memset(iv, 0, sizeof iv);
    std::memset(sessionKey, 0, sizeof sessionKey);
    std::memset(cmacSubkey1, 0, sizeof cmacSubkey1);
    std::memset(cmacSubkey2, 0, sizeof cmacSubkey2);
    std::memset(keySchedule, 0, sizeof keySchedule);
    cryptMethod = method;
}

void DF8Crypt::ResetIV()
{
    std::memset(iv, 0, sizeof iv);
}

bool DF8Crypt::EncryptCBC(const uint8_t* key, const uint8_t* in, uint8_t* out, size_t len, size_t* outLen)
{
    if (!HasCipher()) return false;
    BlockCipher cipher(*this, key, false);
    const size_t bs = cipher.BlockSize();
    const size_t padded = (len + bs - 1) / bs * bs;
    uint8_t blk[16];
    for (size_t off = 0; off < padded; off += bs) {
        size_t n = len - off < bs ? len - off : bs;
        std::memset(blk, 0, bs);
        std::memcpy(blk, in + off, n);
        XorBlock(blk, iv, bs);
        cipher.Encrypt(blk, iv);
        std::memcpy(out + off, iv, bs);
    }
    if (outLen) *outLen = padded;
    return true;
}

bool DF8Crypt::DecryptCBC(const uint8_t* key, const uint8_t* in, uint8_t* out, size_t len)
{
    if (!HasCipher() || len % BlockSize() != 0) return false;
    BlockCipher cipher(*this, key, true);
    const size_t bs = cipher.BlockSize();
    uint8_t c[16], p[16];
    for (size_t off = 0; off < len; off += bs) {
        std::memcpy(c, in + off, bs);
        cipher.Decrypt(c, p);
        XorBlock(p, iv, bs);
        std::memcpy(out + off, p, bs);
        std::memcpy(iv, c, bs);
    }
    return true;
}

void DF8Crypt::DeriveCmacSubkeys()
{
    if (!HasCipher()) return;
    // L = E(0). The session computes it as EncryptCBC from a zeroed iv; doing it
    // directly gives the same L whatever iv holds, and leaves iv alone.
    BlockCipher cipher(*this, sessionKey, false);
    const size_t bs = cipher.BlockSize();
    uint8_t zero[16] = {0}, l[16];
    cipher.Encrypt(zero, l);
    std::memset(cmacSubkey1, 0, sizeof cmacSubkey1);
    std::memset(cmacSubkey2, 0, sizeof cmacSubkey2);
    Dbl(l, cmacSubkey1, bs);
    Dbl(cmacSubkey1, cmacSubkey2, bs);
}

bool DF8Crypt::CalcCMAC(const uint8_t* data, size_t len, uint8_t* mac, size_t* macLen)
{
    return Cmac2(*this, data, len, nullptr, 0, mac, macLen);
}

bool DF8Crypt::CalcCMACStatusLast(const uint8_t* data, size_t len, uint8_t* mac, size_t* macLen)
{
    if (len == 0) return Cmac2(*this, nullptr, 0, nullptr, 0, mac, macLen);
    return Cmac2(*this, data + 1, len - 1, data, 1, mac, macLen);
}

bool DF8Crypt::VerifyCMAC(const uint8_t* answer, size_t totalLen)
{
    if (totalLen < kMacLength || !HasCipher()) return false;
    uint8_t mac[kMacLength];
    CalcCMACStatusLast(answer, totalLen - kMacLength, mac);
    return ConstTimeEqual(mac, answer + totalLen - kMacLength, kMacLength);
}

bool DF8Crypt::EncryptECB(const uint8_t* key, const uint8_t* in, uint8_t* out, size_t len)
{
    if (!HasCipher() || len % BlockSize() != 0) return false;
    BlockCipher cipher(*this, key, false);
    for (size_t off = 0; off < len; off += cipher.BlockSize()) cipher.Encrypt(in + off, out + off);
    return true;
}

bool DF8Crypt::DecryptECB(const uint8_t* key, const uint8_t* in, uint8_t* out, size_t len)
{
    if (!HasCipher() || len % BlockSize() != 0) return false;
    BlockCipher cipher(*this, key, true);
    for (size_t off = 0; off < len; off += cipher.BlockSize()) cipher.Decrypt(in + off, out + off);
    return true;
}

bool DF8Crypt::DecipherSendMode(const uint8_t* key, const uint8_t* in, uint8_t* out, size_t len)
{
    if (!HasCipher() || len % BlockSize() != 0) return false;
    BlockCipher cipher(*this, key, true);
    const size_t bs = cipher.BlockSize();
    uint8_t x[16];
    for (size_t off = 0; off < len; off += bs) {
        std::memcpy(x, in + off, bs);
        XorBlock(x, iv, bs);
        cipher.Decrypt(x, iv);
        std::memcpy(out + off, iv, bs);
    }
    return true;
}

bool DF8Crypt::UndoSendMode(const uint8_t* key, const uint8_t* in, uint8_t* out, size_t len)
{
    if (!HasCipher() || len % BlockSize() != 0) return false;
    BlockCipher cipher(*this, key, false);
    const size_t bs = cipher.BlockSize();
    uint8_t y[16], x[16];
    for (size_t off = 0; off < len; off += bs) {
        std::memcpy(y, in + off, bs);
        cipher.Encrypt(y, x);
        XorBlock(x, iv, bs);
        std::memcpy(out + off, x, bs);
        std::memcpy(iv, y, bs);
    }
    return true;
}

namespace {
void OneBlock(uint8_t method, bool encrypt, const uint8_t* key, const uint8_t* in, uint8_t* out)
{
    DF8Crypt c;
    c.Init(method);
    if (encrypt) {
        c.EncryptECB(key, in, out, c.BlockSize());
    } else {
        c.DecryptECB(key, in, out, c.BlockSize());
    }
}
} // namespace

void TdesEncryptBlock(const uint8_t key[16], const uint8_t in[8], uint8_t out[8])
{
    OneBlock(DF8Crypt::kMethod3DES, true, key, in, out);
}
void TdesDecryptBlock(const uint8_t key[16], const uint8_t in[8], uint8_t out[8])
{
    OneBlock(DF8Crypt::kMethod3DES, false, key, in, out);
}
void AesEncryptBlock(const uint8_t key[16], const uint8_t in[16], uint8_t out[16])
{
    OneBlock(DF8Crypt::kMethodAES, true, key, in, out);
}
void AesDecryptBlock(const uint8_t key[16], const uint8_t in[16], uint8_t out[16])
{
    OneBlock(DF8Crypt::kMethodAES, false, key, in, out);
}

} // namespace kavex::crypto
