// Moving file data: protecting a command by the file's communication mode,
// splitting it into DESFire frames, collecting a chained answer and opening
// it again. Data, value and record commands are all built from these, so
// the rules for MAC, CRC, padding and frame sizes live in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "desfire/session.h"
#include "desfire/exchange.h"

namespace kavex {
class CKavex_Port;
}

namespace kavex::desfire {

// Bytes of protected data in every continuation frame (behind 0xAF); the
// first frame fills up to the same 60 bytes behind its header (52 bytes
// behind the 8-byte header of a bulk command).
constexpr size_t kNextFrameData = kMaxFrame - 1;
// Plain data bytes of one ReadData or WriteData command. Keeps the host's
// work buffers at one command's worth whatever the caller transfers.
constexpr size_t kMaxCommandData = 7600;
// Answer limit of every exchange of a chained transfer.
constexpr size_t kTransferAnswerLimit = 100;

// The communication mode the card applies for a settings byte: the two low
// bits, and 0x02 counts as plain as it does on the card.
int CommMode(unsigned mode);

// Mode 3 cannot be produced without a session key: false with 0x10023 and
// nothing sent. Mode 1 goes out plain while not authenticated.
bool CheckModeAllowed(CKavex_Port& port, int mode);

// message = header || plain data. Protects the data after headerLen in
// place: mode 0 only advances the IV with the CMAC of the whole message,
// mode 1 appends that CMAC, mode 3 appends the CRC32 of the whole message
// and enciphers data and CRC. Nothing changes while not authenticated.
void ProtectMessage(CDatenFuerDesfireInPort& session, std::vector<uint8_t>& message, size_t headerLen, int mode);

// The frames a protected message goes out in: the header with as much data
// as fills 60 bytes, then 0xAF followed by at most 59 bytes each.
std::vector<std::vector<uint8_t>> SplitFrames(const std::vector<uint8_t>& message, size_t headerLen);

// Sends the frames one by one while the card asks for more. Only a final
// 0x00 after the last frame counts as success; its answer MAC is checked.
// Returns 0, or -1 with the cause in the port status.
int SendFrames(CKavex_Port& port, const std::vector<std::vector<uint8_t>>& frames, std::vector<uint8_t>& answer);

// ProtectMessage, SplitFrames and SendFrames for a write of one command.
int WriteMessage(CKavex_Port& port, std::vector<uint8_t> message, size_t headerLen, int mode);

// A read command that answers in chained frames: MacCommand over cmd, then
// the answer frames are fetched with 0xAF until the card answers 0x00.
// collected receives a 0x00 status byte followed by the data of all frames.
// More than maxData data bytes, or a continuation frame without data, is a
// broken answer (status 20). Returns 0, or -1 with the cause in the port.
int CollectAnswer(CKavex_Port& port, const std::vector<uint8_t>& cmd, size_t maxData, std::vector<uint8_t>& collected);

// Opens a collected answer (status byte first) for the mode: checks the
// answer MAC (modes 0 and 1), or deciphers and checks the CRC (mode 3).
// expected is the payload length the command asked for, or negative when
// the card decides (then it is found from the MAC or the padding marker).
// Returns the payload length, the payload at collected[1]; or -1 with
// *status set to 20 (fewer bytes than expected), 0x10024 or 0x10025.
long OpenAnswer(CDatenFuerDesfireInPort& session, std::vector<uint8_t>& collected, int mode, long expected,
                int* status);

// CollectAnswer and OpenAnswer: payload receives the plain payload.
int ReadMessage(CKavex_Port& port, const std::vector<uint8_t>& cmd, int mode, long expected,
                std::vector<uint8_t>& payload);

// Follows one data or record transfer on this thread for the progress
// hook: SendFrames and CollectAnswer report between frames how far the
// current chunk has got. Transfers of a single frame report nothing.
class TransferProgress {
public:
    // total 0: not known before the end.
    explicit TransferProgress(uint64_t total);
    ~TransferProgress();
    TransferProgress(const TransferProgress&) = delete;
    TransferProgress& operator=(const TransferProgress&) = delete;

    // The next command carries bytes [base, base + length) of the transfer.
    void BeginChunk(uint64_t base, uint64_t length);
    // The transfer is complete with done bytes.
    void Finish(uint64_t done);

    // From the frame loops: part of total frames of the current command
    // have gone, or (total 0) part bytes of its answer have arrived.
    static void FrameDone(size_t part, size_t total);

private:
    void Report(uint64_t done, uint64_t total);

    TransferProgress* outer_;
    uint64_t total_;
    uint64_t base_ = 0, length_ = 0;
    uint64_t last_ = 0;
    bool reported_ = false;
};

} // namespace kavex::desfire
