// Commands that act on the card as a whole: version, free memory, format,
// configuration and the real UID.
#include <cstring>

#include "sdk/core/port.h"
#include "desfire/exchange.h"
#include "desfire/crypto/crc32.h"
#include "kavex.h"

using namespace kavex;
using namespace kavex::desfire;

namespace {

constexpr uint8_t kCmdGetVersion = 0x60;
constexpr uint8_t kCmdGetFreeMemory = 0x6E;
constexpr uint8_t kCmdFormatPICC = 0xFC;
constexpr uint8_t kCmdSetConfiguration = 0x5C;
constexpr uint8_t kCmdGetCardUID = 0x51;

constexpr size_t kVersionLength = 28;
constexpr size_t kUidLength = 7;

constexpr uint8_t kConfigCardSettings = 0;
constexpr uint8_t kConfigDefaultKey = 1;
constexpr uint8_t kConfigAts = 2;

int GetVersion(CKavex_Port& port, uint8_t* out, int size)
{
    if (!out || size < static_cast<int>(kVersionLength)) {
        port.lastStatus = kStatusBufferTooSmall;
        return -1;
    }
    CDatenFuerDesfireInPort& session = Session(port);
    const uint8_t cmd = kCmdGetVersion;
    const uint8_t more = kCardAdditionalFrame;
    session.MacCommand(&cmd, 1);

    // Hardware and software information, then UID and production data; only
    // the first frame is MACed, and the answer MAC covers all three.
    struct Step {
        const uint8_t* frame;
        size_t minLen;
        uint8_t status;
    };
    const Step steps[] = {{&cmd, 8, kCardAdditionalFrame}, {&more, 8, kCardAdditionalFrame}, {&more, 15, kCardOk}};
    std::vector<uint8_t> collected, answer;
    for (const Step& step : steps) {
        if (DesfireExchange(port, step.frame, 1, answer, 30) < 0) {
            ResetAuthentication(port);
            return -1;
        }
        if (answer.empty()) {
            ResetAuthentication(port);
            port.lastStatus = kStatusNoData;
            return -1;
        }
        if (answer.size() < step.minLen || answer[0] != step.status) {
            if (CardKeepsAuthentication(answer[0]))
                ResetAuthentication(port);
            else
                session.ResetAuthentication();
            SetCardStatus(port, answer[0]);
            return -1;
        }
        if (collected.empty()) {
            collected = answer;
        } else {
            collected.insert(collected.end(), answer.begin() + 1, answer.end());
        }
    }
    collected[0] = kCardOk;
    if (!CheckAnswerMac(port, collected)) return -1;
    if (collected.size() < 1 + kVersionLength + session.AnswerMacLength()) {
        // Too short once the MAC is taken off: an error like any short
        // answer, never a failure with status 0.
        ResetAuthentication(port);
        SetCardStatus(port, kCardOk);
        return -1;
    }
    std::memcpy(out, collected.data() + 1, kVersionLength);
    return 0;
}

int GetFreeMemory(CKavex_Port& port)
{
    std::vector<uint8_t> answer;
    if (RunCommand(port, {kCmdGetFreeMemory}, answer, 100, 4) < 0) return -1;
    return answer[1] | answer[2] << 8 | answer[3] << 16;
}

int SetConfiguration(CKavex_Port& port, uint8_t option, const uint8_t* data, int len)
{
    CDatenFuerDesfireInPort& session = Session(port);
    if (!session.IsAuthenticated()) {
        port.lastStatus = kStatusNeedsAuthentication;
        return -1;
    }
    const size_t dataLen = data && len > 0 ? static_cast<size_t>(len) : 0;
    std::vector<uint8_t> frame = {kCmdSetConfiguration, option};
    switch (option) {
    case kConfigCardSettings:
        if (dataLen < 1) {
            port.lastStatus = kStatusParamLength;
            return -1;
        }
        frame.push_back(data[0]);
        session.AppendCrcAndEncipher(frame, 2);
        break;
    case kConfigDefaultKey:
        if (dataLen != DF8Crypt::kKeyLength + 1) {
            port.lastStatus = kStatusKeyLength;
            return -1;
        }
        // 24-byte key field, then the key version.
        frame.insert(frame.end(), data, data + DF8Crypt::kKeyLength);
        frame.resize(frame.size() + 8, 0);
        frame.push_back(data[DF8Crypt::kKeyLength]);
        session.AppendCrcAndEncipher(frame, 2);
        break;
    case kConfigAts: {
        if (dataLen < 5 || dataLen > 16) {
            port.lastStatus = kStatusParamLength;
            return -1;
        }
        frame.insert(frame.end(), data, data + dataLen);
        uint8_t crc[4];
        crypto::Crc32DesfirePut(crypto::Crc32Desfire(frame.data(), frame.size()), crc);
        frame.insert(frame.end(), crc, crc + 4);
        // The ATS is the one option padded with 0x80 before the zeros.
        frame.push_back(0x80);
        const size_t bs = session.BlockSize();
        const size_t plain = frame.size() - 2;
        frame.resize(2 + (plain + bs - 1) / bs * bs, 0);
        session.EncipherData(frame.data() + 2, plain);
        break;
    }
    default:
        // Unknown options go out bare and the card answers with its error.
        frame.resize(1);
        break;
    }
    std::vector<uint8_t> answer;
    return RunCommand(port, frame, answer, 100, 1, false) < 0 ? -1 : 0;
}

int GetCardUID(CKavex_Port& port, uint8_t* out, int size)
{
    if (!out || size < static_cast<int>(kUidLength)) {
        port.lastStatus = kStatusBufferTooSmall;
        return -1;
    }
    CDatenFuerDesfireInPort& session = Session(port);
    const uint8_t cmd = kCmdGetCardUID;
    session.MacCommand(&cmd, 1);
    std::vector<uint8_t> answer;
    if (DesfireExchange(port, &cmd, 1, answer, 30) < 0) {
        ResetAuthentication(port);
        return -1;
    }
    if (!AcceptAnswer(port, answer, 17)) return -1;
    // The answer is enciphered instead of MACed.
    uint8_t* plain = answer.data() + 1;
    session.DecipherData(plain, 16);
    if (session.IsAuthenticated() && !CDatenFuerDesfireInPort::CheckPayloadCrc(plain, 16, kUidLength)) {
        FailIntegrity(port, kStatusCrcMismatch);
        return -1;
    }
    std::memcpy(out, plain, kUidLength);
    return static_cast<int>(kUidLength);
}

} // namespace

extern "C" {

KAVEX_API int Kavex_DFGetVersion(int handle, unsigned char* out, int size)
{
    return WithPort(handle, [&](CKavex_Port& port) { return GetVersion(port, out, size); });
}

KAVEX_API int Kavex_DFGetFreeMemory(int handle)
{
    return WithPort(handle, [&](CKavex_Port& port) { return GetFreeMemory(port); });
}

KAVEX_API int Kavex_DFFormatPICC(int handle)
{
    return WithPort(handle, [&](CKavex_Port& port) {
        std::vector<uint8_t> answer;
        return RunCommand(port, {kCmdFormatPICC}, answer, 100) < 0 ? -1 : 0;
    });
}

KAVEX_API int Kavex_DFSetConfiguration(int handle, unsigned char option, const unsigned char* data, int len)
{
    return WithPort(handle, [&](CKavex_Port& port) { return SetConfiguration(port, option, data, len); });
}

KAVEX_API int Kavex_DFGetCardUID(int handle, unsigned char* out, int size)
{
    return WithPort(handle, [&](CKavex_Port& port) { return GetCardUID(port, out, size); });
}

} // extern "C"
