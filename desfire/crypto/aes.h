// AES-128 (FIPS 197) block core, bound to a DF8Crypt whose keySchedule holds
// the round keys: bytes 0..175 the 44 encryption round-key words, bytes
// 176..351 the decryption round keys (equivalent inverse cipher) when
// expanded for decryption.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kavex::crypto {

class DF8Crypt;

class Aes {
public:
    static constexpr size_t kBlockSize = 16;

    explicit Aes(DF8Crypt& owner);

    // Expands the 16-byte key; with forDecrypt also the decryption round keys.
    void SetKey(const uint8_t* key16, bool forDecrypt = true);
    // One block. in == out allowed.
    void EncryptBlock(const uint8_t* in, uint8_t* out) const;
    void DecryptBlock(const uint8_t* in, uint8_t* out) const; // needs forDecrypt

    // CBC over nblocks 16-byte blocks, chaining through the owner's iv (which
    // ends as the last ciphertext block). In-place allowed.
    void EncryptCBC(const uint8_t* in, uint8_t* out, size_t nblocks);
    void DecryptCBC(const uint8_t* in, uint8_t* out, size_t nblocks);

private:
    DF8Crypt& owner_;
};

} // namespace kavex::crypto
