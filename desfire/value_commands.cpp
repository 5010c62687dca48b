// Reading a value file and changing its value. Changes take effect with
// the next CommitTransaction.
#include "sdk/core/port.h"
#include "desfire/transfer.h"
#include "desfire/exchange.h"
#include "kavex.h"

using namespace kavex;
using namespace kavex::desfire;

namespace {

constexpr uint8_t kCmdGetValue = 0x6C;
constexpr uint8_t kCmdCredit = 0x0C;
constexpr uint8_t kCmdDebit = 0xDC;
constexpr uint8_t kCmdLimitedCredit = 0x1C;

constexpr size_t kValueLength = 4;

int GetValue(CKavex_Port& port, uint8_t fileNo, unsigned mode, int* value)
{
    const int comm = CommMode(mode);
    if (!CheckModeAllowed(port, comm)) return -1;
    if (!value) {
        port.lastStatus = kStatusBufferTooSmall;
        return -1;
    }
    CDatenFuerDesfireInPort& session = Session(port);
    const std::vector<uint8_t> frame = {kCmdGetValue, fileNo};
    session.MacCommand(frame.data(), frame.size());
    std::vector<uint8_t> answer;
    if (DesfireExchange(port, frame.data(), frame.size(), answer, 40) < 0) {
        ResetAuthentication(port);
        return -1;
    }
    if (!AcceptAnswer(port, answer, 1)) return -1;
    uint8_t* data = answer.data() + 1;
    const size_t len = answer.size() - 1;
    if (len < kValueLength) {
        // Success with less than a value: a broken answer, never status 0.
        ResetAuthentication(port);
        port.lastStatus = kStatusDataAmount;
        return -1;
    }
    if (comm == CDatenFuerDesfireInPort::kCommEnciphered) {
        if (len < kValueLength + 4) {
            // Value without its CRC: nothing there could be checked.
            ResetAuthentication(port);
            port.lastStatus = kStatusDataAmount;
            return -1;
        }
        if (len % session.BlockSize() == 0) session.DecipherData(data, len);
        if (!CDatenFuerDesfireInPort::CheckPayloadCrc(data, len, kValueLength)) {
            FailIntegrity(port, kStatusCrcMismatch);
            return -1;
        }
    } else {
        if (!CheckAnswerMac(port, answer)) return -1;
        if (len < kValueLength + session.AnswerMacLength()) {
            // A MAC alone, however right, is no value.
            ResetAuthentication(port);
            port.lastStatus = kStatusDataAmount;
            return -1;
        }
    }
    *value = static_cast<int>(static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                              static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24);
    return 0;
}

int ChangeValue(CKavex_Port& port, uint8_t cmd, uint8_t fileNo, unsigned mode, int amount)
{
    const int comm = CommMode(mode);
    if (!CheckModeAllowed(port, comm)) return -1;
    std::vector<uint8_t> frame = {cmd, fileNo};
    AppendLe32(frame, static_cast<uint32_t>(amount));
    ProtectMessage(Session(port), frame, 2, comm);
    std::vector<uint8_t> answer;
    return RunCommand(port, frame, answer, 10, 1, false) < 0 ? -1 : 0;
}

} // namespace

extern "C" {

KAVEX_API int Kavex_DFGetValue(int handle, unsigned char fileNo, unsigned char mode, int* value)
{
    return WithPort(handle, [&](CKavex_Port& port) { return GetValue(port, fileNo, mode, value); });
}

KAVEX_API int Kavex_DFCredit(int handle, unsigned char fileNo, unsigned char mode, int amount)
{
    return WithPort(handle, [&](CKavex_Port& port) { return ChangeValue(port, kCmdCredit, fileNo, mode, amount); });
}

KAVEX_API int Kavex_DFDebit(int handle, unsigned char fileNo, unsigned char mode, int amount)
{
    return WithPort(handle, [&](CKavex_Port& port) { return ChangeValue(port, kCmdDebit, fileNo, mode, amount); });
}

KAVEX_API int Kavex_DFLimitedCredit(int handle, unsigned char fileNo, unsigned char mode, int amount)
{
    return WithPort(handle,
                    [&](CKavex_Port& port) { return ChangeValue(port, kCmdLimitedCredit, fileNo, mode, amount); });
}

} // extern "C"
