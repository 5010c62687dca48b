// The host's half of DESFire EV1 secure messaging, computed with OpenSSL so
// that the card is checked against an implementation that shares no code
// with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kavex::sim {
class Card;
}

namespace reference {

using Bytes = std::vector<uint8_t>;

enum class Algo { Tdes, Tdes3K, Aes };

size_t BlockSize(Algo algo);

Bytes EcbEncrypt(Algo algo, const Bytes& key, const Bytes& block);
Bytes EcbDecrypt(Algo algo, const Bytes& key, const Bytes& block);
// CBC over whole blocks; iv is updated to the last ciphertext block.
Bytes CbcEncrypt(Algo algo, const Bytes& key, Bytes& iv, const Bytes& data);
Bytes CbcDecrypt(Algo algo, const Bytes& key, Bytes& iv, const Bytes& data);
// CMAC chained from iv; iv becomes the full CMAC, the result is its first 8 bytes.
Bytes ChainedCmac(Algo algo, const Bytes& key, Bytes& iv, const Bytes& data);
// Standard CMAC (zero IV) straight from OpenSSL's CMAC implementation.
Bytes OpensslCmac(Algo algo, const Bytes& key, const Bytes& data);

uint32_t Crc32(const Bytes& data);
Bytes Le32(uint32_t v);
Bytes Cat(Bytes a, const Bytes& b);
Bytes RotateLeft(const Bytes& v);

struct HostSession {
    Algo algo = Algo::Tdes;
    Bytes sessionKey;
    Bytes iv;

    size_t Bs() const { return BlockSize(algo); }
    // A plain command as it goes out: only the IV moves.
    void Command(const Bytes& cmd);
    // answer = status, data, 8-byte MAC over data || status.
    bool AnswerMacOk(const Bytes& answer);
    // header (command byte first) || E(data || CRC32(header || data) || padding).
    Bytes Enciphered(const Bytes& header, const Bytes& data, bool isoPadding = false);
    Bytes Decipher(const Bytes& ct);
};

struct AuthResult {
    uint8_t status = 0xFF; // status of the last answer
    bool cardProvedKey = false;
    Bytes rndB;
    HostSession session;
};

// Full three-pass authentication (0x1A or 0xAA) with the given long-term key
// and RndA.
AuthResult Authenticate(kavex::sim::Card& card, uint8_t cmd, uint8_t keyNo, Algo algo, const Bytes& key,
                        const Bytes& rndA);

} // namespace reference
