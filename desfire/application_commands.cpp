// Selecting, listing, creating and deleting applications.
#include "sdk/core/port.h"
#include "desfire/exchange.h"
#include "kavex.h"

using namespace kavex;
using namespace kavex::desfire;

namespace {

constexpr uint8_t kCmdSelectApplication = 0x5A;
constexpr uint8_t kCmdCreateApplication = 0xCA;
constexpr uint8_t kCmdGetApplicationIDs = 0x6A;
constexpr uint8_t kCmdDeleteApplication = 0xDA;

constexpr size_t kAidLength = 3;

constexpr uint32_t kAidMask = 0xFFFFFF;
constexpr size_t kMaxDfNameLength = 16;

int SelectApplication(CKavex_Port& port, uint32_t aid)
{
    std::vector<uint8_t> frame = {kCmdSelectApplication};
    AppendAid(frame, aid);
    std::vector<uint8_t> answer;
    // Selecting ends any authentication on the card, so there is no MAC to
    // compute or check.
    if (DesfireExchange(port, frame.data(), frame.size(), answer, 100) < 0) {
        ResetAuthentication(port);
        return -1;
    }
    if (!AcceptAnswer(port, answer, 1)) return -1;
    CDatenFuerDesfireInPort& session = Session(port);
    // Only three bytes reach the card; remembering more would make the host
    // believe in an application while the card sits at the card level.
    session.selectedAid = aid & kAidMask;
    session.ResetAuthentication();
    return 0;
}

int CreateApplication(CKavex_Port& port, uint32_t aid, int cryptoMethod, int keyCount, bool isoFileIds,
                      int changeKeyAccess, int keySettings, const uint8_t* isoData, int isoLen)
{
    const bool withIso = isoData && isoLen > 2;
    if (withIso && static_cast<size_t>(isoLen) - 2 > kMaxDfNameLength) {
        port.lastStatus = kStatusParamLength;
        return -1;
    }
    std::vector<uint8_t> frame = {kCmdCreateApplication};
    AppendAid(frame, aid);
    frame.push_back(static_cast<uint8_t>(changeKeyAccess * 16 + keySettings));
    frame.push_back(static_cast<uint8_t>(cryptoMethod * 64 + (keyCount & 0x0F) + (isoFileIds ? 0x20 : 0)));
    if (withIso) frame.insert(frame.end(), isoData, isoData + isoLen);
    std::vector<uint8_t> answer;
    return RunCommand(port, frame, answer, 10) < 0 ? -1 : 0;
}

int GetApplicationIDs(CKavex_Port& port, unsigned int* aids, int sizeBytes)
{
    CDatenFuerDesfireInPort& session = Session(port);
    const uint8_t cmd = kCmdGetApplicationIDs;
    const uint8_t more = kCardAdditionalFrame;
    session.MacCommand(&cmd, 1);
    std::vector<uint8_t> collected, answer;
    // A card holds at most 28 applications: the list fits into two frames.
    if (DesfireExchange(port, &cmd, 1, collected, 100) < 0) {
        ResetAuthentication(port);
        return -1;
    }
    if (!AcceptAnswer(port, collected, 1, true)) return -1;
    if (collected[0] == kCardAdditionalFrame) {
        if (DesfireExchange(port, &more, 1, answer, 100) < 0) {
            ResetAuthentication(port);
            return -1;
        }
        if (!AcceptAnswer(port, answer, 1)) return -1;
        collected.insert(collected.end(), answer.begin() + 1, answer.end());
        collected[0] = kCardOk;
    }
    if (!CheckAnswerMac(port, collected)) return -1;

    const size_t macLen = session.AnswerMacLength();
    const size_t dataEnd = collected.size() > macLen ? collected.size() - macLen : 1;
    const size_t count = dataEnd > 1 ? (dataEnd - 1) / kAidLength : 0;
    const size_t room = aids && sizeBytes > 0 ? static_cast<size_t>(sizeBytes) / sizeof(unsigned int) : 0;
    if (count > room) {
        port.lastStatus = kStatusBufferTooSmall;
        return -1;
    }
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = collected.data() + 1 + i * kAidLength;
        aids[i] = p[0] | p[1] << 8 | p[2] << 16;
    }
    return static_cast<int>(count);
}

int DeleteApplication(CKavex_Port& port, uint32_t aid)
{
    std::vector<uint8_t> frame = {kCmdDeleteApplication};
    AppendAid(frame, aid);
    CDatenFuerDesfireInPort& session = Session(port);
    session.MacCommand(frame.data(), frame.size());
    std::vector<uint8_t> answer;
    if (DesfireExchange(port, frame.data(), frame.size(), answer, 10) < 0) {
        ResetAuthentication(port);
        return -1;
    }
    if (!AcceptAnswer(port, answer, 1)) return -1;
    if ((aid & kAidMask) == session.selectedAid) {
        // The card is back at the card level and has dropped the
        // authentication with the application: its answer carries no MAC.
        session.ResetSession();
        return 0;
    }
    return CheckAnswerMac(port, answer) ? 0 : -1;
}

} // namespace

extern "C" {

KAVEX_API int Kavex_DFSelectApplication(int handle, unsigned int aid)
{
    return WithPort(handle, [&](CKavex_Port& port) { return SelectApplication(port, aid); });
}

KAVEX_API int Kavex_DFCreateApplication(int handle, unsigned int aid, int cryptoMethod, int keyCount, int isoFileIds,
                                        int changeKeyAccess, int keySettings, const unsigned char* isoData, int isoLen)
{
    return WithPort(handle, [&](CKavex_Port& port) {
        return CreateApplication(port, aid, cryptoMethod, keyCount, isoFileIds != 0, changeKeyAccess, keySettings,
                                 isoData, isoLen);
    });
}

KAVEX_API int Kavex_DFGetApplicationIDs(int handle, unsigned int* aids, int sizeBytes)
{
    return WithPort(handle, [&](CKavex_Port& port) { return GetApplicationIDs(port, aids, sizeBytes); });
}

KAVEX_API int Kavex_DFDeleteApplication(int handle, unsigned int aid)
{
    return WithPort(handle, [&](CKavex_Port& port) { return DeleteApplication(port, aid); });
}

} // extern "C"
