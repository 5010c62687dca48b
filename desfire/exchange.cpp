#include "desfire/exchange.h"

#include <algorithm>
#include <cstring>

#include "sdk/core/port.h"

namespace kavex::desfire {

namespace {
constexpr uint8_t kCmdSelectApplication = 0x5A;
constexpr size_t kSelectAnswerLimit = 100;
} // namespace

CDatenFuerDesfireInPort& Session(CKavex_Port& port)
{
    if (!port.Session()) port.SetSession(std::make_unique<CDatenFuerDesfireInPort>());
    // Only the engine sets a port's session, so it is always ours.
    return static_cast<CDatenFuerDesfireInPort&>(*port.Session());
}

void ResetAuthentication(CKavex_Port& port)
{
    CDatenFuerDesfireInPort& session = Session(port);
    if (session.IsAuthenticated()) session.cardMayBeAuthenticated = true;
    session.ResetAuthentication();
}

bool CardKeepsAuthentication(uint8_t cardStatus)
{
    return cardStatus == kCardOk || cardStatus == kCardAdditionalFrame || cardStatus == kCardNoChanges;
}

bool EndCardAuthentication(CKavex_Port& port)
{
    CDatenFuerDesfireInPort& session = Session(port);
    session.cardMayBeAuthenticated = false;
    // The selected level, not the card level: the caller still works in its
    // application, and a host that believed in another level than the card's
    // would protect and address its next commands wrongly.
    std::vector<uint8_t> frame = {kCmdSelectApplication};
    AppendAid(frame, session.selectedAid);
    std::vector<uint8_t> answer;
    if (DesfireExchange(port, frame.data(), frame.size(), answer, kSelectAnswerLimit) > 0) return true;
    session.cardMayBeAuthenticated = true;
    if (port.lastStatus == kStatusOk) port.lastStatus = kStatusNoData;
    return false;
}

void FailIntegrity(CKavex_Port& port, int status)
{
    CDatenFuerDesfireInPort& session = Session(port);
    session.ResetAuthentication();
    session.cardMayBeAuthenticated = true;
    EndCardAuthentication(port);
    port.lastStatus = status;
}

void ResetSession(CKavex_Port& port)
{
    Session(port).ResetSession();
}

bool IsAuthenticated(CKavex_Port& port)
{
    return Session(port).IsAuthenticated();
}

uint32_t GetSelectedAid(CKavex_Port& port)
{
    return Session(port).selectedAid;
}

void SetCardStatus(CKavex_Port& port, uint8_t cardStatus)
{
    port.lastStatus = kStatusCard + cardStatus;
}

int DesfireExchange(CKavex_Port& port, const uint8_t* cmd, size_t len, std::vector<uint8_t>& answer, size_t limit)
{
    if (Session(port).cardMayBeAuthenticated && !EndCardAuthentication(port)) return -1;
    port.sendBuffer.clear();
    port.sendBuffer.push_back(kReaderDesfireExchange);
    port.sendBuffer.insert(port.sendBuffer.end(), cmd, cmd + len);
    answer.clear();
    std::vector<uint8_t> piece;
    // An answer that fits the limit comes in at most limit + 1 pieces (the
    // last may be empty); a reader that kept announcing more must not hold
    // the caller forever.
    size_t pieces = 0;
    for (;;) {
        if (!port.Transceive()) return -1;
        if (!port.ReadAnswer(piece)) return -1;
        answer.insert(answer.end(), piece.begin(), piece.end());
        ++pieces;
        if (port.lastStatus != kStatusMoreData) break;
        if (answer.size() > limit || pieces > limit) break;
        port.sendBuffer.assign(1, kReaderContinue);
    }
    if (answer.size() > limit || port.lastStatus == kStatusMoreData) {
        port.lastStatus = kStatusBufferTooSmall;
        return -1;
    }
    port.lastStatus = kStatusOk;
    return static_cast<int>(answer.size());
}

bool AcceptAnswer(CKavex_Port& port, const std::vector<uint8_t>& answer, size_t minLen, bool allowMore)
{
    if (answer.empty()) {
        // Without this the failure would carry the 0 of the exchange.
        ResetAuthentication(port);
        port.lastStatus = kStatusNoData;
        return false;
    }
    const uint8_t status = answer[0];
    const bool statusOk = status == kCardOk || (allowMore && status == kCardAdditionalFrame);
    if (!statusOk || answer.size() < minLen) {
        if (CardKeepsAuthentication(status))
            ResetAuthentication(port);
        else
            Session(port).ResetAuthentication();
        SetCardStatus(port, status);
        return false;
    }
    return true;
}

bool CheckAnswerMac(CKavex_Port& port, const std::vector<uint8_t>& answer)
{
    if (Session(port).CheckAnswerMac(answer.data(), answer.size())) return true;
    FailIntegrity(port, kStatusMacMismatch);
    return false;
}

bool AnswerHasData(CKavex_Port& port, const std::vector<uint8_t>& answer, size_t dataLen)
{
    if (answer.size() >= 1 + dataLen + Session(port).AnswerMacLength()) return true;
    ResetAuthentication(port);
    SetCardStatus(port, answer.empty() ? kCardOk : answer[0]);
    return false;
}

int RunCommand(CKavex_Port& port, const std::vector<uint8_t>& frame, std::vector<uint8_t>& answer, size_t limit,
               size_t minLen, bool macCommand)
{
    if (macCommand) Session(port).MacCommand(frame.data(), frame.size());
    if (DesfireExchange(port, frame.data(), frame.size(), answer, limit) < 0) {
        ResetAuthentication(port);
        return -1;
    }
    if (!AcceptAnswer(port, answer, minLen)) return -1;
    if (!CheckAnswerMac(port, answer)) return -1;
    return static_cast<int>(answer.size());
}

int CopyCut(const uint8_t* src, size_t len, uint8_t* out, int size)
{
    const size_t room = out && size > 0 ? static_cast<size_t>(size) : 0;
    const size_t n = std::min(len, room);
    if (n) std::memcpy(out, src, n);
    return static_cast<int>(n);
}

} // namespace kavex::desfire
