// Selecting and creating applications.
#include "CKavex_Port.h"
#include "DesfireEngine.h"
#include "kavex.h"

using namespace kavex::desfire;

namespace {

constexpr uint8_t kCmdSelectApplication = 0x5A;
constexpr uint8_t kCmdCreateApplication = 0xCA;

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
    CDatenFuerDesfireInPort& session = port.Desfire();
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

} // extern "C"
