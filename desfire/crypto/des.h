// DES (FIPS 46-3) and two-key triple DES (SP 800-67, keying option 2, EDE)
// block core, bound to a DF8Crypt whose keySchedule holds the expanded
// subkeys. keySchedule has three slots of 128 bytes (one per DES key); a
// slot's schedule serves both encryption and decryption (the direction is
// chosen per block). Parity bits (low bit of each key byte) are ignored.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kavex::crypto {

class DF8Crypt;

class Des {
public:
    static constexpr size_t kBlockSize = 8;
    static constexpr int kSlots = 3;

    explicit Des(DF8Crypt& owner);

    // Expands the 8-byte DES key into schedule slot 0..2.
    void SetKey(const uint8_t* key8, int slot = 0);
    // Single DES with the schedule in `slot`. in == out allowed.
    void EncryptBlock(const uint8_t* in, uint8_t* out, int slot = 0) const;
    void DecryptBlock(const uint8_t* in, uint8_t* out, int slot = 0) const;

    // Two-key triple DES: K1 = key16[0..8) into slot 0, K2 = key16[8..16)
    // into slot 1. Returns true when K1 == K2 (parity ignored), i.e. the
    // cipher is single DES with K1.
    bool SetKey3(const uint8_t* key16);
    // E(K1), D(K2), E(K1) / D(K1), E(K2), D(K1). in == out allowed.
    void Encrypt3(const uint8_t* in, uint8_t* out) const;
    void Decrypt3(const uint8_t* in, uint8_t* out) const;

private:
    uint8_t* ks_;
};

} // namespace kavex::crypto
