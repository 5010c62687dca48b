#include "desfire/session.h"

#include "desfire/crypto/crc32.h"

namespace kavex::desfire {

CDatenFuerDesfireInPort::~CDatenFuerDesfireInPort() = default;

void CDatenFuerDesfireInPort::ResetAuthentication()
{
    authState = kNotAuthenticated;
    authKeyNo = kNoKey;
    crypt.Init(DF8Crypt::kMethodNone);
}

void CDatenFuerDesfireInPort::ResetSession()
{
    selectedAid = 0;
    cardMayBeAuthenticated = false;
    ResetAuthentication();
}

void CDatenFuerDesfireInPort::MacCommand(const uint8_t* cmd, size_t len, uint8_t* mac)
{
    if (!IsAuthenticated()) return;
    crypt.CalcCMAC(cmd, len, mac);
}

void CDatenFuerDesfireInPort::AppendCommandMac(std::vector<uint8_t>& frame)
{
    if (!IsAuthenticated()) return;
    uint8_t mac[DF8Crypt::kMacLength];
    crypt.CalcCMAC(frame.data(), frame.size(), mac);
    frame.insert(frame.end(), mac, mac + sizeof mac);
}

bool CDatenFuerDesfireInPort::CheckAnswerMac(const uint8_t* answer, size_t len)
{
    if (!IsAuthenticated() || len == 1) return true;
    // Anything between the status byte and a full MAC cannot carry one; a
    // MAC over nothing but part of a MAC must not pass either.
    if (len >= 1 + DF8Crypt::kMacLength && crypt.VerifyCMAC(answer, len)) return true;
    ResetAuthentication();
    return false;
}

size_t CDatenFuerDesfireInPort::EncipherData(uint8_t* buf, size_t len)
{
    if (!IsAuthenticated()) return len;
    size_t padded = len;
    crypt.EncryptCBC(crypt.sessionKey, buf, buf, len, &padded);
    return padded;
}

void CDatenFuerDesfireInPort::AppendCrcAndEncipher(std::vector<uint8_t>& frame, size_t plainLen)
{
    uint8_t crc[4];
    crypto::Crc32DesfirePut(crypto::Crc32Desfire(frame.data(), frame.size()), crc);
    frame.insert(frame.end(), crc, crc + sizeof crc);
    if (!IsAuthenticated() || plainLen >= frame.size()) return;
    const size_t len = frame.size() - plainLen;
    const size_t bs = BlockSize();
    frame.resize(plainLen + (len + bs - 1) / bs * bs, 0);
    EncipherData(frame.data() + plainLen, len);
}

void CDatenFuerDesfireInPort::DecipherData(uint8_t* buf, size_t len)
{
    if (!IsAuthenticated()) return;
    crypt.DecryptCBC(crypt.sessionKey, buf, buf, len);
}

bool CDatenFuerDesfireInPort::CheckPayloadCrc(const uint8_t* plain, size_t plainLen, size_t payloadLen)
{
    if (payloadLen > plainLen || plainLen - payloadLen < 4) return false;
    const uint8_t status = 0x00;
    const uint32_t crc = crypto::Crc32DesfireUpdate(crypto::Crc32Desfire(plain, payloadLen), &status, 1);
    uint8_t expected[4];
    crypto::Crc32DesfirePut(crc, expected);
    uint8_t diff = 0;
    for (size_t i = 0; i < 4; ++i) diff |= static_cast<uint8_t>(expected[i] ^ plain[payloadLen + i]);
    return diff == 0;
}

long CDatenFuerDesfireInPort::PlainDataLength(const uint8_t* data, size_t len, int commMode) const
{
    if (!IsAuthenticated()) return static_cast<long>(len);
    if (commMode != kCommEnciphered)
        return len >= DF8Crypt::kMacLength ? static_cast<long>(len - DF8Crypt::kMacLength) : 0;
    // Enciphered answers of unknown length end in payload, CRC32, 0x80 and
    // zero padding.
    size_t i = len;
    while (i > 0 && data[i - 1] == 0) --i;
    if (i == 0 || data[i - 1] != 0x80) return 0;
    return static_cast<long>(i - 1) - 4;
}

} // namespace kavex::desfire
