// RF field and ISO/IEC 14443-3/-4 activation: one reader command each.
#include <algorithm>
#include <cstring>

#include "sdk/core/port.h"
#include "desfire/exchange.h"
#include "kavex.h"

using namespace kavex;
using namespace kavex::desfire;

namespace {

constexpr uint8_t kReaderRF = 0xF5;
constexpr uint8_t kReaderRequestA = 0x30;
constexpr uint8_t kReaderAnticollSelect = 0x31;
constexpr uint8_t kReaderRATS = 0x41;
constexpr uint8_t kReaderPPS = 0x42;

} // namespace

extern "C" {

KAVEX_API int Kavex_SetRF(int handle, unsigned char on)
{
    return WithPort(handle, [&](CKavex_Port& port) {
        std::vector<uint8_t> answer;
        return port.Execute(kReaderRF, {on}, answer) ? 0 : -1;
    });
}

KAVEX_API int Kavex_RequestA(int handle, unsigned short* atqa)
{
    return WithPort(handle, [&](CKavex_Port& port) {
        std::vector<uint8_t> answer;
        if (!port.Execute(kReaderRequestA, {}, answer)) return -1;
        if (answer.size() != 2) {
            port.lastStatus = kStatusNoData;
            return -1;
        }
        if (atqa) *atqa = static_cast<unsigned short>(answer[0] + 256 * answer[1]);
        return 0;
    });
}

KAVEX_API int Kavex_AnticollSelect(int handle, unsigned char* uid, int uidSize, unsigned char* sak)
{
    return WithPort(handle, [&](CKavex_Port& port) {
        if (sak) *sak = 0;
        std::vector<uint8_t> answer;
        if (!port.Execute(kReaderAnticollSelect, {}, answer)) return -1;
        if (answer.empty()) {
            port.lastStatus = kStatusNoData;
            return -1;
        }
        const size_t uidLen = answer.size() - 1;
        const size_t room = uid ? static_cast<size_t>(std::max(uidSize, 0)) : 0;
        if (uidLen > room) {
            port.lastStatus = kStatusBufferTooSmall;
            return -1;
        }
        if (uidLen) std::memcpy(uid, answer.data() + 1, uidLen);
        if (sak) *sak = answer[0];
        return static_cast<int>(uidLen);
    });
}

KAVEX_API int Kavex_RATS(int handle, unsigned char* ats, int atsSize)
{
    return WithPort(handle, [&](CKavex_Port& port) {
        std::vector<uint8_t> answer;
        if (!port.Execute(kReaderRATS, {}, answer)) return -1;
        const size_t room = ats ? static_cast<size_t>(std::max(atsSize, 0)) : 0;
        if (answer.size() > room) {
            port.lastStatus = kStatusBufferTooSmall;
            return -1;
        }
        if (!answer.empty()) std::memcpy(ats, answer.data(), answer.size());
        return static_cast<int>(answer.size());
    });
}

KAVEX_API int Kavex_PPS(int handle, unsigned char pps1)
{
    return WithPort(handle, [&](CKavex_Port& port) {
        std::vector<uint8_t> answer;
        if (!port.Execute(kReaderPPS, {pps1}, answer)) return -1;
        // The card has been activated anew and knows nothing of an earlier
        // selection or authentication.
        port.ResetSession();
        return 0;
    });
}

} // extern "C"
