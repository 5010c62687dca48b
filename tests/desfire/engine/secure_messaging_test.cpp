// The host's secure messaging against an OpenSSL model of the card: every
// MAC, encipherment and decipherment must leave both IVs equal, or the next
// command fails on a real card.
#include <gtest/gtest.h>

#include <cstring>

#include "desfire/session.h"
#include "tests/support/openssl_reference.h"

namespace ref = kavex::test::reference;

using namespace kavex;
using namespace kavex::desfire;

using ref::Bytes;
using ref::Cat;

namespace {

const Bytes kAesSessionKey = {0x8A, 0x01, 0x7C, 0x44, 0x90, 0x12, 0x5E, 0xF3,
                              0x2B, 0xC6, 0x77, 0x0D, 0xA5, 0x39, 0xE8, 0x61};
const Bytes kTdesSessionKey = {0x11, 0x22, 0x33, 0x44, 0xA0, 0xB0, 0xC0, 0xD0,
                               0x55, 0x66, 0x77, 0x88, 0x0E, 0x0F, 0x1A, 0x1B};

// The state a successful authentication leaves behind.
void Establish(CDatenFuerDesfireInPort& s, bool aes, const Bytes& sessionKey)
{
    s.crypt.Init(aes ? DF8Crypt::kMethodAES : DF8Crypt::kMethod3DES);
    std::memcpy(s.crypt.sessionKey, sessionKey.data(), 16);
    s.crypt.DeriveCmacSubkeys();
    s.authState = aes ? CDatenFuerDesfireInPort::kAuthenticatedAES : CDatenFuerDesfireInPort::kAuthenticatedISO;
    s.authKeyNo = 0;
}

class SecureMessaging : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        aes = GetParam();
        card = {aes, aes ? kAesSessionKey : kTdesSessionKey};
        cardIv.assign(card.Bs(), 0);
        Establish(host, aes, card.key);
        host.selectedAid = 0x123456;
    }
    Bytes HostIv() const { return Bytes(host.crypt.iv, host.crypt.iv + card.Bs()); }

    bool aes = false;
    ref::Cipher card;
    Bytes cardIv;
    CDatenFuerDesfireInPort host;
};

TEST_P(SecureMessaging, HostAndCardStayInStepThroughEveryKindOfMessage)
{
    // Plain command: only the IV moves, from zero right after authentication.
    uint8_t mac[8];
    host.MacCommand(Bytes{0x6E}.data(), 1, mac);
    EXPECT_EQ(Bytes(mac, mac + 8), ref::Cmac(card, cardIv, {0x6E}));
    EXPECT_EQ(HostIv(), cardIv);

    // Answer MAC over data, then status, chained from the command's CMAC.
    const Bytes data = {0x20, 0x13, 0x00};
    Bytes answer = Cat(Cat({0x00}, data), ref::Cmac(card, cardIv, Cat(data, {0x00})));
    EXPECT_TRUE(host.CheckAnswerMac(answer.data(), answer.size()));
    EXPECT_EQ(HostIv(), cardIv);

    // Mode-1 data of a whole number of blocks (subkey K1) and of one byte
    // more (padding and K2).
    for (size_t len : {card.Bs(), card.Bs() + 1}) {
        Bytes frame(len, 0x3D);
        const Bytes plain = frame;
        host.AppendCommandMac(frame);
        EXPECT_EQ(frame, Cat(plain, ref::Cmac(card, cardIv, plain))) << len;
    }

    // Enciphered parameters: CRC over command byte and header too.
    Bytes frame = {0x54, 0x0F};
    host.AppendCrcAndEncipher(frame, 1);
    EXPECT_EQ(frame, Cat({0x54}, ref::Encrypt(card, cardIv, Cat({0x0F}, ref::Crc({0x54, 0x0F})))));
    answer = Cat({0x00}, ref::Cmac(card, cardIv, {0x00}));
    EXPECT_TRUE(host.CheckAnswerMac(answer.data(), answer.size()));

    // Enciphered answer: payload, CRC over payload and status, zero padding.
    host.MacCommand(Bytes{0x51}.data(), 1);
    ref::Cmac(card, cardIv, {0x51});
    const Bytes uid = {0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    Bytes enc = ref::Encrypt(card, cardIv, Cat(uid, ref::Crc(Cat(uid, {0x00}))));
    ASSERT_EQ(enc.size(), 16u);
    host.DecipherData(enc.data(), enc.size());
    EXPECT_TRUE(CDatenFuerDesfireInPort::CheckPayloadCrc(enc.data(), enc.size(), uid.size()));
    EXPECT_EQ(Bytes(enc.begin(), enc.begin() + 7), uid);
    EXPECT_EQ(HostIv(), cardIv);

    // A later command still chains correctly.
    host.MacCommand(Bytes{0x60}.data(), 1, mac);
    EXPECT_EQ(Bytes(mac, mac + 8), ref::Cmac(card, cardIv, {0x60}));
}

TEST_P(SecureMessaging, AnswerMacFailuresDropTheAuthentication)
{
    // A status byte alone carries no MAC and leaves the IV alone.
    const Bytes statusOnly = {0x00};
    EXPECT_TRUE(host.CheckAnswerMac(statusOnly.data(), 1));
    EXPECT_EQ(HostIv(), cardIv);

    Bytes answer = Cat({0x00, 0x42}, ref::Cmac(card, cardIv, {0x42, 0x00}));
    answer.back() ^= 0x01;
    EXPECT_FALSE(host.CheckAnswerMac(answer.data(), answer.size()));
    EXPECT_FALSE(host.IsAuthenticated());
    // The card's selection is not touched by a broken answer.
    EXPECT_EQ(host.selectedAid, 0x123456u);
    EXPECT_EQ(host.authKeyNo, CDatenFuerDesfireInPort::kNoKey);

    // Too short to hold a MAC at all.
    Establish(host, aes, card.key);
    const Bytes truncated = {0x00, 1, 2, 3, 4, 5, 6, 7};
    EXPECT_FALSE(host.CheckAnswerMac(truncated.data(), truncated.size()));
    EXPECT_FALSE(host.IsAuthenticated());
}

INSTANTIATE_TEST_SUITE_P(AesAndTripleDes, SecureMessaging, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "AES" : "TDES"; });

TEST(SecureMessagingPlainDataLength, FollowsSessionAndCommunicationMode)
{
    CDatenFuerDesfireInPort s;
    const Bytes twenty(20, 0xAA);
    EXPECT_EQ(s.PlainDataLength(twenty.data(), 20, CDatenFuerDesfireInPort::kCommEnciphered), 20);
    Establish(s, true, kAesSessionKey);
    EXPECT_EQ(s.PlainDataLength(twenty.data(), 20, CDatenFuerDesfireInPort::kCommPlain), 12);
    EXPECT_EQ(s.PlainDataLength(twenty.data(), 20, CDatenFuerDesfireInPort::kCommMac), 12);
    EXPECT_EQ(s.PlainDataLength(twenty.data(), 5, CDatenFuerDesfireInPort::kCommMac), 0);

    // payload(3) CRC(4) 0x80 zeros
    Bytes padded = {1, 2, 3, 9, 9, 9, 9, 0x80, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(s.PlainDataLength(padded.data(), 16, CDatenFuerDesfireInPort::kCommEnciphered), 3);
    padded[7] = 0x81; // no marker
    EXPECT_EQ(s.PlainDataLength(padded.data(), 16, CDatenFuerDesfireInPort::kCommEnciphered), 0);
    const Bytes zeros(16, 0);
    EXPECT_EQ(s.PlainDataLength(zeros.data(), 16, CDatenFuerDesfireInPort::kCommEnciphered), 0);
    const Bytes early = {1, 0x80, 0, 0}; // no room for the CRC before the marker
    EXPECT_EQ(s.PlainDataLength(early.data(), 4, CDatenFuerDesfireInPort::kCommEnciphered), -3);
}

} // namespace
