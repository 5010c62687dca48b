// What the host knows about the DESFire session on one reader port, and the
// secure messaging that keeps host and card in step.
//
// DESFire EV1 runs one IV through the whole session after AuthenticateISO or
// AuthenticateAES: every CMAC, encipherment and decipherment on either side
// advances it. The host only stays in step if it performs exactly the
// operations the card performs, in the same order; the methods below are
// those operations, and the command code calls them in wire order.
//
// Nothing here talks to the reader or touches a port status: the callers in
// exchange.h turn the results into status codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "desfire/crypto/session_cipher.h"
#include "sdk/core/port_session.h"

namespace kavex::desfire {

// The engine's cipher is the one of its own crypto library.
using crypto::DF8Crypt;

class CDatenFuerDesfireInPort final : public PortSession {
public:
    // authState values.
    static constexpr uint8_t kNotAuthenticated = 0;
    static constexpr uint8_t kAuthenticatedISO = 2;
    static constexpr uint8_t kAuthenticatedAES = 3;
    static constexpr uint8_t kNoKey = 0xFF;

    // Communication modes of file data.
    static constexpr int kCommPlain = 0;
    static constexpr int kCommMac = 1;
    static constexpr int kCommEnciphered = 3;

    // Application of the last successful SelectApplication; 0 is the card
    // level.
    uint32_t selectedAid = 0;
    // Only this decides whether the session counts as authenticated: a failed
    // authentication may leave crypt's method set.
    uint8_t authState = kNotAuthenticated;
    uint8_t authKeyNo = kNoKey;
    DF8Crypt crypt;
    // The host has given up an authentication that the card may still hold
    // (a lost, broken or unverifiable answer). Until the card has ended it
    // too, its protected answers would pass for plain data.
    bool cardMayBeAuthenticated = false;

    CDatenFuerDesfireInPort() = default;
    ~CDatenFuerDesfireInPort() override;
    CDatenFuerDesfireInPort(const CDatenFuerDesfireInPort&) = delete;
    CDatenFuerDesfireInPort& operator=(const CDatenFuerDesfireInPort&) = delete;

    // Forgets the authentication and wipes the key material; the selected
    // application stays, as it does on the card after an error.
    void ResetAuthentication();
    // Back to the card level, not authenticated: a card activated anew.
    void ResetSession();
    // The port calls this when the card is activated anew.
    void Reset() override { ResetSession(); }
    void OnCallAborted() override { ResetAuthentication(); }

    bool IsAuthenticated() const { return authState != kNotAuthenticated; }
    // Length of the CMAC that ends a successful answer in this session.
    size_t AnswerMacLength() const { return IsAuthenticated() ? DF8Crypt::kMacLength : 0; }
    // Cipher block size of the session (8 for triple DES, 16 for AES).
    size_t BlockSize() const { return crypt.BlockSize(); }

    // CMAC over a command as it goes on the wire. The card computes the same
    // on receipt, so this must run even when the MAC itself is not sent: it
    // is what advances the IV. Does nothing while not authenticated.
    void MacCommand(const uint8_t* cmd, size_t len, uint8_t* mac = nullptr);
    // Communication mode 1: MacCommand over the whole frame and append the
    // MAC. Not authenticated: the frame goes out plain.
    void AppendCommandMac(std::vector<uint8_t>& frame);

    // Checks the CMAC at the end of a successful answer (status byte first).
    // An answer of the status byte alone carries no MAC. On a mismatch the
    // IV can no longer be trusted, so the authentication is reset (the
    // selected application is still the card's).
    bool CheckAnswerMac(const uint8_t* answer, size_t len);

    // Enciphers buf[0..len) in place with the session key; buf must have room
    // for the length padded with zeros to the block size. Returns the padded
    // length (len unchanged while not authenticated).
    size_t EncipherData(uint8_t* buf, size_t len);
    // Communication mode 3 and the commands DESFire always enciphers: CRC32
    // over the whole frame (command byte, plain header, data), then
    // everything from plainLen on is padded and enciphered.
    void AppendCrcAndEncipher(std::vector<uint8_t>& frame, size_t plainLen);

    // Deciphers in place; len must be a multiple of the block size, else
    // nothing happens and the CRC check that follows fails.
    void DecipherData(uint8_t* buf, size_t len);
    // Checks the CRC32 that follows a deciphered payload of payloadLen bytes
    // in plain[]: CRC32 over the payload followed by the status byte 0x00.
    static bool CheckPayloadCrc(const uint8_t* plain, size_t plainLen, size_t payloadLen);

    // Payload length of an answer (status byte removed, deciphered in mode 3)
    // of unknown payload length in the given communication mode. Negative
    // when a mode-3 padding marker sits too early to leave room for the CRC:
    // such an answer is damaged, not empty.
    long PlainDataLength(const uint8_t* data, size_t len, int commMode) const;
};

} // namespace kavex::desfire
