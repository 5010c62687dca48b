// Authentication, secure messaging and card-level commands against the
// simulated card, which checks every MAC and every enciphered frame itself.
#include <cstring>

#include "tests/support/openssl_reference.h"
#include "tests/desfire/engine/sim_fixture.h"

namespace ref = kavex::test::reference;

namespace enginetest {
namespace {

using kavex::sim::Fault;

int Authenticate(int h, bool aes, uint8_t keyNo, const Bytes& key)
{
    return aes ? Kavex_DFAuthenticateAES(h, keyNo, key.data(), static_cast<int>(key.size()))
               : Kavex_DFAuthenticateISO(h, keyNo, key.data(), static_cast<int>(key.size()));
}

class SessionSequence : public SimTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SessionSequence, EveryMacAndIvStepIsAcceptedByTheCard)
{
    const bool aes = GetParam();
    const Bytes key = aes ? kAesKey : k2K3DesKey;
    Open();
    SetCardMasterKey(aes ? CryptoMethod::Aes : CryptoMethod::Tdes, key);
    Activate();
    ASSERT_EQ(Authenticate(h, aes, 0, key), 0) << std::hex << Status();
    EXPECT_EQ(Bytes(Host().crypt.sessionKey, Host().crypt.sessionKey + 16), desfire->CurrentSession().SessionKey());
    ExpectIvInStep();

    uint8_t version[28];
    ASSERT_EQ(Kavex_DFGetVersion(h, version, sizeof version), 0) << std::hex << Status();
    EXPECT_EQ(Bytes(version + 21, version + 26), Bytes({0xBA, 0x7C, 0x11, 0x42, 0x00}));
    ExpectIvInStep();
    EXPECT_EQ(Kavex_DFGetFreeMemory(h), static_cast<int>(desfire->State().memory.Free()));
    uint8_t cardUid[7];
    ASSERT_EQ(Kavex_DFGetCardUID(h, cardUid, sizeof cardUid), 7) << std::hex << Status();
    EXPECT_EQ(Bytes(cardUid, cardUid + 7), uid);
    ExpectIvInStep();

    // The longest ATS: with AES exactly two enciphered blocks.
    const Bytes newAts = {0x10, 0x78, 0x77, 0x81, 0x02, 0x80, 'K', 'A', 'V', 'E', 'X', '-', 'E', 'N', 'G', '1'};
    ASSERT_EQ(Kavex_DFSetConfiguration(h, 2, newAts.data(), 16), 0) << std::hex << Status();
    EXPECT_EQ(tamper->Commands().back().size(), aes ? 34u : 26u);
    EXPECT_EQ(desfire->State().config.ats, newAts);
    Bytes defaultKey(kAesKey);
    defaultKey.push_back(0x07);
    ASSERT_EQ(Kavex_DFSetConfiguration(h, 1, defaultKey.data(), 17), 0) << std::hex << Status();
    EXPECT_EQ(desfire->State().config.defaultKeyVersion, 0x07);
    const uint8_t settings = 0x00;
    ASSERT_EQ(Kavex_DFSetConfiguration(h, 0, &settings, 1), 0) << std::hex << Status();
    ExpectIvInStep();

    ASSERT_EQ(Kavex_DFCreateApplication(h, 0x010203, aes ? 2 : 0, 2, 0, 0, 0xF, nullptr, 0), 0);
    ASSERT_EQ(Kavex_DFFormatPICC(h), 0) << std::hex << Status();
    EXPECT_TRUE(desfire->State().applications.empty());
    ASSERT_EQ(Kavex_DFCreateApplication(h, 0x010203, aes ? 2 : 0, 2, 0, 0, 0xF, nullptr, 0), 0);
    ExpectIvInStep();

    // Application level, with the default key the card just took.
    ASSERT_EQ(Kavex_DFSelectApplication(h, 0x010203), 0);
    EXPECT_FALSE(Host().IsAuthenticated());
    ASSERT_EQ(Authenticate(h, aes, 1, kAesKey), 0) << std::hex << Status();
    ASSERT_EQ(Kavex_DFGetCardUID(h, cardUid, sizeof cardUid), 7) << std::hex << Status();
    ASSERT_EQ(Kavex_DFGetVersion(h, version, sizeof version), 0) << std::hex << Status();
    ExpectIvInStep();

    // A single step the card did not take breaks the next command.
    Host().MacCommand(version, 1);
    EXPECT_EQ(Kavex_DFGetFreeMemory(h), -1);
    EXPECT_EQ(Status(), 0x10024);
}

INSTANTIATE_TEST_SUITE_P(AesAndIso, SessionSequence, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "AES" : "ISO"; });

TEST_F(SimTest, IsoSessionKeyFollowsTheExactHalvesOfTheKey)
{
    Open();
    Activate();
    // Factory DES key: single-DES session key written twice.
    ASSERT_EQ(Kavex_DFAuthenticateISO(h, 0, nullptr, 0), 0);
    const uint8_t* sk = Host().crypt.sessionKey;
    EXPECT_EQ(std::memcmp(sk, sk + 8, 8), 0);
    EXPECT_GE(Kavex_DFGetFreeMemory(h), 0);

    // Halves that differ only in a parity bit make a triple-DES key.
    Bytes key(16, 0x42);
    key[15] ^= 0x01;
    SetCardMasterKey(CryptoMethod::Tdes, key);
    ASSERT_EQ(Authenticate(h, false, 0, key), 0);
    EXPECT_NE(std::memcmp(sk, sk + 8, 8), 0);
    EXPECT_GE(Kavex_DFGetFreeMemory(h), 0) << std::hex << Status();
}

TEST_F(SimTest, EveryAuthenticationDrawsAFreshChallenge)
{
    // The card's RndB never changes, so equal second-pass frames would mean
    // an equal RndA.
    auto card = std::make_shared<DesfireCard>(FixedRndB());
    desfire = card;
    Open(card);
    Activate();
    for (bool aes : {false, true}) {
        SetCardMasterKey(aes ? CryptoMethod::Aes : CryptoMethod::Tdes, kZeroKey);
        ASSERT_EQ(Authenticate(h, aes, 0, kZeroKey), 0);
        ASSERT_EQ(Authenticate(h, aes, 0, kZeroKey), 0);
        std::vector<Bytes> second;
        for (const Bytes& c : tamper->Commands())
            if (c[0] == 0xAF && c.size() == (aes ? 33u : 17u)) second.push_back(c);
        ASSERT_GE(second.size(), 2u);
        EXPECT_NE(second[second.size() - 1], second[second.size() - 2]);
    }
}

TEST_F(SimTest, CardThatCannotProveTheKeyIsRefused)
{
    Open();
    Activate();
    tamper->TamperNext([](Bytes& a) { a.back() ^= 0x01; }, [](const Bytes& c, const Bytes&) { return c[0] == 0xAF; });
    EXPECT_EQ(Kavex_DFAuthenticateISO(h, 0, nullptr, 0), -1);
    EXPECT_EQ(Status(), 0x100AE);
    EXPECT_FALSE(Host().IsAuthenticated());
    // The card took the key and is not left holding the session.
    uint8_t out[7];
    EXPECT_EQ(Kavex_DFGetCardUID(h, out, sizeof out), -1);
    EXPECT_EQ(Status(), 0x100AE);
}

void FlipLastByte(Bytes& a)
{
    a.back() ^= 0x01;
}

TEST_F(SimTest, CorruptedAnswerMacEndsTheSessionOnBothSides)
{
    Open();
    Activate();
    ASSERT_EQ(Kavex_DFCreateApplication(h, 0x0A0B0C, 2, 1, 0, 0, 0xF, nullptr, 0), 0);
    ASSERT_EQ(Kavex_DFSelectApplication(h, 0x0A0B0C), 0);
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, nullptr, 0), 0);
    tamper->TamperNext(FlipLastByte);
    EXPECT_EQ(Kavex_DFGetFreeMemory(h), -1);
    EXPECT_EQ(Status(), 0x10024);
    EXPECT_FALSE(Host().IsAuthenticated());
    EXPECT_FALSE(desfire->CurrentSession().Authenticated());
    // Host and card still agree on the level.
    EXPECT_EQ(Host().selectedAid, 0x0A0B0Cu);
    EXPECT_EQ(desfire->CurrentSession().SelectedAid(), 0x0A0B0Cu);
}

TEST_F(SimTest, VersionTooShortBehindAValidMacIsAFailureWithACause)
{
    Open();
    Activate();
    uint8_t version[28];
    ASSERT_EQ(Kavex_DFGetVersion(h, version, sizeof version), 0);
    SetCardMasterKey(CryptoMethod::Aes, kAesKey);
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);

    // A last frame of 6 data bytes and a MAC that is right for them.
    const ref::Cipher cipher{true, Bytes(Host().crypt.sessionKey, Host().crypt.sessionKey + 16)};
    Bytes iv(16, 0);
    ref::Cmac(cipher, iv, {0x60});
    const Bytes data(version, version + 20);
    const Bytes last =
        ref::Cat(ref::Cat({0x00}, Bytes(version + 14, version + 20)), ref::Cmac(cipher, iv, ref::Cat(data, {0x00})));
    tamper->TamperNext([&](Bytes& a) { a = last; }, [](const Bytes&, const Bytes& a) { return a[0] == 0x00; });
    EXPECT_EQ(Kavex_DFGetVersion(h, version, sizeof version), -1);
    EXPECT_EQ(Status(), 0x10000);
    EXPECT_FALSE(Host().IsAuthenticated());
}

TEST_F(SimTest, CorruptedEncipheredCrcEndsTheSessionOnBothSides)
{
    Open();
    Activate();
    ASSERT_EQ(Kavex_DFAuthenticateISO(h, 0, nullptr, 0), 0);
    tamper->TamperNext(FlipLastByte);
    uint8_t out[7];
    EXPECT_EQ(Kavex_DFGetCardUID(h, out, sizeof out), -1);
    EXPECT_EQ(Status(), 0x10025);
    EXPECT_FALSE(Host().IsAuthenticated());
    EXPECT_FALSE(desfire->CurrentSession().Authenticated());
}

TEST_F(SimTest, CardAndLinkErrorsDropTheAuthentication)
{
    Open();
    Activate();
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::function<int()> call;
        int status;
    };
    const Case cases[] = {
        {"wrong key type", [] {}, [&] { return Kavex_DFAuthenticateAES(h, 0, nullptr, 0); }, 0x100AE},
        {"no such key", [] {}, [&] { return Kavex_DFAuthenticateISO(h, 5, nullptr, 0); }, 0x10040},
        {"no such application", [] {}, [&] { return Kavex_DFSelectApplication(h, 0x999999); }, 0x100A0},
        {"reader error", [&] { Sim().InjectFault(Fault::Status(0x15)); }, [&] { return Kavex_DFGetFreeMemory(h); },
         0x15},
        {"empty card answer", [&] { Sim().InjectFault(Fault::StatusAndData(0, {})); },
         [&] { return Kavex_DFFormatPICC(h); }, 9},
        {"no answer",
         [&] {
             Port().timeoutMs = 60;
             Sim().InjectFault(Fault::NoAnswer());
         },
         [&] { return Kavex_DFGetFreeMemory(h); }, 4},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Kavex_DFAuthenticateISO(h, 0, nullptr, 0), 0) << c.what;
        c.arrange();
        EXPECT_EQ(c.call(), -1) << c.what;
        EXPECT_EQ(Status(), c.status) << c.what;
        EXPECT_FALSE(Host().IsAuthenticated()) << c.what;
        Port().timeoutMs = 1000;
        // Nor does the card protect the next answer.
        uint8_t out[7];
        EXPECT_EQ(Kavex_DFGetCardUID(h, out, sizeof out), -1) << c.what;
        EXPECT_EQ(Status(), 0x100AE) << c.what;
    }
}

TEST_F(SimTest, ParameterErrorsAreFoundBeforeAnythingIsSent)
{
    Open();
    Activate();
    ASSERT_EQ(Kavex_DFAuthenticateISO(h, 0, nullptr, 0), 0);
    const size_t before = Exchanges();
    uint8_t buf[40] = {0x11, 0x78};
    const Bytes longName(19, 'N');
    const std::pair<std::function<int()>, int> cases[] = {
        {[&] { return Kavex_DFAuthenticateAES(h, 0, buf, 24); }, 0x10020},
        {[&] { return Kavex_DFGetVersion(h, buf, 27); }, 5},
        {[&] { return Kavex_DFGetVersion(h, nullptr, 28); }, 5},
        {[&] { return Kavex_DFGetCardUID(h, buf, 6); }, 5},
        {[&] { return Kavex_DFSetConfiguration(h, 0, buf, 0); }, 0x10027},
        {[&] { return Kavex_DFSetConfiguration(h, 1, buf, 16); }, 0x10020},
        {[&] { return Kavex_DFSetConfiguration(h, 2, buf, 4); }, 0x10027},
        {[&] { return Kavex_DFSetConfiguration(h, 2, buf, 17); }, 0x10027},
        {[&] { return Kavex_DFCreateApplication(h, 1, 2, 1, 1, 0, 0xF, longName.data(), 19); }, 0x10027},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].first(), -1) << i;
        EXPECT_EQ(Status(), cases[i].second) << i;
    }
    EXPECT_EQ(Exchanges(), before);
    EXPECT_TRUE(Host().IsAuthenticated());
    EXPECT_GE(Kavex_DFGetFreeMemory(h), 0);
}

TEST_F(SimTest, CreateApplicationFrames)
{
    Open();
    Activate();
    const Bytes iso = {0x10, 0xE1, 'N', 'A', 'M', 'E'};
    ASSERT_EQ(Kavex_DFCreateApplication(h, 0x123456, 2, 3, 1, 1, 0xF, iso.data(), 6), 0) << std::hex << Status();
    EXPECT_EQ(tamper->Commands().back(), Bytes({0xCA, 0x56, 0x34, 0x12, 0x1F, 0xA3, 0x10, 0xE1, 'N', 'A', 'M', 'E'}));
    const auto& app = desfire->State().applications.at(0x123456);
    EXPECT_EQ(app.isoFileId, 0xE110);
    EXPECT_EQ(app.dfName, Bytes({'N', 'A', 'M', 'E'}));

    // Two bytes of ISO data are no ISO part at all.
    ASSERT_EQ(Kavex_DFCreateApplication(h, 0x000042, 0, 1, 0, 0xE, 0x3, iso.data(), 2), 0);
    EXPECT_EQ(tamper->Commands().back(), Bytes({0xCA, 0x42, 0x00, 0x00, 0xE3, 0x01}));

    // Only three bytes of an AID reach the card, and only those are
    // remembered as selected.
    ASSERT_EQ(Kavex_DFSelectApplication(h, 0x01000042), 0);
    EXPECT_EQ(tamper->Commands().back(), Bytes({0x5A, 0x42, 0x00, 0x00}));
    EXPECT_EQ(Host().selectedAid, 0x42u);
}

} // namespace
} // namespace enginetest
