// File data transfer against an OpenSSL model of the card: how a protected
// command is cut into frames, and how a collected answer is opened again.
#include <gtest/gtest.h>

#include <cstring>

#include "desfire/transfer.h"
#include "desfire/exchange.h"
#include "tests/support/openssl_reference.h"

namespace ref = kavex::test::reference;

using namespace kavex;

using ref::Bytes;
using ref::Cat;
using namespace kavex::desfire;

namespace {

const Bytes kSessionKey = {0x3C, 0x91, 0x0E, 0x55, 0x72, 0xA8, 0x1D, 0xC4,
                           0x69, 0x0B, 0xF2, 0x36, 0x8E, 0x47, 0xD0, 0x5A};

void Establish(CDatenFuerDesfireInPort& s, bool aes)
{
    s.crypt.Init(aes ? DF8Crypt::kMethodAES : DF8Crypt::kMethod3DES);
    std::memcpy(s.crypt.sessionKey, kSessionKey.data(), 16);
    s.crypt.DeriveCmacSubkeys();
    s.authState = aes ? CDatenFuerDesfireInPort::kAuthenticatedAES : CDatenFuerDesfireInPort::kAuthenticatedISO;
    s.authKeyNo = 1;
}

Bytes Pattern(size_t n, uint8_t seed = 1)
{
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 7);
    return b;
}

Bytes WriteHeader(size_t len)
{
    return {0x3D,
            0x02,
            0x10,
            0x00,
            0x00,
            static_cast<uint8_t>(len),
            static_cast<uint8_t>(len >> 8),
            static_cast<uint8_t>(len >> 16)};
}

TEST(TransferFrames, HeaderAndFiftyTwoBytesThenFiftyNinePerFrame)
{
    for (size_t n : {0u, 1u, 52u, 53u, 60u, 111u, 112u, 7600u}) {
        const Bytes message = Cat(WriteHeader(n), Pattern(n));
        const auto frames = SplitFrames(message, 8);
        const size_t expected = n <= 52 ? 1 : 1 + (n - 52 + 58) / 59;
        ASSERT_EQ(frames.size(), expected) << n;
        EXPECT_EQ(frames[0].size(), 8 + std::min<size_t>(n, 52)) << n;
        Bytes joined = frames[0];
        for (size_t i = 1; i < frames.size(); ++i) {
            EXPECT_EQ(frames[i][0], 0xAF) << n;
            EXPECT_LE(frames[i].size(), 60u) << n;
            if (i + 1 < frames.size()) {
                EXPECT_EQ(frames[i].size(), 60u) << n;
            }
            joined.insert(joined.end(), frames[i].begin() + 1, frames[i].end());
        }
        EXPECT_EQ(joined, message) << n;
    }
    // 60 plain bytes: header and 52, then 0xAF and the last 8.
    const Bytes sixty = Pattern(60);
    const auto frames = SplitFrames(Cat(WriteHeader(60), sixty), 8);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1], Cat({0xAF}, Bytes(sixty.begin() + 52, sixty.end())));
}

class TransferProtection : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        aes = GetParam();
        card = {aes, kSessionKey};
        cardIv.assign(card.Bs(), 0);
        Establish(host, aes);
    }
    Bytes HostIv() const { return Bytes(host.crypt.iv, host.crypt.iv + card.Bs()); }

    bool aes = false;
    ref::Cipher card;
    Bytes cardIv;
    CDatenFuerDesfireInPort host;
};

TEST_P(TransferProtection, EachModeProducesWhatTheCardChecks)
{
    for (size_t n : {0u, 1u, 53u, 7600u}) {
        const Bytes header = WriteHeader(n);
        const Bytes data = Pattern(n, static_cast<uint8_t>(n));
        const Bytes plain = Cat(header, data);

        // Plain: only the IV moves, across the whole message of all frames.
        Bytes message = plain;
        ProtectMessage(host, message, 8, CDatenFuerDesfireInPort::kCommPlain);
        EXPECT_EQ(message, plain) << n;
        ref::Cmac(card, cardIv, plain);
        EXPECT_EQ(HostIv(), cardIv) << n;

        message = plain;
        ProtectMessage(host, message, 8, CDatenFuerDesfireInPort::kCommMac);
        EXPECT_EQ(message, Cat(plain, ref::Cmac(card, cardIv, plain))) << n;

        message = plain;
        ProtectMessage(host, message, 8, CDatenFuerDesfireInPort::kCommEnciphered);
        const Bytes cipher = ref::Encrypt(card, cardIv, Cat(data, ref::Crc(plain)));
        EXPECT_EQ(message, Cat(header, cipher)) << n;
        EXPECT_EQ(HostIv(), cardIv) << n;
    }
}

TEST_P(TransferProtection, KnownLengthAnswersOpenOnlyWithAllTheirBytes)
{
    const Bytes data = Pattern(48);
    // Mode 3: payload, CRC over payload and status, zero padding.
    Bytes collected = Cat({0x00}, ref::Encrypt(card, cardIv, Cat(data, ref::Crc(Cat(data, {0x00})))));
    int status = 0;
    EXPECT_EQ(OpenAnswer(host, collected, CDatenFuerDesfireInPort::kCommEnciphered, 48, &status), 48);
    EXPECT_EQ(Bytes(collected.begin() + 1, collected.begin() + 49), data);
    EXPECT_EQ(HostIv(), cardIv);

    // Fewer enciphered bytes than asked for.
    collected = Cat({0x00}, ref::Encrypt(card, cardIv, Cat(Pattern(8), ref::Crc(Cat(Pattern(8), {0x00})))));
    EXPECT_EQ(OpenAnswer(host, collected, CDatenFuerDesfireInPort::kCommEnciphered, 48, &status), -1);
    EXPECT_EQ(status, kStatusDataAmount);

    // Mode 1: an authentic MAC over too little data.
    Establish(host, aes);
    cardIv.assign(card.Bs(), 0);
    collected = Cat({0x00, 0x11, 0x22}, ref::Cmac(card, cardIv, {0x11, 0x22, 0x00}));
    EXPECT_EQ(OpenAnswer(host, collected, CDatenFuerDesfireInPort::kCommMac, 4, &status), -1);
    EXPECT_EQ(status, kStatusDataAmount);
    EXPECT_TRUE(host.IsAuthenticated());
    collected = Cat(Cat({0x00}, data), ref::Cmac(card, cardIv, Cat(data, {0x00})));
    EXPECT_EQ(OpenAnswer(host, collected, CDatenFuerDesfireInPort::kCommPlain, 48, &status), 48);
    EXPECT_EQ(HostIv(), cardIv);

    // A wrong MAC costs the session.
    collected = Cat(Cat({0x00}, data), ref::Cmac(card, cardIv, Cat(data, {0x00})));
    collected[5] ^= 0x40;
    EXPECT_EQ(OpenAnswer(host, collected, CDatenFuerDesfireInPort::kCommMac, 48, &status), -1);
    EXPECT_EQ(status, kStatusMacMismatch);
    EXPECT_FALSE(host.IsAuthenticated());

    // Not authenticated: the bytes are the payload, and there must be enough.
    collected = Cat({0x00}, Pattern(3));
    EXPECT_EQ(OpenAnswer(host, collected, CDatenFuerDesfireInPort::kCommMac, 4, &status), -1);
    EXPECT_EQ(status, kStatusDataAmount);
    EXPECT_EQ(OpenAnswer(host, collected, CDatenFuerDesfireInPort::kCommMac, -1, &status), 3);
}

TEST_P(TransferProtection, UnknownLengthIsFoundThroughThePaddingMarker)
{
    for (size_t n : {0u, 1u, 11u, 12u, 27u, 100u}) {
        const Bytes data = Pattern(n);
        Bytes plain = Cat(Cat(data, ref::Crc(Cat(data, {0x00}))), {0x80});
        Bytes collected = Cat({0x00}, ref::Encrypt(card, cardIv, plain));
        int status = 0;
        EXPECT_EQ(OpenAnswer(host, collected, CDatenFuerDesfireInPort::kCommEnciphered, -1, &status),
                  static_cast<long>(n))
            << n;
        EXPECT_EQ(Bytes(collected.begin() + 1, collected.begin() + 1 + static_cast<long>(n)), data) << n;
    }

    // A marker with no room for a CRC in front of it: damaged, not empty.
    Bytes collected = Cat({0x00}, ref::Encrypt(card, cardIv, {0x01, 0x02, 0x80}));
    int status = 0;
    EXPECT_EQ(OpenAnswer(host, collected, CDatenFuerDesfireInPort::kCommEnciphered, -1, &status), -1);
    EXPECT_EQ(status, kStatusCrcMismatch);
    EXPECT_TRUE(host.IsAuthenticated());

    // Zero padding without a marker leaves nothing to check the CRC against.
    const Bytes data = Pattern(5);
    collected = Cat({0x00}, ref::Encrypt(card, cardIv, Cat(data, ref::Crc(Cat(data, {0x00})))));
    EXPECT_EQ(OpenAnswer(host, collected, CDatenFuerDesfireInPort::kCommEnciphered, -1, &status), -1);
    EXPECT_EQ(status, kStatusCrcMismatch);
}

INSTANTIATE_TEST_SUITE_P(AesAndTripleDes, TransferProtection, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "AES" : "TDES"; });

} // namespace
