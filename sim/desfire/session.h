// The card's side of one DESFire EV1 session: which level is selected,
// which key is authenticated, and the session cipher with its chaining IV.
//
// Secure messaging after AuthenticateISO (0x1A) or AuthenticateAES (0xAA).
// Host and card keep one IV (8 bytes for triple DES, 16 for AES). It is zero
// right after authentication and every CMAC and every CBC operation below,
// on either side, leaves its last cipher block in it. CMAC is SP 800-38B
// with the CBC chain started from the IV; the transmitted MAC is its first
// 8 bytes, but the IV takes the full block. CRC32 is the DESFire CRC
// (reflected 0xEDB88320, start 0xFFFFFFFF, no final complement), sent least
// significant byte first.
//
//  Command class          Card on receipt              Card's answer (success)
//  ---------------------  ---------------------------  ------------------------------------
//  plain (GetVersion,     IV := CMAC(IV, cmd || all    data || MAC, MAC = CMAC(IV, data ||
//   GetFreeMemory,          parameters); the 0xAF        0x00); on multi-frame answers data
//   GetKeySettings,         requests for the rest of     is all frames' data concatenated and
//   GetKeyVersion,          a chained answer are not     the MAC sits at the end of the last
//   GetApplicationIDs,      MACed                        frame only; no data: MAC over 0x00
//   CreateApplication,
//   FormatPICC; data of
//   mode-0 writes, ...)
//  enciphered parameters  no CMAC of the command;      0x00 || MAC, MAC = CMAC(IV, 0x00)
//   (SetConfiguration;      D = CBC-decrypt(IV, bytes    chained from the last ciphertext
//   ChangeKey,              after the plain header),     block of the command
//   ChangeKeySettings,      IV := last ciphertext
//   ChangeFileSettings,     block; D = data || CRC32(
//   mode-3 data)            cmd || header || data) ||
//                           padding (zeros; option 2
//                           of SetConfiguration: 0x80
//                           then zeros)
//  MAC'd data (mode-1      MAC = CMAC(IV, cmd ||        as plain
//   writes, Credit, ...)    header || data) must equal
//                           the 8 bytes after the data
//  enciphered answer      IV := CMAC(IV, cmd || params)  E = CBC-encrypt(IV, payload ||
//   (GetCardUID, mode-3                                  CRC32(payload || 0x00) || zeros),
//   GetValue, ReadData,                                  IV := last ciphertext block; no MAC.
//   ReadRecords)                                         Reads of unstated length (0) pad
//                                                        with 0x80 then zeros instead
//  AuthenticateISO/AES,   none (authentication starts  not MACed
//   SelectApplication      afresh / is dropped)
//  ChangeKey of the       as enciphered parameters     0x00 alone: the session key is
//   authenticated key,     (DeleteApplication: as       gone with the old key or the
//   DeleteApplication of   plain)                       application
//   the selected one
//  any error              -                            status byte only, no MAC;
//                                                      authentication dropped
//
// A command the host sends in several frames counts as one message: command
// byte, header and all data of all frames, without the 0xAF that opens each
// continuation frame. Not authenticated: no CMAC, no cipher, no answer MAC.
//
// Secure messaging after the legacy Authenticate (0x0A), as the original
// DESFire has it: DES or two-key triple DES, and every cipher operation
// starts from a zero IV, so nothing chains from one command to the next.
// Plain commands and their answers carry no MAC at all. The MAC of
// communication mode 1 is the first 4 bytes of the last block of the CBC
// encryption of the data alone (zero padded; no command byte, header or
// status). Enciphered data is data || CRC16 (CRC_A of ISO/IEC 14443-3 over
// the data alone) || zeros. The host deciphers what it sends ("send mode":
// y_i = D(x_i ^ y_i-1)), which the card undoes with x_i = E(y_i) ^ y_i-1;
// what the card sends is ordinary CBC encryption. Enciphered parameters
// (ChangeKey, ChangeKeySettings, ChangeFileSettings, SetConfiguration)
// follow the same rule, their CRC16 too covering only the bytes after the
// plain header.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "sim/desfire/card_crypto.h"

namespace kavex::sim::desfire {

enum class AuthMode : uint8_t { None, Iso, Aes, Legacy };

class Session {
public:
    uint32_t SelectedAid() const { return selectedAid_; }
    void Select(uint32_t aid)
    {
        selectedAid_ = aid;
        ResetAuthentication();
        ++epoch_;
    }

    bool Authenticated() const { return mode_ != AuthMode::None; }
    AuthMode Mode() const { return mode_; }
    // Number of the authenticated key; meaningless when not authenticated.
    uint8_t AuthKeyNo() const { return keyNo_; }
    // True when authenticated with `keyNo` of the selected level `aid`.
    bool AuthenticatedWith(uint32_t aid, uint8_t keyNo) const
    {
        return Authenticated() && selectedAid_ == aid && keyNo_ == keyNo;
    }

    void ResetAuthentication();
    // Moves on whenever a selection is made or an authentication is won or
    // lost: the moments at which the card drops an open transaction.
    uint32_t TransactionEpoch() const { return epoch_; }
    // Back to the card level, nothing authenticated (field reset).
    void Reset() { Select(0); }

    // Takes over the session key that authentication derived; IV zero.
    void Establish(AuthMode mode, uint8_t keyNo, CipherKind kind, const std::vector<uint8_t>& sessionKey);

    // Authenticated with the legacy command 0x0A (the table above).
    bool Legacy() const { return mode_ == AuthMode::Legacy; }
    // Bytes of a MAC on file data and of the CRC inside enciphered data.
    size_t MacLength() const { return Legacy() ? 4 : 8; }
    size_t CrcLength() const { return Legacy() ? 2 : 4; }

    size_t BlockSize() const;
    const std::vector<uint8_t>& SessionKey() const { return sessionKey_; }
    std::vector<uint8_t> Iv() const;

    // Plain command received: advances the IV by its CMAC (legacy: nothing).
    void AbsorbCommand(const uint8_t* cmd, size_t len);
    // Command data with a MAC (communication mode 1): `msg` is the command
    // byte, `headerLen` plain header bytes and the data, `len` bytes in
    // all; the MacLength() bytes at `mac` follow. True when they are the
    // CMAC of `msg` (the IV moves on either way), legacy: the CBC-MAC of
    // the data alone.
    bool VerifyCommandMac(const uint8_t* msg, size_t headerLen, size_t len, const uint8_t* mac);
    // MAC appended to a successful answer (data followed by the status);
    // none in a legacy session.
    std::vector<uint8_t> AnswerMac(const std::vector<uint8_t>& data, uint8_t status);
    // Legacy: the 4-byte MAC of file data (communication mode 1).
    std::vector<uint8_t> LegacyMac(const uint8_t* data, size_t len) const;
    // Deciphers enciphered command data (a whole number of blocks; false
    // otherwise, with the IV untouched).
    bool DecipherCommandData(const uint8_t* in, size_t len, std::vector<uint8_t>& plain);
    // The CRC behind enciphered command parameters, as sent: CRC32 over
    // the plain header (command byte first) and the data, legacy: CRC16
    // over the data alone.
    std::vector<uint8_t> ParameterCrc(const uint8_t* header, size_t headerLen, const uint8_t* data, size_t len) const;
    // payload || CRC32(payload || status) || padding, CBC-encrypted. The
    // padding is zeros; with `marked` it is 0x80 and then zeros (always at
    // least the 0x80), which is how the card answers reads whose length
    // the host did not give, so that the host can find the CRC. Legacy:
    // payload || CRC16(payload) || zeros, whatever `marked` says.
    std::vector<uint8_t> EncipherAnswer(const std::vector<uint8_t>& payload, uint8_t status, bool marked = false);

private:
    uint32_t selectedAid_ = 0;
    AuthMode mode_ = AuthMode::None;
    uint8_t keyNo_ = 0xFF;
    std::vector<uint8_t> sessionKey_;
    std::optional<BlockCipher> cipher_;
    std::optional<Cmac> cmac_;
    uint8_t iv_[16] = {};
    uint32_t epoch_ = 0;
};

} // namespace kavex::sim::desfire
