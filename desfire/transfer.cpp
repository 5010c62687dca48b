#include "desfire/transfer.h"

#include <algorithm>

#include "sdk/core/port.h"
#include "desfire/exchange.h"
#include "sdk/core/progress_hook.h"

namespace kavex::desfire {

int CommMode(unsigned mode)
{
    const int bits = static_cast<int>(mode & 3);
    return bits & 1 ? bits : CDatenFuerDesfireInPort::kCommPlain;
}

bool CheckModeAllowed(CKavex_Port& port, int mode)
{
    if (mode == CDatenFuerDesfireInPort::kCommEnciphered && !Session(port).IsAuthenticated()) {
        port.lastStatus = kStatusNeedsAuthentication;
        return false;
    }
    return true;
}

void ProtectMessage(CDatenFuerDesfireInPort& session, std::vector<uint8_t>& message, size_t headerLen, int mode)
{
    switch (mode) {
    case CDatenFuerDesfireInPort::kCommMac: session.AppendCommandMac(message); break;
    case CDatenFuerDesfireInPort::kCommEnciphered: session.AppendCrcAndEncipher(message, headerLen); break;
    default: session.MacCommand(message.data(), message.size()); break;
    }
}

std::vector<std::vector<uint8_t>> SplitFrames(const std::vector<uint8_t>& message, size_t headerLen)
{
    std::vector<std::vector<uint8_t>> frames;
    const size_t firstData = kMaxFrame > headerLen ? kMaxFrame - headerLen : 0;
    size_t pos = std::min(message.size(), headerLen + firstData);
    frames.emplace_back(message.begin(), message.begin() + static_cast<long>(pos));
    while (pos < message.size()) {
        const size_t n = std::min(kNextFrameData, message.size() - pos);
        std::vector<uint8_t> frame{kCardAdditionalFrame};
        frame.insert(frame.end(), message.begin() + static_cast<long>(pos),
                     message.begin() + static_cast<long>(pos + n));
        frames.push_back(std::move(frame));
        pos += n;
    }
    return frames;
}

int SendFrames(CKavex_Port& port, const std::vector<std::vector<uint8_t>>& frames, std::vector<uint8_t>& answer)
{
    for (size_t i = 0; i < frames.size(); ++i) {
        const bool last = i + 1 == frames.size();
        if (DesfireExchange(port, frames[i].data(), frames[i].size(), answer, kTransferAnswerLimit) < 0) {
            ResetAuthentication(port);
            return -1;
        }
        // After the last frame a card still asking for more has not taken
        // the command: 0x100AF, never success.
        if (!AcceptAnswer(port, answer, 1, !last)) return -1;
        if (!last && answer[0] == kCardOk) {
            // The card closed the command before it had all the data: what
            // was not sent was not written.
            ResetAuthentication(port);
            port.lastStatus = kStatusDataAmount;
            return -1;
        }
        if (!last) TransferProgress::FrameDone(i + 1, frames.size());
    }
    return CheckAnswerMac(port, answer) ? 0 : -1;
}

int WriteMessage(CKavex_Port& port, std::vector<uint8_t> message, size_t headerLen, int mode)
{
    ProtectMessage(Session(port), message, headerLen, mode);
    std::vector<uint8_t> answer;
    return SendFrames(port, SplitFrames(message, headerLen), answer);
}

int CollectAnswer(CKavex_Port& port, const std::vector<uint8_t>& cmd, size_t maxData, std::vector<uint8_t>& collected)
{
    Session(port).MacCommand(cmd.data(), cmd.size());
    collected.assign(1, kCardOk);
    std::vector<uint8_t> answer;
    const uint8_t more = kCardAdditionalFrame;
    const uint8_t* frame = cmd.data();
    size_t frameLen = cmd.size();
    for (;;) {
        if (DesfireExchange(port, frame, frameLen, answer, kTransferAnswerLimit) < 0) {
            ResetAuthentication(port);
            return -1;
        }
        if (!AcceptAnswer(port, answer, 1, true)) return -1;
        collected.insert(collected.end(), answer.begin() + 1, answer.end());
        if (answer[0] == kCardOk) return 0;
        // A card that keeps asking to be asked again without giving data,
        // or gives more than the command can produce, would keep the caller
        // here for good.
        if (answer.size() == 1 || collected.size() - 1 > maxData) {
            ResetAuthentication(port);
            port.lastStatus = kStatusDataAmount;
            return -1;
        }
        TransferProgress::FrameDone(collected.size() - 1, 0);
        frame = &more;
        frameLen = 1;
    }
}

long OpenAnswer(CDatenFuerDesfireInPort& session, std::vector<uint8_t>& collected, int mode, long expected, int* status)
{
    uint8_t* data = collected.data() + 1;
    const size_t len = collected.size() - 1;
    if (mode == CDatenFuerDesfireInPort::kCommEnciphered && session.IsAuthenticated()) {
        // A length that is not whole blocks is not deciphered at all and
        // then fails the CRC check.
        if (len % session.BlockSize() == 0) session.DecipherData(data, len);
        const long n = expected >= 0 ? expected : session.PlainDataLength(data, len, mode);
        if (expected >= 0 && len < static_cast<size_t>(expected)) {
            *status = kStatusDataAmount;
            return -1;
        }
        if (n < 0 || !CDatenFuerDesfireInPort::CheckPayloadCrc(data, len, static_cast<size_t>(n))) {
            *status = kStatusCrcMismatch;
            return -1;
        }
        return n;
    }
    if (!session.CheckAnswerMac(collected.data(), collected.size())) {
        *status = kStatusMacMismatch;
        return -1;
    }
    const size_t macLen = session.AnswerMacLength();
    const size_t available = len >= macLen ? len - macLen : 0;
    if (expected < 0) return static_cast<long>(available);
    if (available < static_cast<size_t>(expected)) {
        *status = kStatusDataAmount;
        return -1;
    }
    return expected;
}

int ReadMessage(CKavex_Port& port, const std::vector<uint8_t>& cmd, int mode, long expected,
                std::vector<uint8_t>& payload)
{
    // Payload, CRC, padding to a block and a MAC; nothing else may come.
    constexpr size_t kOverhead = 4 + 2 * DF8Crypt::kMaxBlockSize + DF8Crypt::kMacLength;
    const size_t maxData = (expected >= 0 ? static_cast<size_t>(expected) : size_t{kMaxLe24}) + kOverhead;
    std::vector<uint8_t> collected;
    if (CollectAnswer(port, cmd, maxData, collected) < 0) return -1;
    int status = kStatusOk;
    const long n = OpenAnswer(Session(port), collected, mode, expected, &status);
    if (n < 0) {
        if (status == kStatusDataAmount) {
            // A short answer is a broken answer like any other.
            ResetAuthentication(port);
            port.lastStatus = status;
        } else {
            FailIntegrity(port, status);
        }
        return -1;
    }
    payload.assign(collected.begin() + 1, collected.begin() + 1 + n);
    port.lastStatus = kStatusOk;
    return 0;
}

} // namespace kavex::desfire

namespace kavex::desfire {

namespace {
thread_local TransferProgress* currentProgress = nullptr;
} // namespace

TransferProgress::TransferProgress(uint64_t total) : outer_(currentProgress), total_(total)
{
    currentProgress = this;
}

TransferProgress::~TransferProgress()
{
    currentProgress = outer_;
}

void TransferProgress::BeginChunk(uint64_t base, uint64_t length)
{
    base_ = base;
    length_ = length;
}

void TransferProgress::Finish(uint64_t done)
{
    if (reported_) Report(done, total_ ? total_ : done);
}

void TransferProgress::FrameDone(size_t part, size_t total)
{
    TransferProgress* p = currentProgress;
    if (!p) return;
    // Writes report frames sent of total, reads the bytes received so far
    // (total 0). An answer may end with a MAC or CRC and padding; a read
    // of unknown length leaves them out so that it never counts more than
    // the data it ends with.
    constexpr uint64_t kMaxAnswerTrailer = 4 + 15; // CRC32, AES padding
    uint64_t inChunk = 0;
    if (total) {
        inChunk = p->length_ * std::min(part, total) / total;
    } else if (p->length_) {
        inChunk = std::min<uint64_t>(part, p->length_);
    } else if (part > kMaxAnswerTrailer) {
        inChunk = part - kMaxAnswerTrailer;
    } else {
        return;
    }
    p->Report(p->base_ + inChunk, p->total_);
}

void TransferProgress::Report(uint64_t done, uint64_t total)
{
    if (reported_ && done <= last_) return;
    constexpr uint64_t kMax = 0x7FFFFFFF;
    reported_ = true;
    last_ = done;
    RunProgressHook(static_cast<int>(std::min(done, kMax)), static_cast<int>(std::min(total, kMax)));
}

} // namespace kavex::desfire
