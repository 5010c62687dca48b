// File data through the public API against the simulated card, in every
// session kind and every communication mode the access rights allow: the
// card checks each MAC, CRC and frame, and every byte read back is compared.
#include <cstring>

#include "tests/desfire/engine/sim_fixture.h"

namespace enginetest {
namespace {

constexpr uint32_t kAid = 0xDA7A01;
constexpr uint8_t kDataFile = 1;
constexpr uint8_t kValueFile = 2;
constexpr uint8_t kLinearFile = 3;
constexpr uint8_t kCyclicFile = 4;
constexpr uint8_t kBackupFile = 5;
constexpr int kDataFileSize = 10100;
constexpr int kRecordSize = 100;

struct DataCase {
    Auth auth;
    int mode;
};

// Files in the case's mode; with a session they belong to key 1 (read,
// write, read and write), without one they are free.
class FileData : public SimTest, public ::testing::WithParamInterface<DataCase> {
protected:
    void SetUp() override
    {
        auth = GetParam().auth;
        mode = static_cast<uint8_t>(GetParam().mode);
        OpenLargeCard();
        Activate();
        CreateAndSelectApplication(kAid, auth);
        const uint16_t rights = auth == Auth::None ? 0xEEEE : 0x1110;
        ASSERT_EQ(Kavex_DFCreateStdDataFile(h, kDataFile, 0, kDataFileSize, mode, rights), 0);
        ASSERT_EQ(Kavex_DFCreateBackupDataFile(h, kBackupFile, 0, 64, mode, rights), 0);
        ASSERT_EQ(Kavex_DFCreateValueFile(h, kValueFile, mode, rights, -100, 1000, 10, 1), 0);
        ASSERT_EQ(Kavex_DFCreateLinearRecordFile(h, kLinearFile, 0, mode, rights, kRecordSize, 4), 0);
        ASSERT_EQ(Kavex_DFCreateCyclicRecordFile(h, kCyclicFile, 0, mode, rights, 16, 4), 0);
        Login();
    }

    void Login() { ASSERT_EQ(AuthenticateAs(h, auth, 1, KeyFor(auth)), 0) << std::hex << Status(); }

    // After a refusal the card has dropped the session.
    void ExpectRefused(int result, int status)
    {
        EXPECT_EQ(result, -1);
        EXPECT_EQ(Status(), status);
        EXPECT_FALSE(Host().IsAuthenticated());
        Login();
    }

    void ExpectInStep()
    {
        if (auth != Auth::None) ExpectIvInStep();
    }

    int Value()
    {
        int v = 0x7EADBEEF;
        EXPECT_EQ(Kavex_DFGetValue(h, kValueFile, mode, &v), 0) << std::hex << Status();
        return v;
    }

    Bytes ReadRecords(uint8_t file, unsigned offset, unsigned count, unsigned size)
    {
        Bytes out(2000, 0xEE);
        const int n = Kavex_DFReadRecords(h, file, mode, offset, count, size, out.data(), static_cast<int>(out.size()));
        EXPECT_GE(n, 0) << std::hex << Status();
        out.resize(static_cast<size_t>(std::max(n, 0)));
        return out;
    }

    Auth auth = Auth::None;
    uint8_t mode = 0;
};

TEST_P(FileData, DataOfEverySizeReadsBackByteForByte)
{
    Bytes model(kDataFileSize, 0);
    for (size_t n : {0u, 1u, 52u, 53u, 60u, 7600u, 7601u, 10000u}) {
        const uint32_t offset = static_cast<uint32_t>(n % 13);
        const Bytes data = Pattern(n, static_cast<uint8_t>(n));
        ASSERT_EQ(Kavex_DFWriteData(h, kDataFile, mode, offset, data.data(), static_cast<int>(n)), 0)
            << n << std::hex << " status " << Status();
        std::copy(data.begin(), data.end(), model.begin() + offset);
        if (n == 0) continue;
        // A guard byte behind the buffer the call is given.
        Bytes back(n + 1, 0xEE);
        ASSERT_EQ(
            Kavex_DFReadData(h, kDataFile, mode, offset, static_cast<unsigned>(n), back.data(), static_cast<int>(n)),
            static_cast<int>(n))
            << n << std::hex << " status " << Status();
        EXPECT_EQ(Bytes(back.begin(), back.end() - 1), data) << n;
        EXPECT_EQ(back.back(), 0xEE) << n;
    }
    // Length 0: the card sends the rest of the file in one answer and the
    // host finds where the payload ends.
    Bytes all(kDataFileSize + 16, 0xEE);
    ASSERT_EQ(Kavex_DFReadData(h, kDataFile, mode, 0, 0, all.data(), static_cast<int>(all.size())), kDataFileSize)
        << std::hex << Status();
    EXPECT_EQ(Bytes(all.begin(), all.begin() + kDataFileSize), model);
    Bytes tail(20, 0xEE);
    ASSERT_EQ(Kavex_DFReadData(h, kDataFile, mode, kDataFileSize - 3, 0, tail.data(), 20), 3);
    EXPECT_EQ(Bytes(tail.begin(), tail.begin() + 3), Bytes(model.end() - 3, model.end()));
    ExpectInStep();
}

TEST_P(FileData, ShortBuffersGetTheFirstBytesAndNothingBeyond)
{
    const Bytes data = Pattern(200, 9);
    ASSERT_EQ(Kavex_DFWriteData(h, kDataFile, mode, 0, data.data(), 200), 0);
    Bytes back(40, 0xEE);
    EXPECT_EQ(Kavex_DFReadData(h, kDataFile, mode, 0, 200, back.data(), 30), 30);
    EXPECT_EQ(Bytes(back.begin(), back.begin() + 30), Bytes(data.begin(), data.begin() + 30));
    EXPECT_EQ(Bytes(back.begin() + 30, back.end()), Bytes(10, 0xEE));

    ASSERT_EQ(Kavex_DFWriteRecord(h, kLinearFile, mode, 0, data.data(), kRecordSize), 0);
    ASSERT_EQ(Kavex_DFCommitTransaction(h), 0);
    EXPECT_EQ(Kavex_DFReadRecords(h, kLinearFile, mode, 0, 1, kRecordSize, back.data(), 30), 30);
    EXPECT_EQ(Bytes(back.begin(), back.begin() + 30), Bytes(data.begin(), data.begin() + 30));
    EXPECT_EQ(Bytes(back.begin() + 30, back.end()), Bytes(10, 0xEE));
    ExpectInStep();
}

TEST_P(FileData, ValuesChangeOnlyWithTheCommit)
{
    EXPECT_EQ(Value(), 10);
    ASSERT_EQ(Kavex_DFCredit(h, kValueFile, mode, 25), 0) << std::hex << Status();
    EXPECT_EQ(Value(), 10);
    ASSERT_EQ(Kavex_DFCommitTransaction(h), 0);
    EXPECT_EQ(Value(), 35);

    ASSERT_EQ(Kavex_DFDebit(h, kValueFile, mode, 135), 0) << std::hex << Status();
    ASSERT_EQ(Kavex_DFCommitTransaction(h), 0);
    EXPECT_EQ(Value(), -100);

    // A limited credit gives back at most what the last debits took.
    ASSERT_EQ(Kavex_DFLimitedCredit(h, kValueFile, mode, 100), 0) << std::hex << Status();
    ASSERT_EQ(Kavex_DFCommitTransaction(h), 0);
    EXPECT_EQ(Value(), 0);
    ExpectInStep();
    ExpectRefused(Kavex_DFLimitedCredit(h, kValueFile, mode, 1), 0x100BE);

    ExpectRefused(Kavex_DFDebit(h, kValueFile, mode, 101), 0x100BE);
    ExpectRefused(Kavex_DFCredit(h, kValueFile, mode, 1001), 0x100BE);
    EXPECT_EQ(Value(), 0);

    // Both bytes of the amount reach the card.
    ASSERT_EQ(Kavex_DFCredit(h, kValueFile, mode, 0x104), 0);
    ASSERT_EQ(Kavex_DFCommitTransaction(h), 0);
    EXPECT_EQ(Value(), 0x104);
    ExpectInStep();
}

TEST_P(FileData, RecordsReadBackOldestFirst)
{
    std::vector<Bytes> model;
    const std::pair<uint32_t, size_t> writes[] = {{0, 100}, {10, 20}, {99, 1}, {0, 53}};
    for (const auto& w : writes) {
        const Bytes data = Pattern(w.second, static_cast<uint8_t>(w.first + w.second));
        ASSERT_EQ(Kavex_DFWriteRecord(h, kLinearFile, mode, w.first, data.data(), static_cast<int>(w.second)), 0)
            << w.second << std::hex << " status " << Status();
        ASSERT_EQ(Kavex_DFCommitTransaction(h), 0);
        Bytes record(kRecordSize, 0);
        std::copy(data.begin(), data.end(), record.begin() + w.first);
        model.push_back(record);
    }
    Bytes all;
    for (const Bytes& r : model) all.insert(all.end(), r.begin(), r.end());
    EXPECT_EQ(ReadRecords(kLinearFile, 0, 0, kRecordSize), all);
    EXPECT_EQ(ReadRecords(kLinearFile, 0, 4, kRecordSize), all);
    EXPECT_EQ(ReadRecords(kLinearFile, 0, 1, kRecordSize), model[3]);
    EXPECT_EQ(ReadRecords(kLinearFile, 1, 2, kRecordSize), Bytes(all.begin() + 100, all.begin() + 300));
    ExpectInStep();
    // Full.
    ExpectRefused(Kavex_DFWriteRecord(h, kLinearFile, mode, 0, all.data(), 1), 0x100BE);

    // A cyclic file of four slots keeps the newest three records.
    std::vector<Bytes> cyclic;
    for (uint8_t i = 0; i < 5; ++i) {
        cyclic.push_back(Pattern(16, static_cast<uint8_t>(0x40 + i)));
        ASSERT_EQ(Kavex_DFWriteRecord(h, kCyclicFile, mode, 0, cyclic.back().data(), 16), 0) << std::hex << Status();
        ASSERT_EQ(Kavex_DFCommitTransaction(h), 0);
    }
    Bytes newest;
    for (size_t i = 2; i < 5; ++i) newest.insert(newest.end(), cyclic[i].begin(), cyclic[i].end());
    EXPECT_EQ(ReadRecords(kCyclicFile, 0, 3, 16), newest);
    EXPECT_EQ(ReadRecords(kCyclicFile, 0, 0, 16), newest);

    ASSERT_EQ(Kavex_DFClearRecordFile(h, kLinearFile), 0) << std::hex << Status();
    EXPECT_EQ(ReadRecords(kLinearFile, 0, 0, kRecordSize), all);
    ASSERT_EQ(Kavex_DFCommitTransaction(h), 0);
    Bytes out(10);
    ExpectRefused(Kavex_DFReadRecords(h, kLinearFile, mode, 0, 0, kRecordSize, out.data(), 10), 0x100BE);
    ASSERT_EQ(Kavex_DFWriteRecord(h, kLinearFile, mode, 0, all.data(), 3), 0);
    ASSERT_EQ(Kavex_DFCommitTransaction(h), 0);
    ExpectInStep();
}

TEST_P(FileData, BackupDataAndRecordsWaitForTheCommit)
{
    const Bytes before(64, 0);
    const Bytes data = Pattern(64, 0x33);
    Bytes back(64);
    ASSERT_EQ(Kavex_DFWriteData(h, kBackupFile, mode, 0, data.data(), 64), 0) << std::hex << Status();
    ASSERT_EQ(Kavex_DFReadData(h, kBackupFile, mode, 0, 64, back.data(), 64), 64);
    EXPECT_EQ(back, before);
    ASSERT_EQ(Kavex_DFCommitTransaction(h), 0);
    ASSERT_EQ(Kavex_DFReadData(h, kBackupFile, mode, 0, 64, back.data(), 64), 64);
    EXPECT_EQ(back, data);

    // Selecting the application again drops what was not committed.
    const Bytes lost = Pattern(64, 0x77);
    ASSERT_EQ(Kavex_DFWriteData(h, kBackupFile, mode, 0, lost.data(), 64), 0);
    ASSERT_EQ(Kavex_DFCredit(h, kValueFile, mode, 5), 0);
    ASSERT_EQ(Kavex_DFWriteRecord(h, kLinearFile, mode, 0, lost.data(), 10), 0);
    ASSERT_EQ(Kavex_DFSelectApplication(h, kAid), 0);
    Login();
    ASSERT_EQ(Kavex_DFCommitTransaction(h), 0);
    ASSERT_EQ(Kavex_DFReadData(h, kBackupFile, mode, 0, 64, back.data(), 64), 64);
    EXPECT_EQ(back, data);
    EXPECT_EQ(Value(), 10);
    Bytes out(10);
    ExpectRefused(Kavex_DFReadRecords(h, kLinearFile, mode, 0, 0, kRecordSize, out.data(), 10), 0x100BE);
}

std::vector<DataCase> AllCases()
{
    return {{Auth::None, 0}, {Auth::None, 1}, {Auth::Iso, 0}, {Auth::Iso, 1},
            {Auth::Iso, 3},  {Auth::Aes, 0},  {Auth::Aes, 1}, {Auth::Aes, 3}};
}

TEST_P(FileData, ProgressGrowsBetweenFramesAndEndsAtTheTotal)
{
    struct Calls {
        std::vector<std::pair<int, int>> seen;
        static void Hook(void* c, int done, int total) { static_cast<Calls*>(c)->seen.push_back({done, total}); }
        // Growing, one total, the last call at it.
        void Expect(int total)
        {
            ASSERT_GE(seen.size(), 2u);
            for (size_t i = 0; i < seen.size(); ++i) {
                EXPECT_EQ(seen[i].second, total) << i;
                if (i > 0) {
                    EXPECT_GT(seen[i].first, seen[i - 1].first) << i;
                }
            }
            EXPECT_EQ(seen.back().first, total);
            seen.clear();
        }
    } calls;
    Kavex_SetProgressHook(&Calls::Hook, &calls);
    const Bytes data = Pattern(9000, 5);
    ASSERT_EQ(Kavex_DFWriteData(h, kDataFile, mode, 100, data.data(), 9000), 0) << std::hex << Status();
    calls.Expect(9000);
    Bytes back(9000);
    ASSERT_EQ(Kavex_DFReadData(h, kDataFile, mode, 100, 9000, back.data(), 9000), 9000);
    calls.Expect(9000);
    EXPECT_EQ(back, data);
    // The rest of the file: no total before the last call, which brings
    // it; never more than the data, whatever MAC or padding the answer has.
    ASSERT_EQ(Kavex_DFReadData(h, kDataFile, mode, kDataFileSize - 2000, 0, back.data(), 9000), 2000);
    ASSERT_GE(calls.seen.size(), 2u);
    for (size_t i = 0; i + 1 < calls.seen.size(); ++i) {
        EXPECT_EQ(calls.seen[i].second, 0) << i;
        EXPECT_LT(calls.seen[i].first, calls.seen[i + 1].first) << i;
    }
    EXPECT_EQ(calls.seen.back(), std::make_pair(2000, 2000));
    calls.seen.clear();
    // A single frame says nothing.
    ASSERT_EQ(Kavex_DFReadData(h, kDataFile, mode, 0, 8, back.data(), 8), 8);
    EXPECT_TRUE(calls.seen.empty());
    Kavex_SetProgressHook(nullptr, nullptr);
    ASSERT_EQ(Kavex_DFReadData(h, kDataFile, mode, 100, 900, back.data(), 900), 900);
    EXPECT_TRUE(calls.seen.empty());
}

INSTANTIATE_TEST_SUITE_P(SessionsAndModes, FileData, ::testing::ValuesIn(AllCases()), [](const auto& info) {
    return std::string(AuthName(info.param.auth)) + "_Mode" + std::to_string(info.param.mode);
});

// ---- Frames on the wire --------------------------------------------------

class FileDataWire : public SimTest {
protected:
    void SetUp() override
    {
        OpenLargeCard();
        Activate();
        CreateAndSelectApplication(kAid, Auth::Aes);
        ASSERT_EQ(Kavex_DFCreateStdDataFile(h, kDataFile, 0, kDataFileSize, 0, 0xEEEE), 0);
    }
    std::vector<Bytes> CommandsSince(size_t from)
    {
        const auto all = tamper->Commands();
        return std::vector<Bytes>(all.begin() + static_cast<long>(from), all.end());
    }
};

TEST_F(FileDataWire, SixtyPlainBytesGoOutAsHeaderWithFiftyTwoThenEight)
{
    const Bytes data = Pattern(60);
    const size_t from = tamper->Commands().size();
    ASSERT_EQ(Kavex_DFWriteData(h, kDataFile, 0, 0x000102, data.data(), 60), 0);
    const auto cmds = CommandsSince(from);
    ASSERT_EQ(cmds.size(), 2u);
    Bytes first = {0x3D, kDataFile, 0x02, 0x01, 0x00, 60, 0, 0};
    first.insert(first.end(), data.begin(), data.begin() + 52);
    EXPECT_EQ(cmds[0], first);
    Bytes second = {0xAF};
    second.insert(second.end(), data.begin() + 52, data.end());
    EXPECT_EQ(cmds[1], second);
}

TEST_F(FileDataWire, LargeTransfersAreCommandsOfAtMost7600Bytes)
{
    const Bytes data = Pattern(10000, 3);
    size_t from = tamper->Commands().size();
    ASSERT_EQ(Kavex_DFWriteData(h, kDataFile, 0, 5, data.data(), 10000), 0);
    std::vector<Bytes> headers;
    for (const Bytes& c : CommandsSince(from)) {
        EXPECT_LE(c.size(), 60u);
        if (c[0] == 0x3D) headers.emplace_back(c.begin(), c.begin() + 8);
    }
    ASSERT_EQ(headers.size(), 2u);
    EXPECT_EQ(headers[0], Bytes({0x3D, kDataFile, 5, 0, 0, 0xB0, 0x1D, 0}));       // 7600 at 5
    EXPECT_EQ(headers[1], Bytes({0x3D, kDataFile, 0xB5, 0x1D, 0, 0x60, 0x09, 0})); // 2400 at 7605
    // 1 + ceil((7600 - 52) / 59) frames, then 1 + ceil((2400 - 52) / 59).
    EXPECT_EQ(CommandsSince(from).size(), 129u + 41u);

    from = tamper->Commands().size();
    Bytes back(10000);
    ASSERT_EQ(Kavex_DFReadData(h, kDataFile, 0, 5, 10000, back.data(), 10000), 10000);
    EXPECT_EQ(back, data);
    std::vector<Bytes> reads;
    for (const Bytes& c : CommandsSince(from))
        if (c[0] == 0xBD) reads.push_back(c);
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[0], Bytes({0xBD, kDataFile, 5, 0, 0, 0xB0, 0x1D, 0}));
    EXPECT_EQ(reads[1], Bytes({0xBD, kDataFile, 0xB5, 0x1D, 0, 0x60, 0x09, 0}));
}

TEST_F(FileDataWire, ProtectedWriteFramesCarryMacAndCipherBlocks)
{
    ASSERT_EQ(Kavex_DFCreateStdDataFile(h, 7, 0, 200, 1, 0x0000), 0);
    ASSERT_EQ(Kavex_DFCreateStdDataFile(h, 8, 0, 200, 3, 0x0000), 0);
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
    const Bytes data = Pattern(60);
    // 60 bytes and the MAC: 52 in the first frame, 16 in the second.
    size_t from = tamper->Commands().size();
    ASSERT_EQ(Kavex_DFWriteData(h, 7, 1, 0, data.data(), 60), 0) << std::hex << Status();
    auto cmds = CommandsSince(from);
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(cmds[0].size(), 60u);
    EXPECT_EQ(cmds[1].size(), 1u + 16u);
    // 60 bytes and the CRC padded to 64: 52, then 12.
    from = tamper->Commands().size();
    ASSERT_EQ(Kavex_DFWriteData(h, 8, 3, 0, data.data(), 60), 0) << std::hex << Status();
    cmds = CommandsSince(from);
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(cmds[1].size(), 1u + 12u);
    Bytes back(60);
    ASSERT_EQ(Kavex_DFReadData(h, 8, 3, 0, 0, back.data(), 60), 60);
    EXPECT_EQ(back, data);
    ExpectIvInStep();
}

// ---- Refusals --------------------------------------------------------------

TEST_F(SimTest, AccessRightsTheCardRefuses)
{
    OpenLargeCard();
    Activate();
    CreateAndSelectApplication(kAid, Auth::Aes);
    // Read key 2, write key 3, no read-and-write, change with key 0.
    ASSERT_EQ(Kavex_DFCreateStdDataFile(h, 1, 0, 32, 3, 0x23F0), 0);
    ASSERT_EQ(Kavex_DFCreateValueFile(h, 2, 1, 0x23F0, 0, 100, 50, 0), 0);
    ASSERT_EQ(Kavex_DFCreateStdDataFile(h, 3, 0, 32, 0, 0xFFFF), 0);
    Bytes buf(32, 0x11);

    ASSERT_EQ(Kavex_DFReadData(h, 1, 0, 0, 4, buf.data(), 32), -1);
    EXPECT_EQ(Status(), 0x100AE);
    struct Case {
        const char* what;
        uint8_t key;
        std::function<int()> call;
        int status;
    };
    const Case cases[] = {
        {"read with the write key", 3, [&] { return Kavex_DFReadData(h, 1, 3, 0, 4, buf.data(), 32); }, 0x100AE},
        {"write with the read key", 2, [&] { return Kavex_DFWriteData(h, 1, 3, 0, buf.data(), 4); }, 0x100AE},
        {"credit needs read and write", 2, [&] { return Kavex_DFCredit(h, 2, 1, 1); }, 0x1009D},
        {"limited credit with the read key", 2, [&] { return Kavex_DFLimitedCredit(h, 2, 1, 1); }, 0x100AE},
        {"never", 0, [&] { return Kavex_DFReadData(h, 3, 0, 0, 4, buf.data(), 32); }, 0x1009D},
        {"no such file", 2, [&] { return Kavex_DFReadData(h, 9, 0, 0, 4, buf.data(), 32); }, 0x100F0},
        {"past the end", 2, [&] { return Kavex_DFReadData(h, 1, 3, 30, 4, buf.data(), 32); }, 0x100BE},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Kavex_DFAuthenticateAES(h, c.key, kAesKey.data(), 16), 0) << c.what;
        EXPECT_EQ(c.call(), -1) << c.what;
        EXPECT_EQ(Status(), c.status) << c.what;
        EXPECT_FALSE(Host().IsAuthenticated()) << c.what;
    }
    // The keys that hold the rights.
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 3, kAesKey.data(), 16), 0);
    ASSERT_EQ(Kavex_DFWriteData(h, 1, 3, 0, buf.data(), 4), 0);
    ASSERT_EQ(Kavex_DFDebit(h, 2, 1, 7), 0);
    ASSERT_EQ(Kavex_DFCommitTransaction(h), 0);
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 2, kAesKey.data(), 16), 0);
    Bytes back(4);
    ASSERT_EQ(Kavex_DFReadData(h, 1, 3, 0, 4, back.data(), 4), 4);
    EXPECT_EQ(back, Bytes(4, 0x11));
    int v = 0;
    ASSERT_EQ(Kavex_DFGetValue(h, 2, 1, &v), 0);
    EXPECT_EQ(v, 43);
}

TEST_F(SimTest, DataParameterErrorsAreFoundBeforeAnythingIsSent)
{
    OpenLargeCard();
    Activate();
    CreateAndSelectApplication(kAid, Auth::Aes);
    ASSERT_EQ(Kavex_DFCreateStdDataFile(h, 1, 0, 32, 0, 0xEEEE), 0);
    const size_t before = Exchanges();
    uint8_t buf[16] = {0};
    int value = 0;
    const std::pair<std::function<int()>, int> cases[] = {
        // Enciphered data needs a session key.
        {[&] { return Kavex_DFReadData(h, 1, 3, 0, 4, buf, 16); }, 0x10023},
        {[&] { return Kavex_DFWriteData(h, 1, 3, 0, buf, 4); }, 0x10023},
        {[&] { return Kavex_DFWriteData(h, 1, 3, 0, buf, 0); }, 0x10023},
        {[&] { return Kavex_DFGetValue(h, 2, 3, &value); }, 0x10023},
        {[&] { return Kavex_DFCredit(h, 2, 3, 1); }, 0x10023},
        {[&] { return Kavex_DFDebit(h, 2, 3, 1); }, 0x10023},
        {[&] { return Kavex_DFLimitedCredit(h, 2, 3, 1); }, 0x10023},
        {[&] { return Kavex_DFWriteRecord(h, 3, 3, 0, buf, 4); }, 0x10023},
        {[&] { return Kavex_DFReadRecords(h, 3, 3, 0, 1, 4, buf, 16); }, 0x10023},
        // Offsets and lengths that three bytes cannot carry.
        {[&] { return Kavex_DFReadData(h, 1, 0, 0x1000000, 0, buf, 16); }, 7},
        {[&] { return Kavex_DFReadData(h, 1, 0, 0xFFFFF0, 0x20, buf, 16); }, 7},
        {[&] { return Kavex_DFWriteData(h, 1, 0, 0xFFFFFF, buf, 2); }, 7},
        {[&] { return Kavex_DFWriteData(h, 1, 0, 0, buf, -1); }, 7},
        {[&] { return Kavex_DFWriteData(h, 1, 0, 0, nullptr, 4); }, 7},
        {[&] { return Kavex_DFWriteRecord(h, 3, 0, 0x1000000, buf, 4); }, 7},
        {[&] { return Kavex_DFReadRecords(h, 3, 0, 0, 0x1000000, 1, buf, 16); }, 7},
        {[&] { return Kavex_DFGetValue(h, 2, 0, nullptr); }, 5},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].first(), -1) << i;
        EXPECT_EQ(Status(), cases[i].second) << i;
    }
    EXPECT_EQ(Exchanges(), before);

    // Nothing to write is done at once; mode 1 goes out plain without a
    // session.
    EXPECT_EQ(Kavex_DFWriteData(h, 1, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(Status(), 0);
    EXPECT_EQ(Exchanges(), before);
    const Bytes data = {1, 2, 3};
    ASSERT_EQ(Kavex_DFWriteData(h, 1, 1, 4, data.data(), 3), 0);
    EXPECT_EQ(tamper->Commands().back(), Bytes({0x3D, 1, 4, 0, 0, 3, 0, 0, 1, 2, 3}));
}

} // namespace
} // namespace enginetest
