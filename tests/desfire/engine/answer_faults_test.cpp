// Answers and frame sequences no sound card sends: the host has to fail
// with a cause, take no byte it did not receive, and always come back.
#include <functional>
#include <ostream>
#include <string>
#include <tuple>

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
    EXPECT_EQ(Status(), 20);

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
    EXPECT_FALSE(desfire->CurrentSession().Authenticated());
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

    // A damaged ciphertext block.
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
    tamper->TamperNext([](Bytes& a) { a[a.size() - 20] ^= 0x01; }, IsRead);
    EXPECT_EQ(Kavex_DFReadData(h, 8, 3, 0, 0, out.data(), 16), -1);
    EXPECT_EQ(Status(), 0x10025);
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

// A call of each command family that hands out data: its result, the status
// and everything it wrote to its output.
using Outcome = std::tuple<int, int, Bytes>;
struct Reading {
    const char* name;
    std::function<Outcome(int h)> call;
};

void PrintTo(const Reading& r, std::ostream* os)
{
    *os << r.name;
}

Outcome Handed(int h, int result, Bytes out)
{
    return {result, Kavex_GetLastError(h), std::move(out)};
}

const Reading kReadings[] = {
    {"CardUid",
     [](int h) {
         Bytes out(7, 0xEE);
         return Handed(h, Kavex_DFGetCardUID(h, out.data(), 7), out);
     }},
    {"KeySettings",
     [](int h) {
         Bytes out(4, 0xEE);
         return Handed(h, Kavex_DFGetKeySettings(h, out.data(), 4), out);
     }},
    {"FileSettings",
     [](int h) {
         Bytes out(32, 0xEE);
         return Handed(h, Kavex_DFGetFileSettings(h, 3, out.data(), 32), out);
     }},
    {"Data",
     [](int h) {
         Bytes out(256, 0xEE);
         return Handed(h, Kavex_DFReadData(h, 3, 0, 0, 0, out.data(), 256), out);
     }},
    {"Value",
     [](int h) {
         int value = -1;
         const int r = Kavex_DFGetValue(h, 7, 0, &value);
         return Handed(h, r, Bytes{static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)});
     }},
    {"Records",
     [](int h) {
         Bytes out(64, 0xEE);
         return Handed(h, Kavex_DFReadRecords(h, 5, 0, 0, 0, 16, out.data(), 64), out);
     }},
};

class GivenUpSession : public AnswerFaults, public ::testing::WithParamInterface<Reading> {};

TEST_P(GivenUpSession, LeavesTheCardNoAuthenticationToProtectAnswersWith)
{
    const Bytes rec = Pattern(16);
    ASSERT_EQ(Kavex_DFWriteRecord(h, 5, 0, 0, rec.data(), 16), 0);
    ASSERT_EQ(Kavex_DFCommitTransaction(h), 0);
    struct Failure {
        const char* what;
        uint8_t fileNo, mode;
        uint32_t length;
        int status;
    };
    // An enciphered file read as plain fails the MAC check, a MACed file
    // read as enciphered the CRC check.
    for (const Failure& f : {Failure{"MAC", 3, 0, 16, 0x10024}, Failure{"CRC", 2, 3, 24, 0x10025}}) {
        SCOPED_TRACE(f.what);
        ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
        Bytes out(64);
        EXPECT_EQ(Kavex_DFReadData(h, f.fileNo, f.mode, 0, f.length, out.data(), 64), -1);
        EXPECT_EQ(Status(), f.status);
        EXPECT_FALSE(desfire->CurrentSession().Authenticated());
        const Outcome after = GetParam().call(h);
        // The same call in a session that was never authenticated.
        ASSERT_EQ(Kavex_DFSelectApplication(h, kAid), 0);
        EXPECT_EQ(after, GetParam().call(h));
    }
}

INSTANTIATE_TEST_SUITE_P(CommandFamilies, GivenUpSession, ::testing::ValuesIn(kReadings),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace enginetest
