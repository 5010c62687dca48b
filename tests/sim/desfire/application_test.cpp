// Creating, listing and selecting applications at the card level.
#include "tests/sim/desfire/card_fixture.h"

namespace desfire_test {
namespace {

using ApplicationTest = CardTest;

TEST_F(ApplicationTest, CreatedApplicationsCanBeSelectedAndListed)
{
    ASSERT_EQ(CreateApp(0x123456, 0x0B, 0x82), Bytes{0x00});
    EXPECT_EQ(Tx({0x6A}), (Bytes{0x00, 0x56, 0x34, 0x12}));
    EXPECT_EQ(Select(0x654321), Bytes{0xA0});
    ASSERT_EQ(Select(0x123456), Bytes{0x00});
    EXPECT_EQ(Tx({0x45}), (Bytes{0x00, 0x0B, 0x82}));
    EXPECT_EQ(Tx({0x64, 0x01}), (Bytes{0x00, 0x00}));
    EXPECT_EQ(Tx({0x64, 0x02}), Bytes{0x40});
    // Card-level commands are not for an application.
    EXPECT_EQ(Tx({0x6A}), Bytes{0x9D});
    EXPECT_EQ(CreateApp(0x000077, 0x0F, 0x01), Bytes{0x9D});
    // A failed selection keeps the application selected.
    EXPECT_EQ(Select(0x999999), Bytes{0xA0});
    EXPECT_EQ(card.CurrentSession().SelectedAid(), 0x123456u);
}

TEST_F(ApplicationTest, CreateApplicationRefusals)
{
    EXPECT_EQ(CreateApp(0x000000, 0x0F, 0x01), Bytes{0x9E}); // the card level
    EXPECT_EQ(CreateApp(0x000001, 0x0F, 0x00), Bytes{0x9E}); // no keys
    EXPECT_EQ(CreateApp(0x000001, 0x0F, 0x0F), Bytes{0x9E}); // 15 keys
    EXPECT_EQ(CreateApp(0x000001, 0x0F, 0xC1), Bytes{0x9E}); // crypto method 3
    EXPECT_EQ(Tx({0xCA, 0x01, 0x00, 0x00, 0x0F}), Bytes{0x7E});
    // ISO file ID and DF name only with the ISO flag.
    EXPECT_EQ(Tx({0xCA, 0x01, 0x00, 0x00, 0x0F, 0x01, 0x10, 0xE1}), Bytes{0x7E});
    ASSERT_EQ(Tx({0xCA, 0x01, 0x00, 0x00, 0x0F, 0x21, 0x10, 0xE1, 'A'}), Bytes{0x00});
    EXPECT_EQ(CreateApp(0x000001, 0x0F, 0x01), Bytes{0xDE});
    EXPECT_EQ(Tx({0xCA, 0x02, 0x00, 0x00, 0x0F, 0x21, 0x10, 0xE1}), Bytes{0xDE});      // same file ID
    EXPECT_EQ(Tx({0xCA, 0x02, 0x00, 0x00, 0x0F, 0x21, 0x11, 0xE1, 'A'}), Bytes{0xDE}); // same name

    // Without free creation the card master key is needed.
    card.State().masterKeys.settings = 0x0B;
    EXPECT_EQ(CreateApp(0x000003, 0x0F, 0x01), Bytes{0xAE});
    HostSession s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(MacedTx(s, {0xCA, 0x03, 0x00, 0x00, 0x0F, 0x01}), Bytes{0x00});
}

TEST_F(ApplicationTest, DirectoryNeedsTheMasterKeyWhenNotFree)
{
    card.State().masterKeys.settings = 0x0D;
    EXPECT_EQ(Tx({0x6A}), Bytes{0xAE});
    EXPECT_EQ(Tx({0x45}), Bytes{0xAE});
    HostSession s = Auth(Algo::Tdes, kZeroKey);
    EXPECT_EQ(MacedTx(s, {0x6A}), Bytes{0x00});
    EXPECT_EQ(MacedTx(s, {0x45}), (Bytes{0x00, 0x0D, 0x01}));
}

TEST_F(ApplicationTest, ManyApplicationsComeInTwoFramesAndStopAtTwentyEight)
{
    for (uint32_t aid = 1; aid <= 28; ++aid) ASSERT_EQ(CreateApp(aid, 0x0F, 0x01), Bytes{0x00}) << aid;
    EXPECT_EQ(CreateApp(29, 0x0F, 0x01), Bytes{0xCE});

    HostSession s = Auth(Algo::Tdes, kZeroKey);
    s.Command({0x6A});
    const Bytes f1 = Tx({0x6A});
    ASSERT_EQ(f1[0], 0xAF);
    const Bytes f2 = Tx({0xAF});
    ASSERT_EQ(f2[0], 0x00);
    Bytes all{0x00};
    all.insert(all.end(), f1.begin() + 1, f1.end());
    all.insert(all.end(), f2.begin() + 1, f2.end());
    EXPECT_TRUE(s.AnswerMacOk(all));
    ASSERT_EQ(all.size(), 1u + 28 * 3 + 8);
    for (uint32_t i = 0; i < 28; ++i) EXPECT_EQ(all[1 + 3 * i], i + 1);
}

TEST_F(ApplicationTest, MemoryRunsOut)
{
    DesfireCardOptions o = SeededOptions();
    o.storageSize = 2048;
    DesfireCard small(o);
    auto create = [&small](uint32_t aid) { return small.Transceive({0xCA, uint8_t(aid), 0x00, 0x00, 0x0F, 0x8E}); };
    const Bytes before = small.Transceive({0x6E});
    const uint32_t free = before[1] | before[2] << 8 | before[3] << 16;
    uint32_t created = 0;
    Bytes answer;
    while ((answer = create(created + 1)) == Bytes{0x00}) ++created;
    EXPECT_EQ(answer, Bytes{0x0E});
    EXPECT_GT(created, 0u);
    const Bytes after = small.Transceive({0x6E});
    EXPECT_LT(static_cast<uint32_t>(after[1] | after[2] << 8), free);
}

} // namespace
} // namespace desfire_test
