// The outside reference for our DESFire cryptography: every block cipher
// comes from OpenSSL, so a test compares our code against an
// implementation that shares nothing with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kavex::test::reference {

using Bytes = std::vector<uint8_t>;

// Single DES (8-byte key), two-key and three-key triple DES, AES-128.
enum class Algo { Des, Tdes, Tdes3K, Aes };

size_t BlockSize(Algo algo);
// Single DES sits in OpenSSL's legacy provider, which a system may lack.
bool SingleDesAvailable();

// ECB and CBC over whole blocks, no padding. CBC updates iv to the last
// ciphertext block (left alone for empty data).
Bytes EcbEncrypt(Algo algo, const Bytes& key, const Bytes& data);
Bytes EcbDecrypt(Algo algo, const Bytes& key, const Bytes& data);
Bytes CbcEncrypt(Algo algo, const Bytes& key, Bytes& iv, const Bytes& data);
Bytes CbcDecrypt(Algo algo, const Bytes& key, Bytes& iv, const Bytes& data);
// CMAC chained from iv, as DESFire EV1 runs it: iv becomes the full CMAC,
// the result is its first 8 bytes.
Bytes ChainedCmac(Algo algo, const Bytes& key, Bytes& iv, const Bytes& data);
// Standard CMAC (zero IV), straight from OpenSSL's own CMAC.
Bytes OpensslCmac(Algo algo, const Bytes& key, const Bytes& data);

// CRC32 as DESFire computes it: the ordinary CRC-32 without its final
// complement.
uint32_t Crc32(const Bytes& data);
Bytes Le32(uint32_t v);
Bytes Cat(Bytes a, const Bytes& b);
Bytes RotateLeft(const Bytes& v);

// A session cipher: AES-128 or two-key triple DES (a DES key is its
// 8 bytes twice).
struct Cipher {
    bool aes;
    Bytes key; // 16 bytes
    Algo Kind() const { return aes ? Algo::Aes : Algo::Tdes; }
    size_t Bs() const { return BlockSize(Kind()); }
};

// CBC, zero-padded to whole blocks; iv becomes the last ciphertext block.
Bytes Encrypt(const Cipher& c, Bytes& iv, Bytes data);
Bytes Decrypt(const Cipher& c, Bytes& iv, const Bytes& data);
Bytes Cmac(const Cipher& c, Bytes& iv, const Bytes& msg);
// CRC32 as DESFire sends it, least significant byte first.
Bytes Crc(const Bytes& data);

} // namespace kavex::test::reference
