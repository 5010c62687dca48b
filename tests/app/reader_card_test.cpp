// Opening the reader and activating the card without a window, against the
// simulated reader on a pty: what the result records tell the main window.
#include "app/model/activate_card.h"
#include "app/model/card_status.h"
#include "app/model/open_reader.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "tests/app/sim_card.h"
#include "tests/support/sim_reader.h"

#include "sim/frames.h"
#include "sim/test_card.h"
#include "resources/string_ids.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

QString LinkName(const kavex::test::SimReader& reader)
{
    return QString::fromStdString(reader.link) + QStringLiteral(":1");
}

class OpenReaderTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (result.port > 0) Kavex_ClosePort(result.port);
    }
    test::IsolatedSettings settings;
    OpenReaderResult result;
};

TEST_F(OpenReaderTest, ProgrammerIsOpenedInReaderModeZero)
{
    kavex::test::SimReader reader{{}, kavex::test::CountingRandom()};
    result = OpenReader(LinkName(reader), 19200, 500);
    ASSERT_TRUE(result.Ok()) << qPrintable(result.message);
    EXPECT_GT(result.port, 0);
    EXPECT_EQ(result.firmware, QStringLiteral("FW V1.05"));
    EXPECT_TRUE(result.device.endsWith(QLatin1Char(' ') + LinkName(reader))) << qPrintable(result.device);
    EXPECT_EQ(reader.Sim().CountReceived(kavex::sim::cmd::kReaderMode), 1u);
    EXPECT_EQ(reader.Sim().ReaderMode(), 0);
}

TEST_F(OpenReaderTest, ReaderWithoutProgrammingIsClosedAgain)
{
    kavex::sim::ReaderConfig readerOnly;
    readerOnly.ident = kavex::sim::Bytes{'1', '2', '4', '5'};
    kavex::test::SimReader reader(readerOnly, kavex::test::CountingRandom());
    result = OpenReader(LinkName(reader), 19200, 500);
    EXPECT_EQ(result.failure, OpenReaderResult::Failure::NotProgrammer);
    EXPECT_EQ(result.port, 0);
    EXPECT_EQ(result.message, GermanStr(kIdsReaderOnly));
    EXPECT_EQ(reader.Sim().CountReceived(kavex::sim::cmd::kReaderMode), 0u); // refused before it is touched
}

TEST_F(OpenReaderTest, FailedOpenKeepsItsNegativeResult)
{
    result = OpenReader(QStringLiteral("/nonexistent/velmora-port:1"), 19200, 500);
    EXPECT_EQ(result.failure, OpenReaderResult::Failure::Open);
    EXPECT_LT(result.port, 0);
    // The message names the interface (not its device address) and the SDK's reason.
    EXPECT_EQ(result.message,
              GermanStr(kIdsOpenFailed).arg(QStringLiteral("/nonexistent/velmora-port"), SdkStatusText(result.port)));
}

class ActivateCardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        port = Kavex_OpenPort(reader.link.c_str(), 19200, 500);
        ASSERT_GT(port, 0);
        status.RememberKey(0, 0, CCardStatus::Key{});
        status.m_nAuthMode = CCardStatus::kAuthISO;
    }
    void TearDown() override
    {
        if (port > 0) Kavex_ClosePort(port);
    }
    test::IsolatedSettings settings;
    kavex::test::SimReader reader{{}, kavex::test::CountingRandom()};
    CCardStatus status;
    int port = 0;
};

TEST_F(ActivateCardTest, DesfireCardIsReadyAndTheLastCardForgotten)
{
    const ActivateCardResult result = ActivateCard(port, status);
    ASSERT_TRUE(result.Ok()) << qPrintable(result.statusLine);
    EXPECT_EQ(result.uid, QStringLiteral("04 11 22 33 44 55 66"));
    EXPECT_EQ(result.statusLine, GermanStr(kIdsOperationOk));
    EXPECT_EQ(result.ats.size(), 5);
    EXPECT_EQ(status.m_ATS, result.ats);
    EXPECT_EQ(reader.Sim().LastPps(), std::optional<uint8_t>(0x0F));
    EXPECT_TRUE(status.m_KeyList.empty());
    EXPECT_FALSE(status.IsAuthenticated());

    // Without a port the model is reset all the same, and nothing is sent.
    status.RememberKey(0, 0, CCardStatus::Key{});
    const size_t before = reader.Sim().Log().size();
    const ActivateCardResult none = ActivateCard(0, status);
    EXPECT_EQ(none.failure, ActivateCardResult::Failure::NoPort);
    EXPECT_TRUE(none.statusLine.isEmpty());
    EXPECT_TRUE(status.m_KeyList.empty());
    EXPECT_EQ(reader.Sim().Log().size(), before);
}

TEST_F(ActivateCardTest, CardWithoutIso14443_4StopsBeforeRats)
{
    kavex::sim::TestCard::Params ultralight;
    ultralight.sak = 0x00;
    ultralight.ats.clear();
    reader.Sim().InsertCard(std::make_shared<kavex::sim::TestCard>(ultralight));
    const ActivateCardResult result = ActivateCard(port, status);
    EXPECT_EQ(result.failure, ActivateCardResult::Failure::NotIso14443_4);
    EXPECT_EQ(result.uid, QStringLiteral("--"));
    EXPECT_EQ(result.statusLine, GermanStr(kIdsNoDesfire));
    EXPECT_EQ(reader.Sim().CountReceived(kavex::sim::cmd::kRats), 0u);
    EXPECT_TRUE(status.m_ATS.isEmpty());
}

} // namespace
} // namespace velmora
