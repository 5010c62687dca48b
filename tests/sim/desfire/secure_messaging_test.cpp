// A whole authenticated session in which the test computes every MAC, CRC
// and IV step the host makes, for each kind of card master key.
#include "tests/sim/desfire/card_fixture.h"

namespace desfire_test {
namespace {

struct KeyCase {
    const char* name;
    CryptoMethod method;
    Bytes key;
};

void PrintTo(const KeyCase& c, std::ostream* os)
{
    *os << c.name;
}

class SecureMessagingTest : public CardTest, public ::testing::WithParamInterface<KeyCase> {
protected:
    HostSession Login()
    {
        SetMasterKey(GetParam().method, GetParam().key);
        return Auth(AlgoOf(GetParam().method), GetParam().key);
    }
};

TEST_P(SecureMessagingTest, EveryAnswerIsMacedWithTheChainedIv)
{
    HostSession s = Login();
    const uint8_t keyCount = GetParam().method == CryptoMethod::Aes ? 0x81 : 0x01;

    EXPECT_EQ(MacedTx(s, {0x45}), (Bytes{0x00, 0x0F, keyCount}));
    EXPECT_EQ(MacedTx(s, {0x64, 0x00}), (Bytes{0x00, 0x00}));
    EXPECT_EQ(MacedTx(s, {0x6E}), (Bytes{0x00, 0x00, 0x1F, 0x00}));
    EXPECT_EQ(MacedTx(s, {0xCA, 0x01, 0x00, 0x00, 0x0F, 0x81}), Bytes{0x00});
    EXPECT_EQ(MacedTx(s, {0x6A}), (Bytes{0x00, 0x01, 0x00, 0x00}));

    // GetVersion: the command is MACed once, the two requests for more
    // frames are not; one MAC over all 28 bytes and the status ends frame 3.
    s.Command({0x60});
    Bytes f1 = Tx({0x60});
    Bytes f2 = Tx({0xAF});
    Bytes f3 = Tx({0xAF});
    ASSERT_EQ(f1.size(), 8u);
    ASSERT_EQ(f2.size(), 8u);
    ASSERT_EQ(f3.size(), 15u + 8u);
    EXPECT_EQ(f1[0], 0xAF);
    EXPECT_EQ(f2[0], 0xAF);
    Bytes all{0x00};
    for (const Bytes* f : {&f1, &f2, &f3}) all.insert(all.end(), f->begin() + 1, f->end());
    EXPECT_TRUE(s.AnswerMacOk(all));

    // GetCardUID: enciphered answer with the CRC over UID and status.
    s.Command({0x51});
    Bytes uidAnswer = Tx({0x51});
    ASSERT_EQ(uidAnswer.size(), 17u);
    const Bytes plain = s.Decipher(Bytes(uidAnswer.begin() + 1, uidAnswer.end()));
    const Bytes uid{0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    EXPECT_EQ(Bytes(plain.begin(), plain.begin() + 7), uid);
    EXPECT_EQ(Bytes(plain.begin() + 7, plain.begin() + 11),
              reference::Le32(reference::Crc32(reference::Cat(uid, {0x00}))));

    // SetConfiguration, default key: enciphered, answered with a MAC
    // chained from the last ciphertext block.
    Bytes defaultKey(24, 0);
    std::copy(kAesKey.begin(), kAesKey.end(), defaultKey.begin());
    Bytes answer = Tx(s.Enciphered({0x5C, 0x01}, reference::Cat(defaultKey, {0x07})));
    EXPECT_TRUE(s.AnswerMacOk(answer));
    EXPECT_EQ(card.State().config.defaultKeyVersion, 0x07);

    EXPECT_EQ(MacedTx(s, {0xFC}), Bytes{0x00});
    EXPECT_TRUE(card.State().applications.empty());
    // Format keeps the session.
    EXPECT_EQ(MacedTx(s, {0x6A}), Bytes{0x00});
    EXPECT_EQ(card.CurrentSession().Iv(), s.iv);
}

TEST_P(SecureMessagingTest, OneWrongStepCostsTheAuthentication)
{
    HostSession s = Login();
    // The host skips the IV step of a plain command; the card's next
    // deciphering then runs from another IV and the CRC fails.
    Tx({0x6E});
    Bytes answer = Tx(s.Enciphered({0x5C, 0x00}, {0x00}));
    EXPECT_EQ(answer, Bytes{0x1E});
    EXPECT_FALSE(CardAuthenticated());
    EXPECT_EQ(Tx({0x51}), Bytes{0xAE});
}

TEST_P(SecureMessagingTest, EncipheredParametersAreCheckedBeforeAnythingChanges)
{
    // Option 0 "random UID" with a flaw in the plain text each time.
    auto frameWith = [](HostSession& s, const Bytes& crcInput, uint8_t padding) {
        Bytes plain = reference::Cat({0x02}, reference::Le32(reference::Crc32(crcInput)));
        plain.push_back(padding);
        while (plain.size() % s.Bs()) plain.push_back(0);
        return reference::Cat({0x5C, 0x00}, reference::CbcEncrypt(s.algo, s.sessionKey, s.iv, plain));
    };
    HostSession s = Login();
    EXPECT_EQ(Tx(frameWith(s, {0x5C, 0x01, 0x02}, 0x00)), Bytes{0x1E}); // CRC over another header
    s = Login();
    EXPECT_EQ(Tx(frameWith(s, {0x5C, 0x00, 0x02}, 0x01)), Bytes{0x1E}); // padding not zero
    s = Login();
    EXPECT_EQ(Tx(reference::Cat(s.Enciphered({0x5C, 0x00}, {0x02}), {0x00})), Bytes{0x7E});
    EXPECT_FALSE(card.State().config.randomUid);
    s = Login();
    Bytes accepted = Tx(frameWith(s, {0x5C, 0x00, 0x02}, 0x00));
    EXPECT_TRUE(s.AnswerMacOk(accepted));
    EXPECT_TRUE(card.State().config.randomUid);
}

INSTANTIATE_TEST_SUITE_P(MasterKeys, SecureMessagingTest,
                         ::testing::Values(KeyCase{"FactoryDes", CryptoMethod::Tdes, kZeroKey},
                                           KeyCase{"TwoKeyTripleDes", CryptoMethod::Tdes, k2K3DesKey},
                                           KeyCase{"Aes", CryptoMethod::Aes, kAesKey}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace desfire_test
