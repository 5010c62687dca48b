// Creating, listing, inspecting, reconfiguring and deleting files.
#include "tests/sim/desfire/card_fixture.h"

namespace desfire_test {
namespace {

using reference::Cat;

class FileManagementTest : public CardTest {
protected:
    // An AES application with 4 keys and the given settings, selected.
    void App(uint32_t aid, uint8_t settings = 0x0F, bool iso = false)
    {
        const uint8_t keyByte = iso ? 0xA4 : 0x84;
        ASSERT_EQ(CreateApp(aid, settings, keyByte), Bytes{0x00});
        ASSERT_EQ(Select(aid), Bytes{0x00});
    }
};

TEST_F(FileManagementTest, EveryFileTypeReportsItsSettings)
{
    App(0x00F11E);
    EXPECT_EQ(Tx({0x6F}), Bytes{0x00});
    ASSERT_EQ(Tx(CreateDataFileCmd(0xCD, 1, 0x00, 0x1234, 100)), Bytes{0x00});
    ASSERT_EQ(Tx(CreateDataFileCmd(0xCB, 2, 0x01, 0xEEEE, 64)), Bytes{0x00});
    ASSERT_EQ(Tx(CreateValueFileCmd(3, 0x03, 0x2301, -100, 1000, 10, 0x01)), Bytes{0x00});
    ASSERT_EQ(Tx(CreateRecordFileCmd(0xC1, 4, 0x02, 0xFFFF, 16, 5)), Bytes{0x00});
    ASSERT_EQ(Tx(CreateRecordFileCmd(0xC0, 31, 0x00, 0x0E0E, 8, 3)), Bytes{0x00});

    EXPECT_EQ(Tx({0x6F}), (Bytes{0x00, 1, 2, 3, 4, 31}));
    EXPECT_EQ(Tx({0xF5, 1}), (Bytes{0x00, 0x00, 0x00, 0x34, 0x12, 100, 0, 0}));
    EXPECT_EQ(Tx({0xF5, 2}), (Bytes{0x00, 0x01, 0x01, 0xEE, 0xEE, 64, 0, 0}));
    EXPECT_EQ(Tx({0xF5, 3}), (Bytes{0x00, 0x02, 0x03, 0x01, 0x23, 0x9C, 0xFF, 0xFF, 0xFF, 0xE8, 0x03, 0x00, 0x00, 0x00,
                                    0x00, 0x00, 0x00, 0x01}));
    // Communication settings 2 are kept as given (the host reads them as plain).
    EXPECT_EQ(Tx({0xF5, 4}), (Bytes{0x00, 0x03, 0x02, 0xFF, 0xFF, 16, 0, 0, 5, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Tx({0xF5, 31}), (Bytes{0x00, 0x04, 0x00, 0x0E, 0x0E, 8, 0, 0, 3, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Tx({0xF5, 5}), Bytes{0xF0});
    EXPECT_EQ(Tx({0xF5, 32}), Bytes{0x9E});
    EXPECT_EQ(Tx({0xF5}), Bytes{0x7E});
}

TEST_F(FileManagementTest, CreateRefusals)
{
    // Files live in applications only.
    EXPECT_EQ(Tx(CreateDataFileCmd(0xCD, 1, 0, 0xEEEE, 32)), Bytes{0x9D});
    EXPECT_EQ(Tx({0x6F}), Bytes{0x9D});
    App(0x000BAD);
    ASSERT_EQ(Tx(CreateDataFileCmd(0xCD, 1, 0, 0xEEEE, 32)), Bytes{0x00});
    EXPECT_EQ(Tx(CreateDataFileCmd(0xCD, 1, 0, 0xEEEE, 32)), Bytes{0xDE});
    EXPECT_EQ(Tx(CreateValueFileCmd(1, 0, 0xEEEE, 0, 10, 0, 0)), Bytes{0xDE});
    EXPECT_EQ(Tx(CreateDataFileCmd(0xCD, 32, 0, 0xEEEE, 32)), Bytes{0x9E});
    EXPECT_EQ(Tx(CreateDataFileCmd(0xCB, 2, 4, 0xEEEE, 32)), Bytes{0x9E});
    EXPECT_EQ(Tx(CreateDataFileCmd(0xCD, 2, 0, 0xEEEE, 0)), Bytes{0x9E});
    EXPECT_EQ(Tx(CreateRecordFileCmd(0xC1, 2, 0, 0xEEEE, 0, 4)), Bytes{0x9E});
    EXPECT_EQ(Tx(CreateRecordFileCmd(0xC1, 2, 0, 0xEEEE, 4, 0)), Bytes{0x9E});
    // A cyclic file needs a slot beyond the records it keeps.
    EXPECT_EQ(Tx(CreateRecordFileCmd(0xC0, 2, 0, 0xEEEE, 4, 1)), Bytes{0x9E});
    EXPECT_EQ(Tx(CreateValueFileCmd(2, 0, 0xEEEE, 10, 9, 9, 0)), Bytes{0x9E});  // lower above upper
    EXPECT_EQ(Tx(CreateValueFileCmd(2, 0, 0xEEEE, 0, 10, 11, 0)), Bytes{0x9E}); // value above upper
    EXPECT_EQ(Tx(CreateValueFileCmd(2, 0, 0xEEEE, 0, 10, -1, 0)), Bytes{0x9E}); // value below lower
    EXPECT_EQ(Tx(CreateValueFileCmd(2, 0, 0xEEEE, 0, 10, 0, 0x04)), Bytes{0x9E});
    EXPECT_EQ(Tx({0xCC, 2, 0, 0xEE, 0xEE}), Bytes{0x7E});
    // ISO file IDs only in applications made for them.
    EXPECT_EQ(Tx(CreateDataFileCmd(0xCD, 2, 0, 0xEEEE, 32, 0x1234)), Bytes{0x7E});
    EXPECT_EQ(Tx(CreateRecordFileCmd(0xC1, 2, 0, 0xEEEE, 4, 4, 0x1234)), Bytes{0x7E});
    EXPECT_EQ(Tx({0x6F}), (Bytes{0x00, 1}));

    ASSERT_EQ(Select(0), Bytes{0x00});
    App(0x0015D0, 0x0F, true);
    EXPECT_EQ(Tx(CreateDataFileCmd(0xCD, 1, 0, 0xEEEE, 32, 0x1234)), Bytes{0x00});
    EXPECT_EQ(Tx(CreateRecordFileCmd(0xC0, 2, 0, 0xEEEE, 4, 4, 0x1234)), Bytes{0xDE});
    EXPECT_EQ(Tx(CreateRecordFileCmd(0xC0, 2, 0, 0xEEEE, 4, 4, 0x1235)), Bytes{0x00});
    EXPECT_EQ(Tx(CreateDataFileCmd(0xCB, 3, 0, 0xEEEE, 32)), Bytes{0x00}); // the ID is optional
    EXPECT_EQ(Tx({0x6F}), (Bytes{0x00, 1, 2, 3}));
}

TEST_F(FileManagementTest, ThirtyTwoFilesFitAnApplication)
{
    App(0x000032);
    for (uint8_t no = 0; no < 32; ++no) ASSERT_EQ(Tx(CreateValueFileCmd(no, 0, 0xEEEE, 0, 1, 0, 0)), Bytes{0x00});
    Bytes ids{0x00};
    for (uint8_t no = 0; no < 32; ++no) ids.push_back(no);
    EXPECT_EQ(Tx({0x6F}), ids);
}

TEST_F(FileManagementTest, DirectoryRightsFollowTheApplicationKeySettings)
{
    // 0x09: neither free create/delete nor free directory.
    App(0x00D1E0, 0x09);
    EXPECT_EQ(Tx(CreateDataFileCmd(0xCD, 1, 0, 0xEEEE, 32)), Bytes{0xAE});
    HostSession s = Auth(Algo::Aes, kZeroKey, 1);
    EXPECT_EQ(MacedTx(s, CreateDataFileCmd(0xCD, 1, 0, 0xEEEE, 32)), Bytes{0xAE});
    s = Auth(Algo::Aes, kZeroKey, 0);
    EXPECT_EQ(MacedTx(s, CreateDataFileCmd(0xCD, 1, 0, 0xEEEE, 32)), Bytes{0x00});
    EXPECT_EQ(MacedTx(s, {0x6F}), (Bytes{0x00, 1}));
    EXPECT_EQ(MacedTx(s, {0xF5, 1}), (Bytes{0x00, 0x00, 0x00, 0xEE, 0xEE, 32, 0, 0}));
    ASSERT_EQ(Select(0x00D1E0), Bytes{0x00});
    EXPECT_EQ(Tx({0x6F}), Bytes{0xAE});
    EXPECT_EQ(Tx({0xF5, 1}), Bytes{0xAE});
    EXPECT_EQ(Tx({0xDF, 1}), Bytes{0xAE});
    s = Auth(Algo::Aes, kZeroKey, 0);
    EXPECT_EQ(MacedTx(s, {0xDF, 1}), Bytes{0x00});
    EXPECT_EQ(MacedTx(s, {0xDF, 1}), Bytes{0xF0});
}

TEST_F(FileManagementTest, MemoryIsChargedInBlocksAndOnlyFormatGivesItBack)
{
    App(0x00AE3A);
    uint32_t free = FreeMemory();
    struct Step {
        Bytes create;
        uint32_t cost;
    };
    const Step steps[] = {
        {CreateDataFileCmd(0xCD, 1, 0, 0xEEEE, 33), 64},
        {CreateDataFileCmd(0xCB, 2, 0, 0xEEEE, 33), 128}, // two images
        {CreateValueFileCmd(3, 0, 0xEEEE, 0, 1, 0, 0), 32},
        {CreateRecordFileCmd(0xC1, 4, 0, 0xEEEE, 16, 5), 96},
        {CreateRecordFileCmd(0xC0, 5, 0, 0xEEEE, 1, 32), 32},
    };
    for (const Step& step : steps) {
        ASSERT_EQ(Tx(step.create), Bytes{0x00});
        EXPECT_EQ(FreeMemory(), free - step.cost);
        free -= step.cost;
    }
    ASSERT_EQ(Tx({0xDF, 1}), Bytes{0x00});
    EXPECT_EQ(FreeMemory(), free);
    EXPECT_EQ(Tx(CreateDataFileCmd(0xCD, 6, 0, 0xEEEE, free + 1)), Bytes{0x0E});
    EXPECT_EQ(Tx(CreateRecordFileCmd(0xC1, 6, 0, 0xEEEE, 0xFFFFFF, 0xFFFFFF)), Bytes{0x0E});
    EXPECT_EQ(Tx(CreateDataFileCmd(0xCD, 6, 0, 0xEEEE, free)), Bytes{0x00});
    EXPECT_EQ(FreeMemory(), 0u);
    EXPECT_EQ(Tx(CreateValueFileCmd(7, 0, 0xEEEE, 0, 1, 0, 0)), Bytes{0x0E});
    EXPECT_EQ(Tx({0x6F}), (Bytes{0x00, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Select(0), Bytes{0x00});
    EXPECT_EQ(CreateApp(0x000002, 0x0F, 0x01), Bytes{0x0E});

    HostSession s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(MacedTx(s, {0xFC}), Bytes{0x00});
    EXPECT_EQ(MacedTx(s, {0x6E}), (Bytes{0x00, 0x00, 0x1F, 0x00}));
}

TEST_F(FileManagementTest, ChangeFileSettingsPlainWhenFreeEncipheredWithTheKey)
{
    App(0x00C4A6);
    ASSERT_EQ(Tx(CreateDataFileCmd(0xCD, 1, 0x00, 0x123E, 32)), Bytes{0x00}); // change: free
    ASSERT_EQ(Tx(CreateDataFileCmd(0xCD, 2, 0x00, 0x1232, 32)), Bytes{0x00}); // change: key 2
    ASSERT_EQ(Tx(CreateDataFileCmd(0xCD, 3, 0x00, 0x123F, 32)), Bytes{0x00}); // change: never

    EXPECT_EQ(Tx({0x5F, 1, 0x03, 0x34, 0x12}), Bytes{0x00});
    EXPECT_EQ(Tx({0xF5, 1}), (Bytes{0x00, 0x00, 0x03, 0x34, 0x12, 32, 0, 0}));
    // Free no more: now key 4 is needed.
    EXPECT_EQ(Tx({0x5F, 1, 0x00, 0x3E, 0x12}), Bytes{0xAE});
    EXPECT_EQ(Tx({0x5F, 3, 0x00, 0x3E, 0x12}), Bytes{0x9D});
    EXPECT_EQ(Tx({0x5F, 2, 0x00, 0x3E, 0x12}), Bytes{0xAE});
    EXPECT_EQ(Tx({0x5F, 9, 0x00, 0x3E, 0x12}), Bytes{0xF0});

    HostSession s = Auth(Algo::Aes, kZeroKey, 1);
    EXPECT_EQ(Tx(s.Enciphered({0x5F, 2}, {0x01, 0x3E, 0x12})), Bytes{0xAE});
    s = Auth(Algo::Aes, kZeroKey, 2);
    EXPECT_EQ(Tx({0x5F, 2, 0x00, 0x3E, 0x12}), Bytes{0x7E}); // plain where enciphered is due
    s = Auth(Algo::Aes, kZeroKey, 2);
    Bytes plain = Cat({0x01, 0x3E, 0x12}, reference::Le32(reference::Crc32({0x5F, 0x02, 0x01, 0x3E, 0x13})));
    plain.resize(16, 0);
    EXPECT_EQ(Tx(Cat({0x5F, 2}, reference::CbcEncrypt(s.algo, s.sessionKey, s.iv, plain))), Bytes{0x1E});
    s = Auth(Algo::Aes, kZeroKey, 2);
    EXPECT_EQ(Tx(s.Enciphered({0x5F, 2}, {0x04, 0x3E, 0x12})), Bytes{0x9E});
    s = Auth(Algo::Aes, kZeroKey, 2);
    const Bytes frame = s.Enciphered({0x5F, 2}, {0x01, 0x3E, 0x12});
    ASSERT_EQ(frame.size(), 18u);
    EXPECT_TRUE(s.AnswerMacOk(Tx(frame)));
    // The now free change right takes plain settings in the session too.
    EXPECT_EQ(MacedTx(s, {0x5F, 2, 0x03, 0xEE, 0xEE}), Bytes{0x00});
    EXPECT_EQ(MacedTx(s, {0xF5, 2}), (Bytes{0x00, 0x00, 0x03, 0xEE, 0xEE, 32, 0, 0}));
}

TEST_F(FileManagementTest, DeletedFileNumberIsFreeAgain)
{
    App(0x00DE1F);
    ASSERT_EQ(Tx(CreateRecordFileCmd(0xC1, 7, 0, 0xEEEE, 4, 4)), Bytes{0x00});
    ASSERT_EQ(Tx(TransferCmd(0x3B, 7, 0, 4, {1, 2, 3, 4})), Bytes{0x00});
    ASSERT_EQ(Tx({0xC7}), Bytes{0x00});
    EXPECT_EQ(Tx({0xDF, 7}), Bytes{0x00});
    EXPECT_EQ(Tx({0xDF, 7}), Bytes{0xF0});
    EXPECT_EQ(Tx({0xDF, 40}), Bytes{0x9E});
    EXPECT_EQ(Tx({0xBB, 7, 0, 0, 0, 0, 0, 0}), Bytes{0xF0});
    ASSERT_EQ(Tx(CreateRecordFileCmd(0xC1, 7, 0, 0xEEEE, 4, 4)), Bytes{0x00});
    EXPECT_EQ(Tx({0xF5, 7}), (Bytes{0x00, 0x03, 0x00, 0xEE, 0xEE, 4, 0, 0, 4, 0, 0, 0, 0, 0}));
}

} // namespace
} // namespace desfire_test
