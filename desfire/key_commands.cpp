// Key settings, key versions and key values of the selected level: the card
// master key at the card level, the application keys inside an application.
#include "sdk/core/port.h"
#include "desfire/exchange.h"
#include "kavex.h"

using namespace kavex;
using namespace kavex::desfire;

namespace {

constexpr uint8_t kCmdGetKeySettings = 0x45;
constexpr uint8_t kCmdChangeKeySettings = 0x54;
constexpr uint8_t kCmdGetKeyVersion = 0x64;
constexpr uint8_t kCmdChangeKey = 0xC4;

constexpr int kKeySettingsLength = 4;
constexpr uint8_t kCardKeyNoMask = 0x3F;
constexpr uint8_t kCardKeyAes = 0x80;
constexpr int kNewKeyTypeAes = 2;

// Room for the longest cryptogram (command, key number, 32 enciphered
// bytes) reserved up front: a vector that grew would leave copies of key
// material behind in freed memory.
constexpr size_t kChangeKeyFrameRoom = 2 + 32 + DF8Crypt::kMaxBlockSize;

void Wipe(std::vector<uint8_t>& v)
{
    volatile uint8_t* p = v.data();
    for (size_t i = 0; i < v.capacity(); ++i) p[i] = 0;
}

int GetKeySettings(CKavex_Port& port, uint8_t* out, int size)
{
    if (!out || size < kKeySettingsLength) {
        port.lastStatus = kStatusBufferTooSmall;
        return -1;
    }
    std::vector<uint8_t> answer;
    if (RunCommand(port, {kCmdGetKeySettings}, answer, 100, 3) < 0) return -1;
    if (!AnswerHasData(port, answer, 2)) return -1;
    const uint8_t settings = answer[1];
    const uint8_t maxKeys = answer[2];
    static const uint8_t kMethods[4] = {0x00, 0x40, 0x80, 0xFF};
    out[0] = kMethods[maxKeys >> 6];
    out[1] = maxKeys & 0x0F;
    out[2] = settings >> 4;
    out[3] = settings & 0x0F;
    return 0;
}

int ChangeKeySettings(CKavex_Port& port, int changeKeyAccess, int keySettings)
{
    CDatenFuerDesfireInPort& session = Session(port);
    if (!session.IsAuthenticated()) {
        port.lastStatus = kStatusNeedsAuthentication;
        return -1;
    }
    std::vector<uint8_t> frame = {kCmdChangeKeySettings, static_cast<uint8_t>(changeKeyAccess * 16 + keySettings)};
    session.AppendCrcAndEncipher(frame, 1);
    std::vector<uint8_t> answer;
    return RunCommand(port, frame, answer, 10, 1, false) < 0 ? -1 : 0;
}

int GetKeyVersion(CKavex_Port& port, uint8_t keyNo)
{
    std::vector<uint8_t> answer;
    if (RunCommand(port, {kCmdGetKeyVersion, keyNo}, answer, 10, 2) < 0) return -1;
    if (!AnswerHasData(port, answer, 1)) return -1;
    return answer[1];
}

int ChangeKey(CKavex_Port& port, uint8_t keyNo, const uint8_t* newKey, int newKeyLen, uint8_t keyVersion,
              const uint8_t* oldKey, int oldKeyLen, int newKeyType)
{
    if (!newKey || newKeyLen != static_cast<int>(DF8Crypt::kKeyLength)) {
        port.lastStatus = kStatusKeyLength;
        return -1;
    }
    CDatenFuerDesfireInPort& session = Session(port);
    if (!session.IsAuthenticated()) {
        port.lastStatus = kStatusNeedsAuthentication;
        return -1;
    }
    const bool cardLevel = session.selectedAid == 0;
    const bool aesSession = session.authState == CDatenFuerDesfireInPort::kAuthenticatedAES;
    // At the card level the high bits of the key number byte carry the key
    // type; the card compares only the rest with the authenticated key, and
    // so must the host, or it would send the wrong cryptogram and keep a
    // session the card has dropped.
    const uint8_t target = cardLevel ? keyNo & kCardKeyNoMask : keyNo;
    const bool sameKey = target == session.authKeyNo;
    if (!sameKey && (!oldKey || oldKeyLen != static_cast<int>(DF8Crypt::kKeyLength))) {
        port.lastStatus = kStatusOldKeyLength;
        return -1;
    }
    // The card master key takes the type of the current authentication
    // unless AES is asked for; an application's key type was fixed when
    // the application was created.
    const bool aesKey = aesSession || (cardLevel && newKeyType == kNewKeyTypeAes);
    const uint8_t keyByte = static_cast<uint8_t>(cardLevel && aesKey ? target | kCardKeyAes : target);

    std::vector<uint8_t> frame;
    frame.reserve(kChangeKeyFrameRoom);
    frame.push_back(kCmdChangeKey);
    frame.push_back(keyByte);
    for (size_t i = 0; i < DF8Crypt::kKeyLength; ++i)
        frame.push_back(sameKey ? newKey[i] : static_cast<uint8_t>(newKey[i] ^ oldKey[i]));
    // An AES key keeps its version apart from the key bytes, also when the
    // card master key becomes AES from an ISO session: without the byte the
    // card would take the first CRC byte for the version.
    if (aesKey) frame.push_back(keyVersion);
    uint8_t crc[4];
    crypto::Crc32DesfirePut(crypto::Crc32Desfire(frame.data(), frame.size()), crc);
    frame.insert(frame.end(), crc, crc + 4);
    if (!sameKey) {
        crypto::Crc32DesfirePut(crypto::Crc32Desfire(newKey, DF8Crypt::kKeyLength), crc);
        frame.insert(frame.end(), crc, crc + 4);
    }
    const size_t bs = session.BlockSize();
    frame.resize(2 + (frame.size() - 2 + bs - 1) / bs * bs, 0);
    session.EncipherData(frame.data() + 2, frame.size() - 2);

    std::vector<uint8_t> answer;
    const int result = RunCommand(port, frame, answer, 10, 1, false);
    Wipe(frame);
    if (result < 0) return -1;
    // The session key came from the key that is gone now.
    if (sameKey) session.ResetAuthentication();
    return 0;
}

} // namespace

extern "C" {

KAVEX_API int Kavex_DFGetKeySettings(int handle, unsigned char* out, int size)
{
    return WithPort(handle, [&](CKavex_Port& port) { return GetKeySettings(port, out, size); });
}

KAVEX_API int Kavex_DFChangeKeySettings(int handle, int changeKeyAccess, int keySettings)
{
    return WithPort(handle, [&](CKavex_Port& port) { return ChangeKeySettings(port, changeKeyAccess, keySettings); });
}

KAVEX_API int Kavex_DFGetKeyVersion(int handle, unsigned char keyNo)
{
    return WithPort(handle, [&](CKavex_Port& port) { return GetKeyVersion(port, keyNo); });
}

KAVEX_API int Kavex_DFChangeKey(int handle, unsigned char keyNo, const unsigned char* newKey, int newKeyLen,
                                unsigned char keyVersion, const unsigned char* oldKey, int oldKeyLen, int newKeyType)
{
    return WithPort(handle, [&](CKavex_Port& port) {
        return ChangeKey(port, keyNo, newKey, newKeyLen, keyVersion, oldKey, oldKeyLen, newKeyType);
    });
}

} // extern "C"
