// Creating, listing, inspecting, reconfiguring and deleting files through
// the public API against the simulated card.
#include "tests/desfire/engine/sim_fixture.h"

namespace enginetest {
namespace {

constexpr uint32_t kAid = 0xF11E00;

class Files : public SimTest {
protected:
    void SetUp() override
    {
        // Room for a file whose size uses all three bytes.
        DesfireCardOptions options;
        options.storageSize = 0x40000;
        desfire = std::make_shared<DesfireCard>(options);
        Open(desfire);
        Activate();
        // With ISO file IDs, so that files may carry them.
        ASSERT_EQ(Kavex_DFCreateApplication(h, kAid, 2, 3, 1, 0, 0xF, nullptr, 0), 0);
        auto& keys = desfire->State().applications.at(kAid).keys.keys;
        for (auto& key : keys) std::copy(kAesKey.begin(), kAesKey.end(), key.value.begin());
        ASSERT_EQ(Kavex_DFSelectApplication(h, kAid), 0);
    }
    Bytes Last() { return tamper->Commands().back(); }
    Bytes Settings(uint8_t fileNo, int size = 32)
    {
        Bytes out(static_cast<size_t>(size) + 1, 0xEE);
        const int n = Kavex_DFGetFileSettings(h, fileNo, out.data(), size);
        EXPECT_GE(n, 0) << std::hex << Status();
        EXPECT_EQ(out.back(), 0xEE);
        out.resize(static_cast<size_t>(std::max(n, 0)));
        return out;
    }
};

TEST_F(Files, CreateFramesOfEveryFileType)
{
    ASSERT_EQ(Kavex_DFCreateStdDataFile(h, 1, 0, 0x012345, 0, 0x1234), 0) << std::hex << Status();
    EXPECT_EQ(Last(), Bytes({0xCD, 1, 0x00, 0x34, 0x12, 0x45, 0x23, 0x01}));
    ASSERT_EQ(Kavex_DFDeleteFile(h, 1), 0);
    EXPECT_EQ(Last(), Bytes({0xDF, 1}));
    ASSERT_EQ(Kavex_DFCreateStdDataFile(h, 1, 0x1234, 32, 3, 0xE0E0), 0) << std::hex << Status();
    EXPECT_EQ(Last(), Bytes({0xCD, 1, 0x34, 0x12, 0x03, 0xE0, 0xE0, 32, 0, 0}));
    ASSERT_EQ(Kavex_DFCreateBackupDataFile(h, 2, 0, 64, 1, 0x0000), 0);
    EXPECT_EQ(Last(), Bytes({0xCB, 2, 0x01, 0x00, 0x00, 64, 0, 0}));
    ASSERT_EQ(Kavex_DFCreateValueFile(h, 3, 1, 0x1023, -100, 0x01020304, 7, 1), 0) << std::hex << Status();
    EXPECT_EQ(Last(),
              Bytes({0xCC, 3, 0x01, 0x23, 0x10, 0x9C, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01, 7, 0, 0, 0, 0x01}));
    ASSERT_EQ(Kavex_DFCreateLinearRecordFile(h, 4, 0, 3, 0xEEEE, 16, 0x000203), 0);
    EXPECT_EQ(Last(), Bytes({0xC1, 4, 0x03, 0xEE, 0xEE, 16, 0, 0, 0x03, 0x02, 0}));
    ASSERT_EQ(Kavex_DFCreateCyclicRecordFile(h, 5, 0xE105, 0, 0xEEEE, 8, 4), 0);
    EXPECT_EQ(Last(), Bytes({0xC0, 5, 0x05, 0xE1, 0x00, 0xEE, 0xEE, 8, 0, 0, 4, 0, 0}));

    const auto& files = desfire->State().applications.at(kAid).files;
    EXPECT_EQ(files.at(1).isoFileId, 0x1234);
    EXPECT_EQ(files.at(3).lowerLimit, -100);
    EXPECT_EQ(files.at(5).maxRecords, 4u);

    // A size three bytes cannot carry never reaches the card cut down.
    const size_t before = Exchanges();
    EXPECT_EQ(Kavex_DFCreateStdDataFile(h, 6, 0, 0x1000020, 0, 0xEEEE), -1);
    EXPECT_EQ(Status(), 7);
    EXPECT_EQ(Kavex_DFCreateLinearRecordFile(h, 6, 0, 0, 0xEEEE, -1, 4), -1);
    EXPECT_EQ(Kavex_DFCreateCyclicRecordFile(h, 6, 0, 0, 0xEEEE, 4, 0x1000000), -1);
    EXPECT_EQ(Status(), 7);
    EXPECT_EQ(Exchanges(), before);

    // The card's own refusals.
    EXPECT_EQ(Kavex_DFCreateStdDataFile(h, 1, 0, 32, 0, 0xEEEE), -1);
    EXPECT_EQ(Status(), 0x100DE);
    EXPECT_EQ(Kavex_DFDeleteFile(h, 9), -1);
    EXPECT_EQ(Status(), 0x100F0);
}

TEST_F(Files, FileIdsWithAndWithoutSession)
{
    // Status and MAC only; the next command chains from that MAC.
    uint8_t ids[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
    EXPECT_EQ(Kavex_DFGetFileIDs(h, ids, 4), 0);
    ExpectIvInStep();
    EXPECT_EQ(Kavex_DFGetFileIDs(h, nullptr, 0), 0) << std::hex << Status();
    ASSERT_EQ(Kavex_DFSelectApplication(h, kAid), 0);
    for (uint8_t f : {7, 0, 31}) ASSERT_EQ(Kavex_DFCreateStdDataFile(h, f, 0, 32, 0, 0xEEEE), 0);
    EXPECT_EQ(Kavex_DFGetFileIDs(h, ids, 3), 3);
    EXPECT_EQ(Bytes(ids, ids + 4), Bytes({0, 7, 31, 0xEE}));

    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
    ASSERT_EQ(Kavex_DFDeleteFile(h, 7), 0) << std::hex << Status();
    std::fill(std::begin(ids), std::end(ids), 0xEE);
    EXPECT_EQ(Kavex_DFGetFileIDs(h, ids, 4), 2);
    EXPECT_EQ(Bytes(ids, ids + 4), Bytes({0, 31, 0xEE, 0xEE}));
    ExpectIvInStep();

    std::fill(std::begin(ids), std::end(ids), 0xEE);
    EXPECT_EQ(Kavex_DFGetFileIDs(h, ids, 1), -1);
    EXPECT_EQ(Status(), 5);
    EXPECT_EQ(ids[0], 0xEE);
}

TEST_F(Files, SettingsOfEveryFileType)
{
    ASSERT_EQ(Kavex_DFCreateStdDataFile(h, 1, 0, 0x012345, 3, 0x1234), 0);
    ASSERT_EQ(Kavex_DFCreateValueFile(h, 2, 1, 0xEEEE, -5, 500, 0, 1), 0);
    ASSERT_EQ(Kavex_DFCreateLinearRecordFile(h, 3, 0, 0, 0xEEEE, 16, 10), 0);
    // The card also takes 0x02 for plain.
    ASSERT_EQ(Kavex_DFCreateBackupDataFile(h, 4, 0, 32, 2, 0xEEEE), 0);

    EXPECT_EQ(Settings(1), Bytes({0, 3, 0x34, 0x12, 0x45, 0x23, 0x01}));
    EXPECT_EQ(Settings(2), Bytes({2, 1, 0xEE, 0xEE, 0xFB, 0xFF, 0xFF, 0xFF, 0xF4, 1, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(Settings(3), Bytes({3, 0, 0xEE, 0xEE, 16, 0, 0, 10, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Settings(4), Bytes({1, 0, 0xEE, 0xEE, 32, 0, 0}));
    // Cut to the buffer.
    EXPECT_EQ(Settings(1, 4), Bytes({0, 3, 0x34, 0x12}));
    EXPECT_EQ(Kavex_DFGetFileSettings(h, 1, nullptr, 0), 0);

    ASSERT_EQ(Kavex_DFAuthenticateAES(h, 0, kAesKey.data(), 16), 0);
    EXPECT_EQ(Settings(2).size(), 17u);
    ExpectIvInStep();

    // Too short for any file, with a success status all the same.
    tamper->TamperNext([](Bytes& a) { a.resize(7); });
    uint8_t out[32];
    EXPECT_EQ(Kavex_DFGetFileSettings(h, 1, out, 32), -1);
    EXPECT_EQ(Status(), 0x10000);
    EXPECT_FALSE(Host().IsAuthenticated());
    EXPECT_EQ(Kavex_DFGetFileSettings(h, 9, out, 32), -1);
    EXPECT_EQ(Status(), 0x100F0);
}

TEST_F(Files, ChangeFileSettingsPlainAndEnciphered)
{
    // Change right free: plain; change right key 0: enciphered.
    ASSERT_EQ(Kavex_DFCreateStdDataFile(h, 1, 0, 32, 0, 0x111E), 0);
    ASSERT_EQ(Kavex_DFCreateStdDataFile(h, 2, 0, 32, 0, 0x1110), 0);
    const uint8_t settings[] = {0x03, 0x10, 0x22, 0x99};
    ASSERT_EQ(Kavex_DFChangeFileSettings(h, 1, 1, settings, 4), 0) << std::hex << Status();
    EXPECT_EQ(Last(), Bytes({0x5F, 1, 0x03, 0x10, 0x22}));
    EXPECT_EQ(Settings(1), Bytes({0, 3, 0x10, 0x22, 32, 0, 0}));

    // Short settings fail with a status of their own, whatever came before.
    const size_t before = Exchanges();
    EXPECT_EQ(Status(), 0);
    EXPECT_EQ(Kavex_DFChangeFileSettings(h, 2, 1, settings, 2), -1);
    EXPECT_EQ(Status(), 0x10027);
    EXPECT_EQ(Kavex_DFChangeFileSettings(h, 2, 0, nullptr, 3), -1);
    EXPECT_EQ(Status(), 0x10027);
    EXPECT_EQ(Kavex_DFChangeFileSettings(h, 2, 0, settings, 3), -1);
    EXPECT_EQ(Status(), 0x10023);
    EXPECT_EQ(Exchanges(), before);

    for (Auth a : {Auth::Aes, Auth::Iso}) {
        if (a == Auth::Iso) {
            CreateAndSelectApplication(0x150150, Auth::Iso);
            ASSERT_EQ(Kavex_DFCreateStdDataFile(h, 2, 0, 32, 0, 0x1110), 0);
        }
        ASSERT_EQ(AuthenticateAs(h, a, 1, KeyFor(a)), 0);
        // Authenticated with the wrong key for the change right.
        EXPECT_EQ(Kavex_DFChangeFileSettings(h, 2, 0, settings, 3), -1);
        EXPECT_EQ(Status(), 0x100AE);
        ASSERT_EQ(AuthenticateAs(h, a, 0, KeyFor(a)), 0);
        ASSERT_EQ(Kavex_DFChangeFileSettings(h, 2, 0, settings, 3), 0) << std::hex << Status();
        const Bytes sent = Last();
        EXPECT_EQ(sent.size(), a == Auth::Aes ? 18u : 10u);
        EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 2), Bytes({0x5F, 2}));
        EXPECT_EQ(Settings(2), Bytes({0, 3, 0x10, 0x22, 32, 0, 0}));
        ExpectIvInStep();
    }
}

} // namespace
} // namespace enginetest
