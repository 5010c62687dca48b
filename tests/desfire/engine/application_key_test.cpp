// Applications and keys through the public API against the simulated card:
// listing and deleting applications, key settings, key versions and every
// form of ChangeKey, each followed by an authentication with the new key.
#include "tests/support/openssl_reference.h"
#include "tests/desfire/engine/sim_fixture.h"

namespace ref = kavex::test::reference;

namespace enginetest {
namespace {

constexpr uint32_t kAid = 0xA1B2C3;

class Keys : public SimTest {
protected:
    void SetUp() override
    {
        Open();
        Activate();
    }

    size_t CountSent(uint8_t cmd)
    {
        size_t n = 0;
        for (const Bytes& c : tamper->Commands()) n += c[0] == cmd;
        return n;
    }

    int ChangeKey(uint8_t keyNo, const Bytes& newKey, uint8_t version, const Bytes& oldKey, int type = 0)
    {
        return Kavex_DFChangeKey(h, keyNo, newKey.data(), static_cast<int>(newKey.size()), version,
                                 oldKey.empty() ? nullptr : oldKey.data(), static_cast<int>(oldKey.size()), type);
    }
};

// A two-key triple DES key whose first half carries version 0xA5 in the
// low bits of its bytes.
Bytes DesKeyWithVersion()
{
    Bytes key = {0x10, 0x21, 0x32, 0x42, 0x54, 0x64, 0x76, 0x87, 0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78};
    const uint8_t version = 0xA5;
    for (int i = 0; i < 8; ++i) key[i] = static_cast<uint8_t>((key[i] & 0xFE) | (version >> (7 - i) & 1));
    return key;
}

const Bytes kNewAesKey = {0xF0, 0xE1, 0xD2, 0xC3, 0xB4, 0xA5, 0x96, 0x87,
                          0x78, 0x69, 0x5A, 0x4B, 0x3C, 0x2D, 0x1E, 0x0F};

// ---- Applications ---------------------------------------------------------

TEST_F(Keys, ApplicationListsOfEveryLength)
{
    unsigned int aids[32] = {0};
    EXPECT_EQ(Kavex_DFGetApplicationIDs(h, aids, sizeof aids), 0);

    std::vector<unsigned int> created;
    for (unsigned int i = 1; i <= 25; ++i) {
        const unsigned int aid = 0x010000 * i + 0x0102 * i;
        ASSERT_EQ(Kavex_DFCreateApplication(h, aid, 2, 1, 0, 0, 0xF, nullptr, 0), 0) << i;
        created.push_back(aid);
    }
    // 25 AIDs do not fit into one frame; the answer MAC covers both.
    SetCardMasterKey(CryptoMethod::Aes, kAesKey);
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
    const size_t before = CountSent(0xAF);
    ASSERT_EQ(Kavex_DFGetApplicationIDs(h, aids, sizeof aids), 25) << std::hex << Status();
    EXPECT_EQ(CountSent(0xAF), before + 1);
    EXPECT_EQ(std::vector<unsigned int>(aids, aids + 25), created);
    ExpectIvInStep();

    // One entry short: nothing is written.
    unsigned int small[25];
    std::fill(std::begin(small), std::end(small), 0xEEEEEEEEu);
    EXPECT_EQ(Kavex_DFGetApplicationIDs(h, small, 24 * 4 + 3), -1);
    EXPECT_EQ(Status(), 5);
    EXPECT_EQ(small[0], 0xEEEEEEEEu);
    EXPECT_EQ(Kavex_DFGetApplicationIDs(h, nullptr, 0), -1);
    EXPECT_EQ(Status(), 5);
}

TEST_F(Keys, DeletingApplications)
{
    SetCardMasterKey(CryptoMethod::Aes, kAesKey);
    ASSERT_EQ(Kavex_DFCreateApplication(h, kAid, 2, 2, 0, 0, 0xF, nullptr, 0), 0);
    ASSERT_EQ(Kavex_DFCreateApplication(h, 0x000042, 2, 2, 0, 0, 0xF, nullptr, 0), 0);

    // From the card level: the answer MAC is checked and the session goes on.
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
    ASSERT_EQ(Kavex_DFDeleteApplication(h, 0x000042), 0) << std::hex << Status();
    EXPECT_EQ(tamper->Commands().back(), Bytes({0xDA, 0x42, 0x00, 0x00}));
    EXPECT_TRUE(Host().IsAuthenticated());
    ExpectIvInStep();
    EXPECT_EQ(Kavex_DFDeleteApplication(h, 0x000042), -1);
    EXPECT_EQ(Status(), 0x100A0);

    // The selected application itself: back at the card level, nothing
    // authenticated, on both sides.
    ASSERT_EQ(Kavex_DFSelectApplication(h, kAid), 0);
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, nullptr, 0), 0);
    ASSERT_EQ(Kavex_DFDeleteApplication(h, kAid), 0) << std::hex << Status();
    EXPECT_EQ(Host().selectedAid, 0u);
    EXPECT_FALSE(Host().IsAuthenticated());
    EXPECT_EQ(desfire->CurrentSession().SelectedAid(), 0u);
    unsigned int aids[4];
    EXPECT_EQ(Kavex_DFGetApplicationIDs(h, aids, sizeof aids), 0);
}

// ---- Key settings and versions --------------------------------------------

TEST_F(Keys, KeySettingsReadAndChangedInEachSession)
{
    uint8_t out[5] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    ASSERT_EQ(Kavex_DFGetKeySettings(h, out, 4), 0);
    EXPECT_EQ(Bytes(out, out + 5), Bytes({0x00, 1, 0x0, 0xF, 0xEE}));

    for (Auth a : {Auth::Iso, Auth::Aes}) {
        const uint32_t aid = a == Auth::Iso ? 0x150001 : 0xAE5001;
        CreateAndSelectApplication(aid, a, 5);
        ASSERT_EQ(Kavex_DFGetKeySettings(h, out, 4), 0);
        EXPECT_EQ(Bytes(out, out + 4), Bytes({a == Auth::Aes ? uint8_t{0x80} : uint8_t{0x00}, 5, 0x0, 0xF}));

        EXPECT_EQ(Kavex_DFChangeKeySettings(h, 1, 0x9), -1);
        EXPECT_EQ(Status(), 0x10023);
        ASSERT_EQ(AuthenticateAs(h, a, 0, KeyFor(a)), 0);
        ASSERT_EQ(Kavex_DFChangeKeySettings(h, 1, 0x9), 0) << std::hex << Status();
        EXPECT_EQ(tamper->Commands().back().size(), a == Auth::Aes ? 17u : 9u);
        EXPECT_EQ(desfire->State().applications.at(aid).keys.settings, 0x19);
        ASSERT_EQ(Kavex_DFGetKeySettings(h, out, 4), 0);
        EXPECT_EQ(Bytes(out + 2, out + 4), Bytes({0x1, 0x9}));
        ExpectIvInStep();

        // Directory access now needs the master key.
        ASSERT_EQ(Kavex_DFSelectApplication(h, aid), 0);
        EXPECT_EQ(Kavex_DFGetKeySettings(h, out, 4), -1);
        EXPECT_EQ(Status(), 0x100AE);
    }

    // Three-key triple DES and a method the card does not define.
    ASSERT_EQ(Kavex_DFSelectApplication(h, 0), 0);
    tamper->TamperNext([](Bytes& a) { a[2] = 0x4E; });
    ASSERT_EQ(Kavex_DFGetKeySettings(h, out, 4), 0);
    EXPECT_EQ(Bytes(out, out + 2), Bytes({0x40, 0x0E}));
    tamper->TamperNext([](Bytes& a) { a[2] = 0xC3; });
    ASSERT_EQ(Kavex_DFGetKeySettings(h, out, 4), 0);
    EXPECT_EQ(Bytes(out, out + 2), Bytes({0xFF, 0x03}));

    const size_t before = Exchanges();
    EXPECT_EQ(Kavex_DFGetKeySettings(h, out, 3), -1);
    EXPECT_EQ(Status(), 5);
    EXPECT_EQ(Kavex_DFGetKeySettings(h, nullptr, 4), -1);
    EXPECT_EQ(Exchanges(), before);
}

TEST_F(Keys, KeySettingsBehindAValidMacButTooShortAreRefused)
{
    SetCardMasterKey(CryptoMethod::Aes, kAesKey);
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
    // The status and a MAC that is right for no data at all: the MAC bytes
    // must not be taken for settings.
    const ref::Cipher cipher{true, Bytes(Host().crypt.sessionKey, Host().crypt.sessionKey + 16)};
    Bytes iv(Host().crypt.iv, Host().crypt.iv + 16);
    ref::Cmac(cipher, iv, {0x45});
    const Bytes mac = ref::Cmac(cipher, iv, {0x00});
    Bytes forged(1 + mac.size(), 0x00);
    std::copy(mac.begin(), mac.end(), forged.begin() + 1);
    tamper->TamperNext([&](Bytes& a) { a = forged; });
    uint8_t out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(Kavex_DFGetKeySettings(h, out, 4), -1);
    EXPECT_EQ(Status(), 0x10000);
    EXPECT_FALSE(Host().IsAuthenticated());
    EXPECT_EQ(Bytes(out, out + 4), Bytes(4, 0xEE));
}

// ---- ChangeKey --------------------------------------------------------------

TEST_F(Keys, ApplicationKeysOfAnAesApplication)
{
    CreateAndSelectApplication(kAid, Auth::Aes);
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
    EXPECT_EQ(Kavex_DFGetKeyVersion(h, 1), 0);

    // Another key: XORed with the old one, version, two CRCs; the session
    // stays.
    ASSERT_EQ(ChangeKey(1, kNewAesKey, 0x17, kAesKey), 0) << std::hex << Status();
    EXPECT_EQ(tamper->Commands().back().size(), 34u);
    EXPECT_EQ(tamper->Commands().back()[1], 0x01);
    EXPECT_TRUE(Host().IsAuthenticated());
    ExpectIvInStep();
    EXPECT_EQ(Kavex_DFGetKeyVersion(h, 1), 0x17);

    // The authenticated key itself: the session ends on both sides.
    ASSERT_EQ(ChangeKey(0, kNewAesKey, 0x23, {}), 0) << std::hex << Status();
    EXPECT_FALSE(Host().IsAuthenticated());
    EXPECT_FALSE(desfire->CurrentSession().Authenticated());
    EXPECT_EQ(Kavex_DFGetKeyVersion(h, 0), 0x23);

    for (uint8_t keyNo : {0, 1}) {
        EXPECT_EQ(Kavex_DFAuthenticateAES(h, keyNo, kAesKey.data(), 16), -1) << int(keyNo);
        ASSERT_EQ(Kavex_DFAuthenticateAES(h, keyNo, kNewAesKey.data(), 16), 0) << int(keyNo);
    }
    // Key 0 may change key 2 with the wrong old key only as far as the
    // card's CRC over the new key lets it.
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kNewAesKey.data(), 16), 0);
    EXPECT_EQ(ChangeKey(2, kNewAesKey, 1, kNewAesKey), -1);
    EXPECT_EQ(Status(), 0x1001E);
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 2, kAesKey.data(), 16), 0);
}

TEST_F(Keys, ApplicationKeysOfATripleDesApplication)
{
    CreateAndSelectApplication(kAid, Auth::Iso);
    ASSERT_EQ(Kavex_DFAuthenticateISO(h, 0, k2K3DesKey.data(), 16), 0);
    const Bytes newKey = DesKeyWithVersion();

    // No version byte with a triple DES session: 24 enciphered bytes.
    ASSERT_EQ(ChangeKey(2, newKey, 0x99, k2K3DesKey), 0) << std::hex << Status();
    EXPECT_EQ(tamper->Commands().back().size(), 26u);
    ExpectIvInStep();
    EXPECT_EQ(Kavex_DFGetKeyVersion(h, 2), 0xA5);

    ASSERT_EQ(ChangeKey(0, newKey, 0, {}), 0) << std::hex << Status();
    EXPECT_EQ(tamper->Commands().back().size(), 26u);
    EXPECT_FALSE(Host().IsAuthenticated());
    for (uint8_t keyNo : {0, 2}) ASSERT_EQ(Kavex_DFAuthenticateISO(h, keyNo, newKey.data(), 16), 0) << int(keyNo);
    EXPECT_EQ(Kavex_DFAuthenticateISO(h, 1, newKey.data(), 16), -1);
}

TEST_F(Keys, CardMasterKeyKeepsTheSessionTypeUnlessAesIsAskedFor)
{
    // Factory DES key to a two-key triple DES key.
    ASSERT_EQ(Kavex_DFAuthenticateISO(h, 0, nullptr, 0), 0);
    ASSERT_EQ(ChangeKey(0, k2K3DesKey, 0, {}), 0) << std::hex << Status();
    EXPECT_EQ(tamper->Commands().back()[1], 0x00);
    EXPECT_EQ(desfire->State().masterKeys.method, CryptoMethod::Tdes);
    EXPECT_FALSE(Host().IsAuthenticated());
    ASSERT_EQ(Kavex_DFAuthenticateISO(h, 0, k2K3DesKey.data(), 16), 0);

    // To AES from the ISO session: the key version reaches the card and
    // nothing else is taken for it.
    ASSERT_EQ(ChangeKey(0x40, kAesKey, 0x42, {}, 2), 0) << std::hex << Status();
    EXPECT_EQ(tamper->Commands().back()[1], 0x80);
    EXPECT_EQ(tamper->Commands().back().size(), 26u);
    EXPECT_FALSE(Host().IsAuthenticated());
    EXPECT_EQ(desfire->State().masterKeys.method, CryptoMethod::Aes);
    EXPECT_EQ(Kavex_DFGetKeyVersion(h, 0), 0x42);
    EXPECT_EQ(Kavex_DFAuthenticateISO(h, 0, k2K3DesKey.data(), 16), -1);
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);

    // In the AES session the key stays AES even with type 0.
    ASSERT_EQ(ChangeKey(0, kNewAesKey, 0x07, {}), 0) << std::hex << Status();
    EXPECT_EQ(tamper->Commands().back()[1], 0x80);
    EXPECT_EQ(tamper->Commands().back().size(), 34u);
    EXPECT_EQ(Kavex_DFGetKeyVersion(h, 0), 0x07);
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kNewAesKey.data(), 16), 0);
    ExpectIvInStep();
}

TEST_F(Keys, ConvertingTheFactoryKeyToAesKeepsItsValue)
{
    ASSERT_EQ(Kavex_DFAuthenticateISO(h, 0, nullptr, 0), 0);
    ASSERT_EQ(ChangeKey(0, kZeroKey, 0x01, kZeroKey, 2), 0) << std::hex << Status();
    EXPECT_EQ(tamper->Commands().back()[1], 0x80);
    EXPECT_EQ(Kavex_DFGetKeyVersion(h, 0), 0x01);
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, nullptr, 0), 0);
    uint8_t out[4];
    ASSERT_EQ(Kavex_DFGetKeySettings(h, out, 4), 0);
    EXPECT_EQ(out[0], 0x80);
}

TEST_F(Keys, ChangeKeyParametersAreCheckedBeforeSending)
{
    CreateAndSelectApplication(kAid, Auth::Aes);
    EXPECT_EQ(ChangeKey(1, kNewAesKey, 0, kAesKey), -1);
    EXPECT_EQ(Status(), 0x10023);
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
    const size_t before = Exchanges();
    const Bytes shortKey(kAesKey.begin(), kAesKey.end() - 1);
    EXPECT_EQ(ChangeKey(1, shortKey, 0, kAesKey), -1);
    EXPECT_EQ(Status(), 0x10020);
    EXPECT_EQ(ChangeKey(1, kNewAesKey, 0, shortKey), -1);
    EXPECT_EQ(Status(), 0x10021);
    EXPECT_EQ(ChangeKey(1, kNewAesKey, 0, {}), -1);
    EXPECT_EQ(Status(), 0x10021);
    EXPECT_EQ(Kavex_DFChangeKey(h, 1, nullptr, 16, 0, kAesKey.data(), 16, 0), -1);
    EXPECT_EQ(Status(), 0x10020);
    EXPECT_EQ(Exchanges(), before);
    EXPECT_TRUE(Host().IsAuthenticated());
    // The authenticated key needs no old key.
    ASSERT_EQ(ChangeKey(0, kNewAesKey, 0, shortKey), 0) << std::hex << Status();
}

TEST_F(Keys, ChangeKeyRefusedByTheCard)
{
    CreateAndSelectApplication(kAid, Auth::Aes);
    // Keys 1-3 are changed with key 2 only.
    desfire->State().applications.at(kAid).keys.settings = 0x2F;
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 1, kAesKey.data(), 16), 0);
    EXPECT_EQ(ChangeKey(3, kNewAesKey, 0, kAesKey), -1);
    EXPECT_EQ(Status(), 0x100AE);
    EXPECT_FALSE(Host().IsAuthenticated());
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 2, kAesKey.data(), 16), 0);
    ASSERT_EQ(ChangeKey(3, kNewAesKey, 0, kAesKey), 0) << std::hex << Status();
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 3, kNewAesKey.data(), 16), 0);

    // Keys frozen.
    desfire->State().applications.at(kAid).keys.settings = 0xFF;
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
    EXPECT_EQ(ChangeKey(1, kNewAesKey, 0, kAesKey), -1);
    EXPECT_EQ(Status(), 0x1009D);
}

} // namespace
} // namespace enginetest
