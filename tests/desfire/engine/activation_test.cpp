// Card activation and the DESFire exchange through the reader.
#include "desfire/exchange.h"
#include "sim/test_card.h"
#include "tests/desfire/engine/sim_fixture.h"

namespace enginetest {
namespace {

using kavex::sim::Fault;
using kavex::sim::TestCard;

TEST_F(SimTest, ActivationOfADesfireCardWithASevenByteUid)
{
    Open();
    Activate();
    EXPECT_EQ(uid, Bytes({0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66}));
    EXPECT_EQ(sak, 0x20);
    EXPECT_EQ(ats, Bytes({0x75, 0x77, 0x81, 0x02, 0x80}));
    EXPECT_EQ(Sim().ReceivedCommands(), Bytes({0xF5, 0xF5, 0x30, 0x31, 0x41, 0x42}));
    EXPECT_EQ(Sim().LastPps(), 0x0F);
    uint8_t version[28];
    EXPECT_EQ(Kavex_DFGetVersion(h, version, sizeof version), 0);
    EXPECT_EQ(Bytes(version + 14, version + 21), uid);
    EXPECT_EQ(Kavex_DFGetFreeMemory(h), static_cast<int>(desfire->State().memory.Free()));
}

TEST_F(SimTest, CardWithoutIso14443_4StopsAfterSelect)
{
    TestCard::Params p;
    p.uid = {0xDE, 0xAD, 0xBE, 0xEF};
    p.sak = 0x08;
    p.atqa = 0x0004;
    p.ats = {};
    Open(std::make_shared<TestCard>(p));
    Activate();
    EXPECT_EQ(uid, p.uid);
    EXPECT_EQ(Sim().CountReceived(0x41), 0u);
    // No ISO/IEC 14443-4 session: the reader refuses the exchange.
    EXPECT_EQ(Kavex_DFGetFreeMemory(h), -1);
    EXPECT_NE(Status(), 0);
}

TEST_F(SimTest, ActivationAnswersThatDoNotFitAreFailuresWithACause)
{
    Open();
    ASSERT_EQ(Kavex_RequestA(h, nullptr), 0);
    uint8_t small[6] = {0, 0, 0, 0, 0, 0};
    uint8_t sakOut = 0x77;
    EXPECT_EQ(Kavex_AnticollSelect(h, small, 4, &sakOut), -1);
    EXPECT_EQ(Status(), 5);
    EXPECT_EQ(sakOut, 0);
    EXPECT_EQ(small[4], 0) << "written past the given size";

    Sim().InjectFault(Fault::StatusAndData(0, {}));
    uint8_t uidBuf[10];
    EXPECT_EQ(Kavex_AnticollSelect(h, uidBuf, sizeof uidBuf, &sakOut), -1);
    EXPECT_EQ(Status(), 9);

    Sim().InjectFault(Fault::StatusAndData(0, {0x44}));
    unsigned short atqa = 0;
    EXPECT_EQ(Kavex_RequestA(h, &atqa), -1);
    EXPECT_EQ(Status(), 9);

    ASSERT_EQ(Kavex_RequestA(h, &atqa), 0);
    ASSERT_EQ(Kavex_AnticollSelect(h, uidBuf, sizeof uidBuf, &sakOut), 7);
    uint8_t atsBuf[5] = {0};
    EXPECT_EQ(Kavex_RATS(h, atsBuf, 4), -1);
    EXPECT_EQ(Status(), 5);
    EXPECT_EQ(atsBuf[4], 0);
}

TEST_F(SimTest, AnswerInThreeReaderPiecesArrivesWhole)
{
    kavex::sim::ReaderConfig config;
    config.piece_size = 3;
    Open(nullptr, config);
    Activate();
    Sim().ClearLog();
    Bytes answer;
    const uint8_t getVersion = 0x60;
    ASSERT_EQ(kavex::desfire::DesfireExchange(Port(), &getVersion, 1, answer, 100), 8);
    EXPECT_EQ(answer[0], 0xAF);
    EXPECT_EQ(answer[1], 0x04); // hardware vendor
    EXPECT_EQ(Sim().ReceivedCommands(), Bytes({0x45, 0x46, 0x46}));

    // Longer than the command allows: status 5.
    const uint8_t more = 0xAF;
    EXPECT_EQ(kavex::desfire::DesfireExchange(Port(), &more, 1, answer, 5), -1);
    EXPECT_EQ(Status(), 5);

    // A reader that never stops announcing more pieces.
    Sim().SetPersistentFault(Fault::StatusAndData(0x20, {}));
    EXPECT_EQ(kavex::desfire::DesfireExchange(Port(), &more, 1, answer, 10), -1);
    EXPECT_EQ(Status(), 5);
    EXPECT_LE(Sim().CountReceived(0x46), 20u);
}

TEST_F(SimTest, PpsStartsAFreshSession)
{
    Open();
    Activate();
    ASSERT_EQ(Kavex_DFAuthenticateISO(h, 0, nullptr, 0), 0);
    // Only PPS, the last activation step, tells the host that the card
    // starts afresh.
    ASSERT_EQ(Kavex_SetRF(h, 0), 0);
    ASSERT_EQ(Kavex_SetRF(h, 1), 0);
    uint8_t buf[20], sakOut;
    ASSERT_EQ(Kavex_RequestA(h, nullptr), 0);
    ASSERT_EQ(Kavex_AnticollSelect(h, buf, 10, &sakOut), 7);
    ASSERT_GT(Kavex_RATS(h, buf, 20), 0);
    EXPECT_TRUE(Host().IsAuthenticated());
    ASSERT_EQ(Kavex_PPS(h, 0), 0);

    const uint8_t settings = 0;
    const size_t before = Exchanges();
    EXPECT_EQ(Kavex_DFSetConfiguration(h, 0, &settings, 1), -1);
    EXPECT_EQ(Status(), 0x10023);
    EXPECT_EQ(Exchanges(), before);
}

TEST(UnknownHandle, EveryFunctionFailsWithoutTouchingAPort)
{
    const int bad = 987654;
    uint8_t buf[32];
    unsigned short atqa;
    const std::vector<std::function<int()>> calls = {
        [&] { return Kavex_SetRF(bad, 1); },
        [&] { return Kavex_RequestA(bad, &atqa); },
        [&] { return Kavex_AnticollSelect(bad, buf, 10, buf + 20); },
        [&] { return Kavex_RATS(bad, buf, 20); },
        [&] { return Kavex_PPS(bad, 0); },
        [&] { return Kavex_DFAuthenticateISO(bad, 0, nullptr, 0); },
        [&] { return Kavex_DFAuthenticateAES(bad, 0, nullptr, 0); },
        [&] { return Kavex_DFGetVersion(bad, buf, 28); },
        [&] { return Kavex_DFGetFreeMemory(bad); },
        [&] { return Kavex_DFFormatPICC(bad); },
        [&] { return Kavex_DFSetConfiguration(bad, 0, buf, 1); },
        [&] { return Kavex_DFGetCardUID(bad, buf, 7); },
        [&] { return Kavex_DFSelectApplication(bad, 1); },
        [&] { return Kavex_DFCreateApplication(bad, 1, 2, 1, 0, 0, 0xF, nullptr, 0); },
    };
    for (size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(calls[i](), -1) << i;
    EXPECT_EQ(Kavex_GetLastError(bad), 3);
}

} // namespace
} // namespace enginetest
