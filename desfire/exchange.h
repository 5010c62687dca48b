// The port-level half of the DESFire engine: the exchange through the
// reader, the status codes, and the common shape of a DESFire command
// (protect, exchange, check the card's status, check the answer MAC).
// Every SDK function of the command families is built from these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "desfire/session.h"
// WithPort, the shape of every SDK function of the engine.
#include "sdk/core/api_guard.h"
#include "sdk/support/status_codes.h"

namespace kavex::desfire {

// DESFire status bytes.
constexpr uint8_t kCardOk = 0x00;
constexpr uint8_t kCardAdditionalFrame = 0xAF;
constexpr uint8_t kCardAuthenticationError = 0xAE;
// Success without a change (a commit with nothing to commit).
constexpr uint8_t kCardNoChanges = 0x0C;

// Reader commands of the exchange.
constexpr uint8_t kReaderDesfireExchange = 0x45;
constexpr uint8_t kReaderContinue = 0x46;

// Longest native frame the host sends.
constexpr size_t kMaxFrame = 60;

CDatenFuerDesfireInPort& Session(CKavex_Port& port);
// The host gives up the authentication after a lost, broken or short
// answer. The card may still hold it, so the card is made to end it too
// before the next command goes out (EndCardAuthentication). Where the card
// has ended it itself (an error status, a new selection) the session's own
// ResetAuthentication is enough.
void ResetAuthentication(CKavex_Port& port);
void ResetSession(CKavex_Port& port);
bool IsAuthenticated(CKavex_Port& port);
uint32_t GetSelectedAid(CKavex_Port& port);

// Port status := 0x10000 + the card's status byte.
void SetCardStatus(CKavex_Port& port, uint8_t cardStatus);

// Wraps one native frame in reader command 0x45 and collects the card's
// answer (status byte first), fetching further reader pieces with 0x46.
// Returns the answer length, or -1 with the cause in the port status (5 when
// the answer is longer than limit). A card that may still hold a given-up
// authentication is made to end it first.
int DesfireExchange(CKavex_Port& port, const uint8_t* cmd, size_t len, std::vector<uint8_t>& answer, size_t limit);

// Common failure handling after an exchange: an answer that is empty,
// shorter than minLen, or whose status is neither 0x00 nor (with
// allowMore) 0xAF drops the authentication, on the card too, and leaves the
// card's status (9 for an empty answer). Returns true when the answer may
// be used.
bool AcceptAnswer(CKavex_Port& port, const std::vector<uint8_t>& answer, size_t minLen, bool allowMore = false);

// Whether the card still holds its authentication after answering this
// status: every error ends it on the card.
bool CardKeepsAuthentication(uint8_t cardStatus);

// Ends an authentication that the card may hold while the host has given it
// up, by selecting the selected level again; any answer of the card, error
// or not, means it has ended. DesfireExchange runs it before the next frame
// goes out. false with the cause in the port status when the card gave no
// answer; then it is tried again before the next command.
bool EndCardAuthentication(CKavex_Port& port);

// An answer that failed its MAC or CRC check: neither its data nor the IV
// can be trusted. Host and card end the authentication at once, and the port
// is left with status (0x10024 or 0x10025).
void FailIntegrity(CKavex_Port& port, int status);

// The answer MAC check; a mismatch is an integrity failure with 0x10024.
bool CheckAnswerMac(CKavex_Port& port, const std::vector<uint8_t>& answer);

// After CheckAnswerMac: the answer carries at least dataLen bytes between
// its status byte and its MAC. A MAC can be right for an answer that is too
// short all the same, and then the MAC bytes must not be taken for data; it
// fails like any short answer (ResetAuthentication, 0x10000 + status).
bool AnswerHasData(CKavex_Port& port, const std::vector<uint8_t>& answer, size_t dataLen);

// The whole common pattern for a command whose frame is final as given:
// optionally MacCommand over it, exchange, AcceptAnswer(minLen, status
// 0x00) and CheckAnswerMac. Returns the answer length or -1.
int RunCommand(CKavex_Port& port, const std::vector<uint8_t>& frame, std::vector<uint8_t>& answer, size_t limit,
               size_t minLen = 1, bool macCommand = true);

// Largest value of the 3-byte sizes, offsets and counts on the wire.
constexpr uint32_t kMaxLe24 = 0xFFFFFF;

// Little-endian 3-byte (AIDs, sizes, offsets, counts) and 4-byte (values,
// limits) fields.
inline void AppendLe24(std::vector<uint8_t>& frame, uint32_t v)
{
    frame.push_back(static_cast<uint8_t>(v));
    frame.push_back(static_cast<uint8_t>(v >> 8));
    frame.push_back(static_cast<uint8_t>(v >> 16));
}

inline void AppendLe32(std::vector<uint8_t>& frame, uint32_t v)
{
    AppendLe24(frame, v);
    frame.push_back(static_cast<uint8_t>(v >> 24));
}

inline void AppendAid(std::vector<uint8_t>& frame, uint32_t aid)
{
    AppendLe24(frame, aid);
}

// Copies as much of src as fits into out[0..size) (nothing for a null
// buffer or a size below 1) and returns the number of bytes copied.
int CopyCut(const uint8_t* src, size_t len, uint8_t* out, int size);

} // namespace kavex::desfire
