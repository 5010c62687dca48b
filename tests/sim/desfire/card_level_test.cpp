// Activation data and the commands on the card as a whole.
#include "tests/sim/desfire/card_fixture.h"

namespace desfire_test {
namespace {

using CardLevelTest = CardTest;

TEST_F(CardLevelTest, ActivationDataOfAFactoryCard)
{
    EXPECT_EQ(card.Atqa(), 0x0344);
    EXPECT_EQ(card.Sak(), 0x20);
    EXPECT_EQ(card.Uid(), (Bytes{0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66}));
    EXPECT_EQ(card.Ats(), (Bytes{0x75, 0x77, 0x81, 0x02, 0x80})); // without TL
}

TEST_F(CardLevelTest, GetVersionInThreeFrames)
{
    EXPECT_EQ(Tx({0x60}), (Bytes{0xAF, 0x04, 0x01, 0x01, 0x01, 0x00, 0x1A, 0x05}));
    EXPECT_EQ(Tx({0xAF}), (Bytes{0xAF, 0x04, 0x01, 0x01, 0x01, 0x04, 0x1A, 0x05}));
    EXPECT_EQ(Tx({0xAF}),
              (Bytes{0x00, 0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0xBA, 0x7C, 0x11, 0x42, 0x00, 0x14, 0x23}));
    EXPECT_EQ(Tx({0xAF}), Bytes{0x1C}); // nothing left to fetch

    DesfireCardOptions o = SeededOptions();
    o.storageSize = 4096;
    DesfireCard small(o);
    EXPECT_EQ(small.Transceive({0x60})[6], 0x18);
}

TEST_F(CardLevelTest, AnotherCommandAbortsAnUnfinishedOne)
{
    HostSession s = Auth(Algo::Tdes, kZeroKey);
    s.Command({0x60});
    ASSERT_EQ(Tx({0x60})[0], 0xAF);
    EXPECT_EQ(Tx({0x6E}), Bytes{0xCA});
    EXPECT_FALSE(CardAuthenticated());
    EXPECT_EQ(Tx({0x6E}), (Bytes{0x00, 0x00, 0x1F, 0x00}));

    // The same for an authentication waiting for its second pass.
    ASSERT_EQ(Tx({0x1A, 0x00})[0], 0xAF);
    EXPECT_EQ(Tx({0x1A, 0x00}), Bytes{0xCA});
    EXPECT_EQ(Tx({0xAF, 0x00}), Bytes{0x1C});
}

TEST_F(CardLevelTest, FormatNeedsTheCardMasterKeyAndFreesAllMemory)
{
    EXPECT_EQ(Tx({0xFC}), Bytes{0xAE});
    ASSERT_EQ(CreateApp(0x000001, 0x0F, 0x01), Bytes{0x00});
    ASSERT_EQ(CreateApp(0x000002, 0x0F, 0x8E), Bytes{0x00});
    EXPECT_LT(card.State().memory.Free(), 7936u);

    // An application key is not enough.
    ASSERT_EQ(Select(0x000001), Bytes{0x00});
    Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(Tx({0xFC}), Bytes{0xAE});

    ASSERT_EQ(Select(0x000000), Bytes{0x00});
    HostSession s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(MacedTx(s, {0xFC}), Bytes{0x00});
    EXPECT_EQ(MacedTx(s, {0x6E}), (Bytes{0x00, 0x00, 0x1F, 0x00}));
    EXPECT_EQ(MacedTx(s, {0x6A}), Bytes{0x00});
}

TEST_F(CardLevelTest, FormatLockIsForGood)
{
    HostSession s = Auth(Algo::Tdes, kZeroKey);
    ASSERT_TRUE(s.AnswerMacOk(Tx(s.Enciphered({0x5C, 0x00}, {0x01}))));
    EXPECT_EQ(Tx({0xFC}), Bytes{0x9D});

    s = Auth(Algo::Tdes, kZeroKey);
    ASSERT_TRUE(s.AnswerMacOk(Tx(s.Enciphered({0x5C, 0x00}, {0x00}))));
    EXPECT_EQ(Tx({0xFC}), Bytes{0x9D});
    EXPECT_TRUE(card.State().config.formatDisabled);
}

TEST_F(CardLevelTest, RandomUidHidesTheRealOneUntilAuthenticated)
{
    HostSession s = Auth(Algo::Tdes, kZeroKey);
    ASSERT_TRUE(s.AnswerMacOk(Tx(s.Enciphered({0x5C, 0x00}, {0x02}))));
    const Bytes realUid{0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    EXPECT_EQ(card.Uid(), realUid); // this activation keeps its UID

    card.OnFieldReset();
    const Bytes first = card.Uid();
    ASSERT_EQ(first.size(), 4u);
    EXPECT_EQ(first[0], 0x08);
    EXPECT_EQ(card.Atqa(), 0x0304);
    card.OnFieldReset();
    EXPECT_NE(card.Uid(), first);
    EXPECT_FALSE(CardAuthenticated());

    Tx({0x60});
    Tx({0xAF});
    const Bytes f3 = Tx({0xAF});
    EXPECT_EQ(Bytes(f3.begin() + 1, f3.begin() + 8), Bytes(7, 0x00));

    s = Auth(Algo::Tdes, kZeroKey);
    s.Command({0x51});
    const Bytes answer = Tx({0x51});
    ASSERT_EQ(answer.size(), 17u);
    const Bytes plain = s.Decipher(Bytes(answer.begin() + 1, answer.end()));
    EXPECT_EQ(Bytes(plain.begin(), plain.begin() + 7), realUid);
}

TEST_F(CardLevelTest, GetCardUidNeedsAnyAuthentication)
{
    EXPECT_EQ(Tx({0x51}), Bytes{0xAE});
    ASSERT_EQ(CreateApp(0x112233, 0x0F, 0x81), Bytes{0x00});
    ASSERT_EQ(Select(0x112233), Bytes{0x00});
    HostSession s = Auth(Algo::Aes, kZeroKey, 0);
    s.Command({0x51});
    const Bytes answer = Tx({0x51});
    ASSERT_EQ(answer.size(), 17u);
    EXPECT_EQ(s.Decipher(Bytes(answer.begin() + 1, answer.end()))[0], 0x04);
}

TEST_F(CardLevelTest, NewAtsAppliesFromTheNextActivation)
{
    HostSession s = Auth(Algo::Tdes, kZeroKey);
    ASSERT_TRUE(s.AnswerMacOk(Tx(s.Enciphered({0x5C, 0x02}, {0x06, 0x75, 0x77, 0x81, 0x02, 0xC1}, true))));
    EXPECT_EQ(card.Ats(), (Bytes{0x75, 0x77, 0x81, 0x02, 0xC1}));

    // T0 announces TA, TB and TC but only two bytes follow.
    s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(Tx(s.Enciphered({0x5C, 0x02}, {0x04, 0x75, 0x77, 0x81}, true)), Bytes{0x9E});
    // The length byte must match what was sent.
    s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(Tx(s.Enciphered({0x5C, 0x02}, {0x0C, 0x75, 0x77, 0x81, 0x02, 0xC1}, true)), Bytes{0x7E});
    // Zero padding instead of 0x80.
    s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(Tx(s.Enciphered({0x5C, 0x02}, {0x06, 0x75, 0x77, 0x81, 0x02, 0xC2})), Bytes{0x1E});
    EXPECT_EQ(card.Ats(), (Bytes{0x75, 0x77, 0x81, 0x02, 0xC1}));

    // Sixteen bytes in an AES session: exactly two enciphered blocks.
    SetMasterKey(CryptoMethod::Aes, kAesKey);
    s = Auth(Algo::Aes, kAesKey);
    Bytes ats{0x10, 0x75, 0x77, 0x81, 0x02};
    while (ats.size() < 16) ats.push_back(static_cast<uint8_t>(ats.size()));
    const Bytes frame = s.Enciphered({0x5C, 0x02}, ats, true);
    EXPECT_EQ(frame.size(), 2u + 32u);
    EXPECT_TRUE(s.AnswerMacOk(Tx(frame)));
    EXPECT_EQ(card.Ats().size(), 15u);
}

TEST_F(CardLevelTest, DefaultKeyGoesToNewApplications)
{
    HostSession s = Auth(Algo::Tdes, kZeroKey);
    ASSERT_TRUE(
        s.AnswerMacOk(Tx(s.Enciphered({0x5C, 0x01}, reference::Cat(reference::Cat(kAesKey, Bytes(8, 0)), {0x05})))));
    ASSERT_EQ(MacedTx(s, {0xCA, 0x01, 0x02, 0x03, 0x0F, 0x82}), Bytes{0x00});
    ASSERT_EQ(Select(0x030201), Bytes{0x00});
    HostSession app = Auth(Algo::Aes, kAesKey, 1);
    EXPECT_EQ(MacedTx(app, {0x64, 0x01}), (Bytes{0x00, 0x05}));
}

TEST_F(CardLevelTest, SetConfigurationRefusals)
{
    EXPECT_EQ(Tx({0x5C}), Bytes{0x7E});
    EXPECT_EQ(Tx(reference::Cat({0x5C, 0x00}, Bytes(8, 0))), Bytes{0xAE});
    HostSession s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(Tx(s.Enciphered({0x5C, 0x03}, {0x00})), Bytes{0x9E});
    s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(Tx(s.Enciphered({0x5C, 0x00}, {0x04})), Bytes{0x9E}); // unknown setting bit
    s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(Tx(s.Enciphered({0x5C, 0x01}, Bytes(33, 0))), Bytes{0x7E}); // one block too many
}

TEST_F(CardLevelTest, ErrorsCostTheAuthenticationButNotTheSelection)
{
    ASSERT_EQ(CreateApp(0x0000AA, 0x0F, 0x01), Bytes{0x00});
    ASSERT_EQ(Select(0x0000AA), Bytes{0x00});
    HostSession s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(Tx({0x99}), Bytes{0x1C});
    EXPECT_FALSE(CardAuthenticated());
    EXPECT_EQ(card.CurrentSession().SelectedAid(), 0x0000AAu);

    Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(Tx({}), Bytes{0x7E});
    EXPECT_FALSE(CardAuthenticated());
    Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(Tx({0x6E, 0x00}), Bytes{0x7E});
    EXPECT_FALSE(CardAuthenticated());

    Auth(Algo::Tdes, kZeroKey);
    card.OnFieldReset();
    EXPECT_FALSE(CardAuthenticated());
    EXPECT_EQ(card.CurrentSession().SelectedAid(), 0u);
}

} // namespace
} // namespace desfire_test
