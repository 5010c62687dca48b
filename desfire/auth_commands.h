// Mutual authentication with a card or application key.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kavex {
class CKavex_Port;
}

namespace kavex::desfire {

// Fills out with bytes from the operating system's cryptographic random
// source. A challenge that could be predicted or repeated would let a
// recorded exchange be replayed. False when no such source can be read.
bool RandomChallenge(uint8_t* out, size_t len);

// AuthenticateISO (aes false, 16-byte two-key triple DES key; a DES key is
// its 8 bytes twice) or AuthenticateAES. A null key is the all-zero key.
// Returns 0, or -1 with the cause in the port status; afterwards the
// session is authenticated only on success.
int Authenticate(CKavex_Port& port, bool aes, uint8_t keyNo, const uint8_t* key, int keyLen);

} // namespace kavex::desfire
