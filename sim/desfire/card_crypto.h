// Block cipher, CBC and CMAC as the card computes them. The host library's
// DF8Crypt only knows two-key triple DES and AES; the card must also serve
// three-key triple DES application keys, so it drives the `Des` and
// `Aes` block cores directly and keeps its chaining value itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "desfire/crypto/session_cipher.h"

namespace kavex::sim::desfire {

enum class CipherKind : uint8_t {
    Tdes2K, // K1 || K2 (16 bytes); K1 == K2 is single DES
    Tdes3K, // K1 || K2 || K3 (24 bytes)
    Aes128, // 16 bytes
};

size_t KeyLength(CipherKind kind);
size_t BlockLength(CipherKind kind);
// Length of n bytes padded to whole cipher blocks of bs bytes.
inline size_t RoundUpToBlock(size_t n, size_t bs)
{
    return (n + bs - 1) / bs * bs;
}

// One key, expanded once. Copyable; every operation works on one block.
class BlockCipher {
public:
    BlockCipher(CipherKind kind, const uint8_t* key);

    CipherKind Kind() const { return kind_; }
    size_t BlockSize() const { return BlockLength(kind_); }
    void EncryptBlock(const uint8_t* in, uint8_t* out) const;
    void DecryptBlock(const uint8_t* in, uint8_t* out) const;

private:
    CipherKind kind_;
    // Only its key schedule area is used; the cores expect a DF8Crypt owner.
    mutable kavex::crypto::DF8Crypt schedule_;
};

// CBC over whole blocks (len a multiple of the block size), chaining from
// `iv` and leaving the last ciphertext block in it. in == out allowed.
void CbcEncrypt(const BlockCipher& cipher, uint8_t* iv, const uint8_t* in, uint8_t* out, size_t len);
void CbcDecrypt(const BlockCipher& cipher, uint8_t* iv, const uint8_t* in, uint8_t* out, size_t len);
// Undoes the legacy "send mode" of a host that deciphers what it sends
// (y_i = D(x_i ^ y_i-1)): x_i = E(y_i) ^ y_i-1, with y_0 = `iv`, which ends
// as the last block received. in == out allowed.
void UndoSendMode(const BlockCipher& cipher, uint8_t* iv, const uint8_t* in, uint8_t* out, size_t len);

// CMAC (SP 800-38B) whose CBC chain starts from `iv` instead of zero; `iv`
// ends as the full last block, which is what keeps card and host in step.
class Cmac {
public:
    explicit Cmac(const BlockCipher& cipher);
    // Returns the first 8 bytes of the CMAC (the DESFire MAC).
    std::vector<uint8_t> Compute(uint8_t* iv, const uint8_t* data, size_t len) const;

private:
    BlockCipher cipher_;
    uint8_t k1_[16] = {};
    uint8_t k2_[16] = {};
};

} // namespace kavex::sim::desfire
