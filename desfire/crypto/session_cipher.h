// DESFire EV1 cryptographic state and primitives.
//
// DF8Crypt holds everything stateful of one DESFire session's cryptography:
// the chaining IV, the method, the session key, the CMAC subkeys and the work
// area of the block cipher. The block cipher cores are `Des` (des.h) and
// `Aes` (aes.h); they are created on the stack for one operation and
// work on the keySchedule area of the DF8Crypt they are bound to.
//
// Standards: DES per FIPS 46-3, two-key triple DES (EDE, K1||K2||K1) per
// SP 800-67, AES-128 per FIPS 197, CBC per SP 800-38A, CMAC per SP 800-38B.
// Own implementation, no crypto library.
//
// Not thread-safe: one DF8Crypt is used by one command at a time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "desfire/crypto/crc32.h"

namespace kavex::crypto {

class DF8Crypt {
public:
    // Values of cryptMethod.
    static constexpr uint8_t kMethodNone = 0xFF; // not authenticated
    static constexpr uint8_t kMethod3DES = 0x01; // two-key triple DES, 8-byte blocks
    static constexpr uint8_t kMethodAES = 0x80;  // AES-128, 16-byte blocks

    static constexpr size_t kMacLength = 8;  // DESFire EV1 MACs are 8 bytes
    static constexpr size_t kKeyLength = 16; // 3DES K1||K2 or AES-128 key
    static constexpr size_t kMaxBlockSize = 16;

    // ---- Fields, in their documented order. Public on purpose: the session
    // and authentication code write sessionKey and iv directly. ----

    // Chaining value; only the first 8 bytes are used for 3DES. Carries over
    // from one operation to the next.
    uint8_t iv[16];
    // kMethodNone, kMethod3DES or kMethodAES.
    uint8_t cryptMethod;
    // Session key (16 bytes used; the rest stays zero).
    uint8_t sessionKey[24];
    // CMAC subkeys K1 and K2 (first 8 bytes used for 3DES).
    uint8_t cmacSubkey1[16];
    uint8_t cmacSubkey2[16];
    // Block cipher work area (DES subkeys of up to 3 keys, or AES encryption
    // and decryption round keys). Transient; meaningless between operations.
    alignas(8) uint8_t keySchedule[384];

    DF8Crypt(); // Init(kMethodNone)
    virtual ~DF8Crypt();
    DF8Crypt(const DF8Crypt&) = default;
    DF8Crypt& operator=(const DF8Crypt&) = default;

    // Zeroes iv, sessionKey, both subkeys and keySchedule; sets cryptMethod.
    void Init(uint8_t method);
    // Zeroes iv.
    void ResetIV();
    // 16 for AES, 8 otherwise.
    size_t BlockSize() const { return cryptMethod == kMethodAES ? 16 : 8; }
    // True when cryptMethod is 3DES or AES.
    bool HasCipher() const { return cryptMethod == kMethod3DES || cryptMethod == kMethodAES; }

    // CBC-encrypts `len` bytes with the 16-byte `key` (zero padding up to a
    // multiple of BlockSize()), chaining from iv; iv ends as the last
    // ciphertext block. `out` must have room for the padded length, which is
    // written to *outLen when given. `in` and `out` may be the same buffer
    // (then the buffer must have room for the padded length too).
    // Returns false and does nothing (not even *outLen) when the method is none.
    bool EncryptCBC(const uint8_t* key, const uint8_t* in, uint8_t* out, size_t len, size_t* outLen = nullptr);

    // CBC-decrypts `len` bytes, chaining from iv; iv ends as the last
    // ciphertext block of the input. Returns false and does nothing (output
    // and iv untouched) when len is not a multiple of BlockSize() or the
    // method is none. In-place allowed.
    bool DecryptCBC(const uint8_t* key, const uint8_t* in, uint8_t* out, size_t len);

    // Computes cmacSubkey1/2 from sessionKey (SP 800-38B). iv is saved and
    // restored. Does nothing when the method is none.
    void DeriveCmacSubkeys();

    // CMAC over data[0..len) with sessionKey, chaining from the current iv
    // (standard CMAC when iv is zero). iv := the full CMAC (last cipher
    // block); *mac := first 8 bytes of it; *macLen := 8. len 0 is treated as
    // in SP 800-38B (one padded block, K2).
    // With method none nothing is computed, iv is unchanged, *mac receives the
    // first 8 bytes of iv, and the result is false. Otherwise true.
    bool CalcCMAC(const uint8_t* data, size_t len, uint8_t* mac = nullptr, size_t* macLen = nullptr);

    // As CalcCMAC, over data[1..len) followed by data[0] (card answers: status
    // byte first on the wire, last in the MAC input). len 0 = empty message.
    bool CalcCMACStatusLast(const uint8_t* data, size_t len, uint8_t* mac = nullptr, size_t* macLen = nullptr);

    // answer = status, data..., MAC(8). True when the last 8 bytes equal the
    // first 8 bytes of CalcCMACStatusLast over answer[0..totalLen-8).
    // False when totalLen < 8 (iv untouched), when the method is none, or
    // when the MACs differ (iv advanced all the same).
    bool VerifyCMAC(const uint8_t* answer, size_t totalLen);

    // ---- Extras for authentication and the simulated card ----

    // Plain ECB with the given 16-byte key and cryptMethod's cipher; len must
    // be a multiple of BlockSize(). iv is neither used nor changed. Returns
    // false and does nothing for method none or a bad length. In-place allowed.
    bool EncryptECB(const uint8_t* key, const uint8_t* in, uint8_t* out, size_t len);
    bool DecryptECB(const uint8_t* key, const uint8_t* in, uint8_t* out, size_t len);

    // Legacy DESFire native "send mode" (as used by the D40 authenticate 0x0A,
    // NOT by AuthenticateISO 0x1A, which uses EncryptCBC/DecryptCBC): the
    // host deciphers what it sends. For each block: y = D(x XOR iv); iv = y.
    // len must be a multiple of BlockSize(); same return rules as DecryptCBC.
    bool DecipherSendMode(const uint8_t* key, const uint8_t* in, uint8_t* out, size_t len);
    // Inverse of DecipherSendMode, as the card computes it with encipherment
    // only: for each block: x = E(y) XOR iv; iv = y.
    bool UndoSendMode(const uint8_t* key, const uint8_t* in, uint8_t* out, size_t len);
};

// ---- Session-independent single-block ECB helpers (no IV) ----
// key: 16 bytes. Triple DES: K1||K2, EDE; K1 == K2 gives single DES.
void TdesEncryptBlock(const uint8_t key[16], const uint8_t in[8], uint8_t out[8]);
void TdesDecryptBlock(const uint8_t key[16], const uint8_t in[8], uint8_t out[8]);
void AesEncryptBlock(const uint8_t key[16], const uint8_t in[16], uint8_t out[16]);
void AesDecryptBlock(const uint8_t key[16], const uint8_t in[16], uint8_t out[16]);

} // namespace kavex::crypto
