// Selecting and authenticating against the simulated card: remembered keys
// first, the user last, and what each path leaves in the model.
#include "app/model/card_session.h"
#include "tests/app/fakes.h"
#include "tests/app/sim_card.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::FakeCardUi;
using test::FakeText;

const CCardStatus::Key kZeroKey{};

CCardStatus::Key WrongKey()
{
    CCardStatus::Key k;
    k.fill(0x5A);
    return k;
}

class CardSessionTest : public test::SimCardTest {
protected:
    void SetUp() override
    {
        reader.AddApplication(0x112233);
        test::SimCardTest::SetUp();
        status.m_pUi = &ui;
    }
    CCardStatus status;
    FakeCardUi ui;
};

TEST_F(CardSessionTest, SelectsOnlyWhatIsNotSelected)
{
    const size_t before = CardCommands();
    EXPECT_TRUE(EnsureAppSelected(port, status, 0, nullptr)); // card level is where activation leaves us
    EXPECT_EQ(CardCommands(), before);

    status.m_nAuthMode = CCardStatus::kAuthISO;
    EXPECT_TRUE(EnsureAppSelected(port, status, 0x112233, nullptr));
    EXPECT_EQ(status.m_nCurrentAid, 0x112233);
    EXPECT_EQ(status.m_nAuthMode, 0); // a selection ends any authentication
    EXPECT_EQ(CardCommands(), before + 1);
}

TEST_F(CardSessionTest, FailedSelectionLeavesTheApplicationUnknown)
{
    QString message;
    EXPECT_FALSE(EnsureAppSelected(port, status, 0x445566, &message));
    EXPECT_EQ(status.m_nCurrentAid, -1);
    EXPECT_EQ(message, GetStatusText(port, false, nullptr));
    EXPECT_FALSE(message.isEmpty());
    EXPECT_TRUE(ui.messages.isEmpty());

    // Without a target the message goes into a message box.
    EXPECT_FALSE(EnsureAppSelected(port, status, 0x445566, nullptr));
    EXPECT_EQ(ui.messages.size(), 1);

    // "Unknown" is never taken for "selected".
    EXPECT_FALSE(EnsureAppSelected(port, status, -1, &message));
}

TEST_F(CardSessionTest, AuthenticateKeyRemembersWhatWorked)
{
    QString message;
    ASSERT_TRUE(AuthenticateKey(port, status, 0, 0, kZeroKey, false, &message)) << qPrintable(message);
    EXPECT_EQ(status.m_nAuthMode, CCardStatus::kAuthISO); // the delivery key is a DES key
    EXPECT_EQ(status.m_nAuthKeyNo, 0);
    ASSERT_EQ(status.m_KeyList.size(), 1u);
    EXPECT_EQ(status.m_KeyList[0].aid, 0);

    EXPECT_FALSE(AuthenticateKey(port, status, 0, 0, WrongKey(), false, &message));
    EXPECT_EQ(message, GermanStr(kIdsAuthFailed));
    EXPECT_EQ(status.m_nAuthMode, 0);
    EXPECT_EQ(status.m_KeyList.size(), 1u); // kept: forgetOnFailure not set

    EXPECT_FALSE(AuthenticateKey(port, status, 0, 0, WrongKey(), true, &message));
    EXPECT_TRUE(status.m_KeyList.empty());
}

TEST_F(CardSessionTest, CryptoMethodOfTheApplicationDecides)
{
    reader.AddApplication(0xAE0001, {}, 0x0F, test::desfire::CryptoMethod::Aes);
    reader.AddApplication(0x3D0001, {}, 0x0F, test::desfire::CryptoMethod::Tdes3K);
    QString message;
    ASSERT_TRUE(AuthenticateKey(port, status, 0xAE0001, 0, kZeroKey, false, &message)) << qPrintable(message);
    EXPECT_EQ(status.m_nAuthMode, CCardStatus::kAuthAES);

    const size_t before = reader.Sim().CountReceived(0x45);
    EXPECT_FALSE(AuthenticateKey(port, status, 0x3D0001, 0, kZeroKey, true, &message));
    EXPECT_EQ(message, GermanStr(kIdsTripleDes3kUnsupported));
    // Selected and asked for its settings, but no authentication attempted.
    EXPECT_EQ(reader.Sim().CountReceived(0x45), before + 2);
    EXPECT_EQ(status.m_nCurrentAid, 0x3D0001);
}

TEST_F(CardSessionTest, AlreadyAuthenticatedNeedsNoTraffic)
{
    QString message;
    ASSERT_TRUE(AuthenticateKey(port, status, 0, 0, kZeroKey, false, &message));
    const size_t before = CardCommands();
    EXPECT_TRUE(EnsureAuthenticated(port, status, 0, 0, nullptr, false));
    EXPECT_TRUE(EnsureAuthenticated(port, status, -1, -1, nullptr, false));
    EXPECT_EQ(status.m_nAuthSource, CCardStatus::kSourceAlready);
    EXPECT_EQ(CardCommands(), before);
    EXPECT_EQ(AuthNote(status), QStringLiteral("  (bereits authentifiziert mit Hauptschlüssel)"));
}

TEST_F(CardSessionTest, RememberedKeyAuthenticatesAgain)
{
    status.RememberKey(0x112233, 0, kZeroKey);
    EXPECT_TRUE(EnsureAuthenticated(port, status, 0x112233, 0, nullptr, false));
    EXPECT_EQ(status.m_nAuthSource, CCardStatus::kSourceRemembered);
    EXPECT_EQ(status.m_nCurrentAid, 0x112233);
    EXPECT_TRUE(ui.calls.empty());
}

TEST_F(CardSessionTest, KeyThatNoLongerWorksIsForgottenThenTheUserIsAsked)
{
    status.RememberKey(0, 0, WrongKey());
    status.RememberKey(0, 0x01, kZeroKey); // never reached: the walk stops at the first match
    FakeText line;
    EXPECT_FALSE(EnsureAuthenticated(port, status, 0, -1, &line, false));
    ASSERT_EQ(status.m_KeyList.size(), 1u);
    EXPECT_EQ(status.m_KeyList[0].keyNo, 1);
    EXPECT_TRUE(ui.calls.empty()); // ask = false: nobody asked

    ui.dialog = FakeCardUi::Typing(kZeroKey);
    EXPECT_TRUE(EnsureAuthenticated(port, status, 0, 0, &line, true));
    ASSERT_EQ(ui.calls.size(), 1u);
    EXPECT_TRUE(ui.calls[0].masterKeyDialog); // key 0: the master key dialog
    EXPECT_EQ(status.m_nAuthSource, CCardStatus::kSourceDialog);
    EXPECT_EQ(AuthNote(status), QString());
}

TEST_F(CardSessionTest, DialogOutcomesInTheStatusLine)
{
    FakeText line;
    ui.dialog = [](int, CCardStatus&, int, int) { return CCardUi::DialogResult::Cancelled; };
    EXPECT_FALSE(EnsureAuthenticated(port, status, 0x112233, 1, &line, true));
    EXPECT_EQ(line.Text(), GermanStr(kIdsCancelled));
    ASSERT_EQ(ui.calls.size(), 1u);
    EXPECT_FALSE(ui.calls[0].masterKeyDialog);
    EXPECT_EQ(ui.calls[0].keyNo, 1);

    ui.dialog = nullptr; // no dialog to ask with
    EXPECT_FALSE(EnsureAuthenticated(port, status, 0x112233, 1, &line, true));
    EXPECT_EQ(line.Text(), GermanStr(kIdsAuthMissing));

    // The application cannot be selected: the user is not asked at all.
    ui.calls.clear();
    EXPECT_FALSE(EnsureAuthenticated(port, status, 0x999999, 0, &line, true));
    EXPECT_TRUE(ui.calls.empty());
    EXPECT_FALSE(line.Text().isEmpty());
}

TEST_F(CardSessionTest, CardGoneDuringTheDialogIsReported)
{
    FakeText line;
    ui.dialog = [this](int, CCardStatus&, int, int) {
        reader.Sim().RemoveCard();
        unsigned short atqa = 0;
        Kavex_RequestA(port, &atqa); // leaves status 21
        return CCardUi::DialogResult::Cancelled;
    };
    EXPECT_FALSE(EnsureAuthenticated(port, status, 0, 0, &line, true));
    EXPECT_EQ(Kavex_GetLastError(port), KAVEX_ERR_NO_TRANSPONDER);
    EXPECT_EQ(line.Text(), GetStatusText(port, false, nullptr));
}

TEST_F(CardSessionTest, AuthenticateOneOfOffersEachKeyOnce)
{
    FakeText line;
    ui.dialog = FakeCardUi::Typing(kZeroKey);
    EXPECT_TRUE(AuthenticateOneOf(port, status, 0x112233, {0, 3, 0, 3}, &line));
    ASSERT_EQ(ui.calls.size(), 1u);
    EXPECT_EQ(ui.calls[0].permitted, (std::vector<uint8_t>{0, 3}));

    // The user authenticated, but with a key that is not among the permitted ones.
    ui.dialog = [](int p, CCardStatus& s, int aid, int) {
        QString message;
        AuthenticateKey(p, s, aid, 0, kZeroKey, false, &message);
        return CCardUi::DialogResult::Ok;
    };
    EXPECT_FALSE(AuthenticateOneOf(port, status, 0x112233, {3}, &line));
    EXPECT_TRUE(status.IsAuthenticated());
}

} // namespace
} // namespace velmora
