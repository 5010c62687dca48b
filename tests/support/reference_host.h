// The host's half of DESFire EV1 secure messaging on the OpenSSL
// reference, so that a card is checked against an implementation that
// shares no code with it.
#pragma once

#include <cstdint>

#include "tests/support/openssl_reference.h"

namespace kavex::sim {
class Card;
}

namespace kavex::test::reference {

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

} // namespace kavex::test::reference
