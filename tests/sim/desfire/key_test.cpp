// Key settings, key versions, key values and application deletion.
#include "tests/sim/desfire/card_fixture.h"

namespace desfire_test {
namespace {

using reference::Cat;
using reference::Crc32;

const Bytes kNewAes{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF};
// Parity bits (bit 0 of bytes 0-7) 1,0,1,1,0,0,1,0: key version 0xB2.
const Bytes kVersionedDes{0x11, 0x22, 0x33, 0x45, 0x54, 0x66, 0x77, 0x88,
                          0x98, 0xA9, 0xBA, 0xCB, 0xDC, 0xED, 0xFE, 0x0F};
const Bytes k3K{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x10, 0x20, 0x30, 0x40,
                0x50, 0x60, 0x70, 0x80, 0x11, 0x21, 0x31, 0x41, 0x51, 0x61, 0x71, 0x81};

uint8_t DesKeyVersionOf(const Bytes& key)
{
    uint8_t v = 0;
    for (size_t i = 0; i < 8; ++i) v = static_cast<uint8_t>(v << 1 | (key[i] & 1));
    return v;
}

class KeyTest : public CardTest {
protected:
    // An application with `count` keys of `method`, selected, nothing
    // authenticated.
    void App(uint32_t aid, uint8_t settings, uint8_t keyByte)
    {
        ASSERT_EQ(Select(0), Bytes{0x00});
        ASSERT_EQ(CreateApp(aid, settings, keyByte), Bytes{0x00});
        ASSERT_EQ(Select(aid), Bytes{0x00});
    }
    uint8_t KeyVersion(uint8_t keyNo)
    {
        const Bytes a = Tx({0x64, keyNo});
        EXPECT_EQ(a.size(), 2u);
        return a.size() == 2 ? a[1] : 0xFF;
    }
    // Authentication works with `key` and fails with anything else.
    void ExpectKey(Algo algo, const Bytes& key, uint8_t keyNo)
    {
        auto ok = reference::Authenticate(card, algo == Algo::Aes ? 0xAA : 0x1A, keyNo, algo, key,
                                          RndA(algo == Algo::Tdes ? 8 : 16));
        EXPECT_EQ(ok.status, 0x00);
        EXPECT_TRUE(ok.cardProvedKey);
    }
};

TEST_F(KeyTest, CardMasterKeyBecomesAesThroughKeyNumberByte0x80)
{
    // A triple DES session, so the host sends no version byte: the card
    // reads the first CRC byte as the version, and the rest of the CRC
    // still checks (the CRC of data || its low byte is the CRC shifted).
    HostSession s = Auth(Algo::Tdes, kZeroKey);
    const Bytes frame = ChangeKeyCmd(s, 0x80, kNewAes, std::nullopt);
    ASSERT_EQ(frame.size(), 26u);
    EXPECT_EQ(Tx(frame), Bytes{0x00}); // no MAC: the session is gone
    EXPECT_FALSE(CardAuthenticated());
    const uint8_t crcLow = static_cast<uint8_t>(Crc32(Cat({0xC4, 0x80}, kNewAes)));
    EXPECT_EQ(KeyVersion(0), crcLow);
    EXPECT_EQ(Tx({0x45}), (Bytes{0x00, 0x0F, 0x81}));
    EXPECT_EQ(Tx({0x1A, 0x00}), Bytes{0xAE});
    ExpectKey(Algo::Aes, kNewAes, 0);

    // In the AES session the version byte is sent and stored as given.
    s = Auth(Algo::Aes, kNewAes);
    EXPECT_EQ(Tx(ChangeKeyCmd(s, 0x80, kAesKey, uint8_t{0x42})), Bytes{0x00});
    EXPECT_EQ(KeyVersion(0), 0x42);
    ExpectKey(Algo::Aes, kAesKey, 0);

    // Back to a DES key (byte 0x00): no version byte, the version comes
    // from the parity bits.
    s = Auth(Algo::Aes, kAesKey);
    EXPECT_EQ(Tx(ChangeKeyCmd(s, 0x00, kVersionedDes, std::nullopt)), Bytes{0x00});
    EXPECT_EQ(KeyVersion(0), 0xB2);
    EXPECT_EQ(Tx({0x45}), (Bytes{0x00, 0x0F, 0x01}));
    ExpectKey(Algo::Tdes, kVersionedDes, 0);

    // And to three-key triple DES (byte 0x40, 24 key bytes).
    s = Auth(Algo::Tdes, kVersionedDes);
    EXPECT_EQ(Tx(ChangeKeyCmd(s, 0x40, k3K, std::nullopt)), Bytes{0x00});
    EXPECT_EQ(Tx({0x45}), (Bytes{0x00, 0x0F, 0x41}));
    ExpectKey(Algo::Tdes3K, k3K, 0);
}

TEST_F(KeyTest, FactoryKeyTurnsIntoTheSameAesKey)
{
    // The host's "new key type AES" with old and new key both zero.
    HostSession s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(Tx(ChangeKeyCmd(s, 0x80, kZeroKey, std::nullopt)), Bytes{0x00});
    EXPECT_EQ(card.State().masterKeys.method, CryptoMethod::Aes);
    EXPECT_EQ(KeyVersion(0), static_cast<uint8_t>(Crc32(Cat({0xC4, 0x80}, kZeroKey))));
    ExpectKey(Algo::Aes, kZeroKey, 0);
}

TEST_F(KeyTest, CardMasterKeyRefusals)
{
    HostSession s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(Tx(ChangeKeyCmd(s, 0xC0, kNewAes, std::nullopt)), Bytes{0x9E}); // method 3
    s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(Tx(ChangeKeyCmd(s, 0x01, kVersionedDes, std::nullopt)), Bytes{0x40});
    // A version byte where the card expects none: the CRC lands elsewhere.
    s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(Tx(ChangeKeyCmd(s, 0x00, kVersionedDes, uint8_t{0x01})), Bytes{0x1E});
    s = Auth(Algo::Tdes, kZeroKey);
    Bytes frame = ChangeKeyCmd(s, 0x00, kVersionedDes, std::nullopt);
    frame.push_back(0x00);
    EXPECT_EQ(Tx(frame), Bytes{0x7E});
    EXPECT_EQ(Tx(Bytes{0xC4, 0x00}), Bytes{0xAE}); // not authenticated

    // Master key not changeable.
    card.State().masterKeys.settings = 0x0E;
    s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(Tx(ChangeKeyCmd(s, 0x00, kVersionedDes, std::nullopt)), Bytes{0x9D});
    ExpectKey(Algo::Tdes, kZeroKey, 0);
}

TEST_F(KeyTest, ApplicationKeyChangedWithItselfAndWithTheMasterKey)
{
    App(0x0A0B0C, 0x0F, 0x83); // AES, 3 keys, change with the master key
    HostSession s = Auth(Algo::Aes, kZeroKey, 0);
    // Key 2 with key 0: XORed, two CRCs; the session stays.
    const Bytes frame = ChangeKeyCmd(s, 0x02, kNewAes, uint8_t{0x07}, kZeroKey);
    ASSERT_EQ(frame.size(), 34u);
    const Bytes answer = Tx(frame);
    ASSERT_EQ(answer.size(), 9u);
    EXPECT_TRUE(s.AnswerMacOk(answer));
    EXPECT_EQ(MacedTx(s, {0x64, 0x02}), (Bytes{0x00, 0x07}));
    // The master key itself: plain new key, session ended.
    EXPECT_EQ(Tx(ChangeKeyCmd(s, 0x00, kAesKey, uint8_t{0x09})), Bytes{0x00});
    EXPECT_FALSE(CardAuthenticated());
    EXPECT_EQ(KeyVersion(0), 0x09);
    EXPECT_EQ(KeyVersion(1), 0x00);
    EXPECT_EQ(KeyVersion(2), 0x07);
    EXPECT_EQ(Tx({0x64, 0x03}), Bytes{0x40});
    ExpectKey(Algo::Aes, kNewAes, 2);
    ExpectKey(Algo::Aes, kAesKey, 0);

    // Another key whose second CRC is over the old key, not the new one.
    s = Auth(Algo::Aes, kAesKey, 0);
    Bytes data = kNewAes; // XOR the old key 1, which is zero
    data.push_back(0x01);
    Bytes plain = Cat(data, reference::Le32(Crc32(Cat({0xC4, 0x01}, data))));
    plain = Cat(plain, reference::Le32(Crc32(Bytes(16, 0x00))));
    plain.resize(32, 0);
    EXPECT_EQ(Tx(Cat({0xC4, 0x01}, reference::CbcEncrypt(s.algo, s.sessionKey, s.iv, plain))), Bytes{0x1E});
    ExpectKey(Algo::Aes, kZeroKey, 1);
}

TEST_F(KeyTest, DesApplicationKeysCarryTheirVersionInTheParityBits)
{
    App(0x000D35, 0x0F, 0x02);
    HostSession s = Auth(Algo::Tdes, kZeroKey, 0);
    const Bytes frame = ChangeKeyCmd(s, 0x01, kVersionedDes, std::nullopt, kZeroKey);
    ASSERT_EQ(frame.size(), 26u);
    EXPECT_TRUE(s.AnswerMacOk(Tx(frame)));
    EXPECT_EQ(MacedTx(s, {0x64, 0x01}), (Bytes{0x00, 0xB2}));
    ExpectKey(Algo::Tdes, kVersionedDes, 1);

    // Three-key triple DES application: 24-byte keys, 32-byte cryptogram.
    App(0x0003D3, 0x0F, 0x42);
    s = Auth(Algo::Tdes3K, Bytes(24, 0), 0);
    const Bytes frame3 = ChangeKeyCmd(s, 0x01, k3K, std::nullopt, Bytes(24, 0));
    ASSERT_EQ(frame3.size(), 2u + 32u);
    EXPECT_TRUE(s.AnswerMacOk(Tx(frame3)));
    EXPECT_EQ(MacedTx(s, {0x64, 0x01}), (Bytes{0x00, DesKeyVersionOf(k3K)}));
    ExpectKey(Algo::Tdes3K, k3K, 1);
}

TEST_F(KeyTest, ChangeKeyAccessRights)
{
    struct Case {
        uint8_t access;
        uint8_t authKey;
        uint8_t target;
        uint8_t expected;
    };
    // Key 0 is changed with key 0 when bit 0 allows; 0xE: each key with
    // itself; 0xF: the others never; N: the others with key N, key N
    // itself with the master key.
    const Case cases[] = {
        {0x0, 0, 1, 0x00}, {0x0, 1, 1, 0xAE}, {0xE, 1, 1, 0x00}, {0xE, 0, 1, 0xAE}, {0xE, 0, 0, 0x00},
        {0xF, 0, 1, 0x9D}, {0xF, 1, 1, 0x9D}, {0xF, 0, 0, 0x00}, {0x2, 2, 1, 0x00}, {0x2, 0, 1, 0xAE},
        {0x2, 2, 2, 0xAE}, {0x2, 0, 2, 0x00}, {0x2, 1, 0, 0xAE},
    };
    uint32_t aid = 0x100;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "access " << int(c.access) << " auth " << int(c.authKey) << " key " << int(c.target));
        App(++aid, static_cast<uint8_t>(c.access << 4 | 0x0F), 0x83);
        HostSession s = Auth(Algo::Aes, kZeroKey, c.authKey);
        const Bytes old = c.authKey == c.target ? Bytes{} : kZeroKey;
        const Bytes answer = Tx(ChangeKeyCmd(s, c.target, kNewAes, uint8_t{0x05}, old));
        EXPECT_EQ(answer[0], c.expected);
        if (c.expected == 0x00)
            ExpectKey(Algo::Aes, kNewAes, c.target);
        else
            ExpectKey(Algo::Aes, kZeroKey, c.target);
    }
    // The application master key with bit 0 clear.
    App(++aid, 0x0E, 0x81);
    HostSession s = Auth(Algo::Aes, kZeroKey, 0);
    EXPECT_EQ(Tx(ChangeKeyCmd(s, 0x00, kNewAes, uint8_t{0x05})), Bytes{0x9D});
}

TEST_F(KeyTest, ChangeKeySettings)
{
    App(0x5E7, 0x0F, 0x81);
    EXPECT_EQ(Tx({0x54, 0x00}), Bytes{0xAE});
    HostSession s = Auth(Algo::Aes, kZeroKey, 0);
    const Bytes frame = s.Enciphered({0x54}, {0xE5});
    ASSERT_EQ(frame.size(), 17u);
    EXPECT_TRUE(s.AnswerMacOk(Tx(frame)));
    EXPECT_EQ(MacedTx(s, {0x45}), (Bytes{0x00, 0xE5, 0x81}));
    // Settings no longer changeable (bit 3 clear), nor readable without
    // the master key (bit 1 clear).
    EXPECT_EQ(Tx(s.Enciphered({0x54}, {0x0F})), Bytes{0x9D});
    EXPECT_EQ(Tx({0x45}), Bytes{0xAE});

    // Wrong CRC and wrong length at the card level.
    ASSERT_EQ(Select(0), Bytes{0x00});
    s = Auth(Algo::Tdes, kZeroKey);
    Bytes plain = Cat({0x0D}, reference::Le32(Crc32({0x54, 0x0F})));
    plain.resize(8, 0);
    EXPECT_EQ(Tx(Cat({0x54}, reference::CbcEncrypt(s.algo, s.sessionKey, s.iv, plain))), Bytes{0x1E});
    s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(Tx(Cat(s.Enciphered({0x54}, {0x0D}), {0x00})), Bytes{0x7E});
    s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_TRUE(s.AnswerMacOk(Tx(s.Enciphered({0x54}, {0x0D}))));
    EXPECT_EQ(card.State().masterKeys.settings, 0x0D);
}

TEST_F(KeyTest, DeleteApplication)
{
    ASSERT_EQ(CreateApp(0x000001, 0x0F, 0x81), Bytes{0x00});
    ASSERT_EQ(CreateApp(0x000002, 0x0F, 0x81), Bytes{0x00});
    const uint32_t freeBefore = FreeMemory();
    EXPECT_EQ(Tx({0xDA, 0x01, 0x00, 0x00}), Bytes{0xAE});
    EXPECT_EQ(Tx({0xDA, 0x01, 0x00}), Bytes{0x7E});

    // With the card master key, from the card level: a MACed answer.
    HostSession s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(MacedTx(s, {0xDA, 0x01, 0x00, 0x00}), Bytes{0x00});
    EXPECT_EQ(MacedTx(s, {0xDA, 0x01, 0x00, 0x00}), Bytes{0xA0});
    EXPECT_EQ(Tx({0x6A}), (Bytes{0x00, 0x02, 0x00, 0x00}));
    // Deleting frees no memory; the AID may be used again.
    EXPECT_EQ(FreeMemory(), freeBefore);
    EXPECT_EQ(CreateApp(0x000001, 0x0F, 0x81), Bytes{0x00});

    // With the application's own master key while creation is free: the
    // card leaves the deleted application for the card level, without MAC.
    ASSERT_EQ(Select(0x000002), Bytes{0x00});
    s = Auth(Algo::Aes, kZeroKey, 0);
    s.Command({0xDA, 0x02, 0x00, 0x00});
    EXPECT_EQ(Tx({0xDA, 0x02, 0x00, 0x00}), Bytes{0x00});
    EXPECT_FALSE(CardAuthenticated());
    EXPECT_EQ(card.CurrentSession().SelectedAid(), 0u);

    // Without free create/delete only the card master key deletes.
    card.State().masterKeys.settings = 0x0B;
    ASSERT_EQ(Select(0x000001), Bytes{0x00});
    s = Auth(Algo::Aes, kZeroKey, 0);
    EXPECT_EQ(MacedTx(s, {0xDA, 0x01, 0x00, 0x00}), Bytes{0xAE});
    ASSERT_EQ(Select(0), Bytes{0x00});
    s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(MacedTx(s, {0xDA, 0x01, 0x00, 0x00}), Bytes{0x00});
    EXPECT_EQ(MacedTx(s, {0xDA, 0x00, 0x00, 0x00}), Bytes{0xA0});
}

} // namespace
} // namespace desfire_test
