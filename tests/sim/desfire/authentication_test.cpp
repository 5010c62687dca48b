// Three-pass authentication against card and application keys, and the
// session keys both sides must arrive at.
#include "tests/sim/desfire/card_fixture.h"

namespace desfire_test {
namespace {

using AuthenticationTest = CardTest;

TEST(ReferenceHost, ChainedCmacFromZeroIsStandardCmac)
{
    // The tests' own CMAC is the yardstick for the card, so check it first
    // against OpenSSL for both block sizes, with and without padding.
    for (Algo algo : {Algo::Aes, Algo::Tdes3K}) {
        const Bytes key = algo == Algo::Aes ? kAesKey : reference::Cat(k2K3DesKey, Bytes(8, 0x5A));
        for (size_t len : {0u, 1u, 8u, 16u, 17u, 32u}) {
            Bytes data(len);
            for (size_t i = 0; i < len; ++i) data[i] = static_cast<uint8_t>(i * 13);
            Bytes iv(reference::BlockSize(algo), 0);
            reference::ChainedCmac(algo, key, iv, data);
            EXPECT_EQ(iv, reference::OpensslCmac(algo, key, data)) << len;
        }
    }
    EXPECT_EQ(reference::Crc32({'a', 'b', 'c'}), 0xCADBBE3Du);
}

TEST_F(AuthenticationTest, FactoryKeyGivesSingleDesSessionKey)
{
    const Bytes rndA = RndA(8);
    auto r = reference::Authenticate(card, 0x1A, 0, Algo::Tdes, kZeroKey, rndA);
    ASSERT_EQ(r.status, 0x00);
    EXPECT_TRUE(r.cardProvedKey);
    const Bytes expected = reference::Cat(
        reference::Cat(Bytes(rndA.begin(), rndA.begin() + 4), Bytes(r.rndB.begin(), r.rndB.begin() + 4)),
        reference::Cat(Bytes(rndA.begin(), rndA.begin() + 4), Bytes(r.rndB.begin(), r.rndB.begin() + 4)));
    EXPECT_EQ(r.session.sessionKey, expected);
    EXPECT_EQ(card.CurrentSession().SessionKey(), expected);
    EXPECT_EQ(card.CurrentSession().Iv(), Bytes(8, 0));
}

TEST_F(AuthenticationTest, ChangedKeysAuthenticateWithTheirOwnSessionKeyLayout)
{
    struct Case {
        CryptoMethod method;
        Bytes key;
    };
    Bytes parityOnly = k2K3DesKey;
    std::copy(k2K3DesKey.begin(), k2K3DesKey.begin() + 8, parityOnly.begin() + 8);
    parityOnly[15] ^= 0x01; // halves differ in one parity bit: still triple DES
    for (const Case& c : {Case{CryptoMethod::Tdes, k2K3DesKey}, Case{CryptoMethod::Tdes, parityOnly},
                          Case{CryptoMethod::Aes, kAesKey}}) {
        SetMasterKey(c.method, c.key);
        const Algo algo = AlgoOf(c.method);
        HostSession s = Auth(algo, c.key);
        EXPECT_EQ(card.CurrentSession().SessionKey(), s.sessionKey);
        // The session works: a MACed answer verifies with the derived key.
        EXPECT_EQ(MacedTx(s, {0x64, 0x00}), (Bytes{0x00, 0x00}));
    }
}

TEST_F(AuthenticationTest, ThreeKeyTripleDesApplicationKeyUsesSixteenByteChallenges)
{
    ASSERT_EQ(CreateApp(0x010203, 0x0F, 0x42), Bytes{0x00});
    ASSERT_EQ(Select(0x010203), Bytes{0x00});
    HostSession s = Auth(Algo::Tdes3K, Bytes(24, 0x00), 1);
    EXPECT_EQ(card.CurrentSession().SessionKey(), s.sessionKey);
    EXPECT_EQ(MacedTx(s, {0x45}), (Bytes{0x00, 0x0F, 0x42}));
}

TEST_F(AuthenticationTest, RefusalsLeaveNothingAuthenticated)
{
    Auth(Algo::Tdes, kZeroKey);
    // Wrong key: the card finds its RndB' wrong in the second pass.
    auto wrong = reference::Authenticate(card, 0x1A, 0, Algo::Tdes, k2K3DesKey, RndA(8));
    EXPECT_EQ(wrong.status, 0xAE);
    EXPECT_FALSE(CardAuthenticated());

    Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(Tx({0xAA, 0x00}), Bytes{0xAE}); // AES command on a DES key
    EXPECT_FALSE(CardAuthenticated());
    EXPECT_EQ(Tx({0x1A, 0x01}), Bytes{0x40}); // the card level has one key
    EXPECT_EQ(Tx({0x1A}), Bytes{0x7E});
    EXPECT_EQ(Tx({0x1A, 0x00, 0x00}), Bytes{0x7E});

    SetMasterKey(CryptoMethod::Aes, kAesKey);
    EXPECT_EQ(Tx({0x1A, 0x00}), Bytes{0xAE}); // ISO command on an AES key

    // Second pass of the wrong length.
    ASSERT_EQ(Tx({0xAA, 0x00}).size(), 17u);
    EXPECT_EQ(Tx(reference::Cat({0xAF}, Bytes(16, 0))), Bytes{0x7E});
    EXPECT_FALSE(CardAuthenticated());
    EXPECT_EQ(Tx({0xAF}), Bytes{0x1C}); // nothing is pending any more
}

TEST_F(AuthenticationTest, ChallengesComeFromTheRandomSource)
{
    auto first = reference::Authenticate(card, 0x1A, 0, Algo::Tdes, kZeroKey, RndA(8));
    auto second = reference::Authenticate(card, 0x1A, 0, Algo::Tdes, kZeroKey, RndA(8));
    EXPECT_NE(first.rndB, second.rndB);

    DesfireCard other(SeededOptions(7));
    auto same = reference::Authenticate(other, 0x1A, 0, Algo::Tdes, kZeroKey, RndA(8));
    EXPECT_EQ(same.rndB, first.rndB);
}

TEST_F(AuthenticationTest, ApplicationKeysAreSeparateFromTheCardMasterKey)
{
    ASSERT_EQ(CreateApp(0xA1B2C3, 0x0F, 0x83), Bytes{0x00}); // AES, 3 keys
    ASSERT_EQ(Select(0xA1B2C3), Bytes{0x00});
    EXPECT_EQ(Tx({0x1A, 0x00}), Bytes{0xAE});
    EXPECT_EQ(Tx({0xAA, 0x03}), Bytes{0x40});
    HostSession s = Auth(Algo::Aes, kZeroKey, 2);
    EXPECT_EQ(card.CurrentSession().AuthKeyNo(), 2);
    // Key 2 is not the application master key.
    EXPECT_EQ(MacedTx(s, {0x64, 0x02}), (Bytes{0x00, 0x00}));
    // Selecting drops the authentication.
    ASSERT_EQ(Select(0x000000), Bytes{0x00});
    EXPECT_FALSE(CardAuthenticated());
}

} // namespace
} // namespace desfire_test
