// Answers and frame sequences no sound card sends: the host has to fail
// with a cause, take no byte it did not receive, and always come back.
#include "tests/support/openssl_reference.h"
#include "tests/desfire/engine/sim_fixture.h"

namespace ref = kavex::test::reference;

namespace enginetest {
namespace {

constexpr uint32_t kAid = 0xFA0170;

class AnswerFaults : public SimTest {
protected:
    void SetUp() override
    {
        Open();
        Activate();
        CreateAndSelectApplication(kAid, Auth::Aes);
        ASSERT_EQ(Kavex_DFCreateStdDataFile(h, 1, 0, 200, 0, 0xEEEE), 0);
        ASSERT_EQ(Kavex_DFCreateStdDataFile(h, 2, 0, 200, 1, 0x0000), 0);
        ASSERT_EQ(Kavex_DFCreateStdDataFile(h, 3, 0, 200, 3, 0x0000), 0);
        ASSERT_EQ(Kavex_DFCreateValueFile(h, 4, 1, 0x0000, 0, 100, 42, 0), 0);
        ASSERT_EQ(Kavex_DFCreateLinearRecordFile(h, 5, 0, 0, 0xEEEE, 16, 4), 0);
        ASSERT_EQ(Kavex_DFCreateValueFile(h, 6, 3, 0x0000, 0, 100, 42, 0), 0);
        ASSERT_EQ(Kavex_DFCreateValueFile(h, 7, 0, 0xEEEE, 0, 100, 42, 0), 0);
        // Small enough for the card's whole answer to fit one frame.
        ASSERT_EQ(Kavex_DFCreateStdDataFile(h, 8, 0, 16, 3, 0x0000), 0);
    }

    size_t CountSent(uint8_t cmd)
    {
        size_t n = 0;
        for (const Bytes& c : tamper->Commands()) n += c[0] == cmd;
        return n;
    }

    // The session's cipher and the IV the card will have once it has taken
    // the plain command cmd.
    ref::Cipher Cipher() { return {true, Bytes(Host().crypt.sessionKey, Host().crypt.sessionKey + 16)}; }
    Bytes IvAfter(const Bytes& cmd)
    {
        Bytes iv(Host().crypt.iv, Host().crypt.iv + 16);
        ref::Cmac(Cipher(), iv, cmd);
        return iv;
    }

    static bool IsRead(const Bytes& c, const Bytes&) { return c[0] == 0xBD || c[0] == 0xBB; }

    // A card left in the middle of a chain refuses the next command once.
    void Reselect()
    {
        if (Kavex_DFSelectApplication(h, kAid) != 0) {
            ASSERT_EQ(Kavex_DFSelectApplication(h, kAid), 0);
        }
    }
};

TEST_F(AnswerFaults, ReadsThatBringFewerBytesThanAskedForFail)
{
    Bytes out(64, 0xEE);
    // Nothing at all: the same chunk is not asked for again.
    tamper->TamperNext([](Bytes& a) { a = {0x00}; }, IsRead);
    size_t reads = CountSent(0xBD);
    EXPECT_EQ(Kavex_DFReadData(h, 1, 0, 0, 16, out.data(), 64), -1);
    EXPECT_EQ(Status(), 20);
    EXPECT_EQ(CountSent(0xBD), reads + 1);
    EXPECT_EQ(out, Bytes(64, 0xEE));

    // Only some of it.
    tamper->TamperNext([](Bytes& a) { a.resize(4); }, IsRead);
    EXPECT_EQ(Kavex_DFReadData(h, 1, 0, 0, 16, out.data(), 64), -1);
    EXPECT_EQ(Status(), 20);

    // Records: three of sixteen bytes are 48, not 40.
    const Bytes rec = Pattern(16);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(Kavex_DFWriteRecord(h, 5, 0, 0, rec.data(), 16), 0);
        ASSERT_EQ(Kavex_DFCommitTransaction(h), 0);
    }
    tamper->TamperNext([](Bytes& a) { a.resize(41); }, IsRead);
    EXPECT_EQ(Kavex_DFReadRecords(h, 5, 0, 0, 3, 16, out.data(), 64), -1);
    EXPECT_EQ(Status(), 20);
    EXPECT_EQ(Kavex_DFReadRecords(h, 5, 0, 0, 3, 16, out.data(), 64), 48);

    // Behind a MAC that is right for the shorter data.
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
    const Bytes cmd = {0xBD, 2, 0, 0, 0, 16, 0, 0};
    Bytes iv = IvAfter(cmd);
    const Bytes mac = ref::Cmac(Cipher(), iv, {1, 2, 3, 0x00});
    Bytes forged = {0x00, 1, 2, 3};
    forged.insert(forged.end(), mac.begin(), mac.end());
    tamper->TamperNext([&](Bytes& a) { a = forged; }, IsRead);
    EXPECT_EQ(Kavex_DFReadData(h, 2, 1, 0, 16, out.data(), 64), -1);
    EXPECT_EQ(Status(), 20);
    EXPECT_FALSE(Host().IsAuthenticated());
}

TEST_F(AnswerFaults, ValuesNeedAllFourBytes)
{
    int value = 7;
    tamper->TamperNext([](Bytes& a) { a.resize(3); });
    EXPECT_EQ(Kavex_DFGetValue(h, 7, 0, &value), -1);
    EXPECT_EQ(Status(), 0x10000);

    // A MAC alone, right as it is, is no value.
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
    Bytes iv = IvAfter({0x6C, 4});
    const Bytes mac = ref::Cmac(Cipher(), iv, {0x00});
    Bytes forged = {0x00};
    forged.insert(forged.end(), mac.begin(), mac.end());
    tamper->TamperNext([&](Bytes& a) { a = forged; });
    EXPECT_EQ(Kavex_DFGetValue(h, 4, 1, &value), -1);
    EXPECT_EQ(Status(), 20);
    EXPECT_EQ(value, 7);

    // Enciphered: the value without room for its CRC.
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
    tamper->TamperNext([](Bytes& a) { a.resize(5); });
    EXPECT_EQ(Kavex_DFGetValue(h, 6, 3, &value), -1);
    EXPECT_EQ(Status(), 20);
    EXPECT_EQ(value, 7);

    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
    tamper->TamperNext([](Bytes& a) { a[3] ^= 0x01; });
    EXPECT_EQ(Kavex_DFGetValue(h, 6, 3, &value), -1);
    EXPECT_EQ(Status(), 0x10025);
    EXPECT_TRUE(Host().IsAuthenticated());
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
    ASSERT_EQ(Kavex_DFGetValue(h, 6, 3, &value), 0);
    EXPECT_EQ(value, 42);
}

TEST_F(AnswerFaults, EncipheredReadsOfUnknownLengthNeedRoomForTheCrc)
{
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
    // Deciphered: two bytes, the marker, zeros. No CRC fits before it.
    Bytes iv = IvAfter({0xBD, 8, 0, 0, 0, 0, 0, 0});
    Bytes plain(16, 0);
    plain[0] = 0x01;
    plain[1] = 0x02;
    plain[2] = 0x80;
    const Bytes cipher = ref::Encrypt(Cipher(), iv, plain);
    Bytes forged = {0x00};
    forged.insert(forged.end(), cipher.begin(), cipher.end());
    tamper->TamperNext([&](Bytes& a) { a = forged; }, IsRead);
    Bytes out(16, 0xEE);
    EXPECT_EQ(Kavex_DFReadData(h, 8, 3, 0, 0, out.data(), 16), -1);
    EXPECT_EQ(Status(), 0x10025);
    EXPECT_EQ(out, Bytes(16, 0xEE));
    EXPECT_TRUE(Host().IsAuthenticated());

    // A damaged ciphertext block: CRC error, the session stays.
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
    tamper->TamperNext([](Bytes& a) { a[a.size() - 20] ^= 0x01; }, IsRead);
    EXPECT_EQ(Kavex_DFReadData(h, 8, 3, 0, 0, out.data(), 16), -1);
    EXPECT_EQ(Status(), 0x10025);
    EXPECT_TRUE(Host().IsAuthenticated());
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
    EXPECT_EQ(Kavex_DFReadData(h, 8, 3, 0, 0, out.data(), 16), 16) << std::hex << Status();
}

TEST_F(AnswerFaults, ChainsThatNeverEndOrEndTooEarly)
{
    Bytes out(200);
    // Asked to ask again, without any data: no loop.
    tamper->TamperNext([](Bytes& a) { a = {0xAF}; }, IsRead);
    EXPECT_EQ(Kavex_DFReadData(h, 1, 0, 0, 0, out.data(), 200), -1);
    EXPECT_EQ(Status(), 20);

    Reselect();
    const Bytes data = Pattern(100);
    // The card closes the write after the first frame: the rest is not on
    // the card, and the call must not say it is.
    tamper->TamperNext([](Bytes& a) { a = {0x00}; }, [](const Bytes& c, const Bytes&) { return c[0] == 0x3D; });
    const size_t frames = tamper->Commands().size();
    EXPECT_EQ(Kavex_DFWriteData(h, 1, 0, 0, data.data(), 100), -1);
    EXPECT_EQ(Status(), 20);
    EXPECT_EQ(tamper->Commands().size(), frames + 1);

    // After the last frame the card still wants more.
    Reselect();
    tamper->TamperNext([](Bytes& a) { a = {0xAF}; }, [](const Bytes& c, const Bytes&) { return c[0] == 0xAF; });
    EXPECT_EQ(Kavex_DFWriteData(h, 1, 0, 0, data.data(), 100), -1);
    EXPECT_EQ(Status(), 0x100AF);
}

} // namespace
} // namespace enginetest
