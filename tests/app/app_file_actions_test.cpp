// Creating and deleting applications and files and changing file settings
// on the simulated card, without a window: what reaches the card (checked
// through the SDK afterwards) and what the model keeps.
#include "app/model/application_actions.h"
#include "app/model/card_session.h"
#include "app/model/file_actions.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"
#include "tests/app/fakes.h"
#include "tests/app/sim_card.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::FakeCardUi;
using test::FakeText;

const CCardStatus::Key kZeroKey{};

class AppFileActionsTest : public test::SimCardTest {
protected:
    void SetUp() override
    {
        test::SimCardTest::SetUp();
        status.m_pUi = &ui;
    }
    // Settings as the SDK reads them from the card (leaves aid selected).
    QByteArray FileSettingsOnCard(uint32_t aid, uint8_t fileNo)
    {
        unsigned char out[17] = {};
        if (Kavex_DFSelectApplication(port, aid) < 0) return {};
        const int n = Kavex_DFGetFileSettings(port, fileNo, out, sizeof out);
        return n < 0 ? QByteArray() : QByteArray(reinterpret_cast<const char*>(out), n);
    }
    // An application with count zero keys and a file with the given rights.
    void AddAppWithFile(uint32_t aid, uint8_t count, uint8_t fileNo, uint16_t rights)
    {
        test::desfire::Application app;
        app.aid = aid;
        app.keys = reader.State().NewApplicationKeys(test::desfire::CryptoMethod::Tdes, 0x0F, count);
        test::desfire::DesfireFile file;
        file.size = 32;
        file.data.assign(32, 0);
        file.accessRights = rights;
        app.files[fileNo] = file;
        reader.State().applications[aid] = app;
    }

    CCardStatus status;
    FakeCardUi ui;
    FakeText line;
};

TEST_F(AppFileActionsTest, ApplicationOfEachCipherIsCreatedAsAsked)
{
    status.RememberKey(0xA1, 0, kZeroKey); // of an earlier application with this number
    for (const bool aes : {false, true}) {
        NewApplication app;
        app.aid = aes ? 0xA2 : 0xA1;
        app.keyCount = 3;
        app.aes = aes;
        app.changeKey = 2;
        app.settings = 0x0B;
        ASSERT_TRUE(CreateApplication(port, status, app, line).ok) << qPrintable(line.Text());
        EXPECT_EQ(line.Text(), GermanStr(kIdsOperationOk));
    }
    EXPECT_TRUE(ui.calls.empty()); // the card lets anyone create applications
    EXPECT_EQ(status.FindKey(0xA1, 0), nullptr);

    for (const auto& [aid, method] : {std::pair<uint32_t, uint8_t>{0xA1, 0x00}, {0xA2, 0x80}}) {
        ASSERT_EQ(Kavex_DFSelectApplication(port, aid), 0);
        unsigned char settings[4] = {};
        ASSERT_GE(Kavex_DFGetKeySettings(port, settings, sizeof settings), 0);
        EXPECT_EQ(settings[0], method);
        EXPECT_EQ(settings[1] & 0x0F, 3);
        EXPECT_EQ(settings[2], 2);
        EXPECT_EQ(settings[3], 0x0B);
    }
}

TEST_F(AppFileActionsTest, CardThatWantsItsMasterKeyIsAskedFor)
{
    reader.State().masterKeys.settings = 0x0B; // no free create/delete
    ui.dialog = FakeCardUi::Typing(kZeroKey);
    NewApplication app;
    app.aid = 0x0000B1;
    ASSERT_TRUE(CreateApplication(port, status, app, line).ok) << qPrintable(line.Text());
    ASSERT_EQ(ui.calls.size(), 1u);
    EXPECT_TRUE(ui.calls[0].masterKeyDialog);
    EXPECT_EQ(ui.calls[0].aid, 0);

    ui.dialog = [](int, CCardStatus&, int, int) { return CCardUi::DialogResult::Cancelled; };
    status.ResetAuth();
    status.ForgetKeys(-1, -1);
    app.aid = 0x0000B2;
    EXPECT_FALSE(CreateApplication(port, status, app, line).ok);
    EXPECT_EQ(line.Text(), GermanStr(kIdsCancelled));
    EXPECT_EQ(reader.State().FindApplication(0xB2), nullptr);
}

TEST_F(AppFileActionsTest, DeletingTheSelectedApplicationLeavesNothingOfIt)
{
    AddAppWithFile(0xC1, 1, 4, 0xEEEE);
    reader.AddApplication(0xC2);
    ASSERT_TRUE(ReadAppIds(port, status, false, nullptr));
    QString message;
    ASSERT_TRUE(AuthenticateKey(port, status, 0xC1, 0, kZeroKey, false, &message)) << qPrintable(message);
    status.m_FileInfoList.push_back(CFileInfo{0xC1, 4});
    status.m_FileInfoList.push_back(CFileInfo{0xC2, 4});

    ASSERT_TRUE(DeleteApplication(port, status, 0xC1, line).ok) << qPrintable(line.Text());
    EXPECT_EQ(line.Text(), QStringLiteral("Operation erfolgreich  (Authentifiziert mit Hauptschlüssel)"));
    EXPECT_EQ(Kavex_DFSelectApplication(port, 0xC1), -1); // gone from the card
    // The card is back at its level, unauthenticated; the model says so.
    EXPECT_EQ(status.m_nCurrentAid, 0);
    EXPECT_FALSE(status.IsAuthenticated());
    EXPECT_EQ(status.FindKey(0xC1, 0), nullptr);
    EXPECT_EQ(status.m_AppIds, std::vector<uint32_t>{0xC2});
    ASSERT_EQ(status.m_FileInfoList.size(), 1u);
    EXPECT_EQ(status.m_FileInfoList[0].aid, 0xC2);
}

TEST_F(AppFileActionsTest, ApplicationWithoutFreeDeleteNeedsTheCardMasterKey)
{
    reader.AddApplication(0xC3);
    reader.State().masterKeys.settings = 0x0B;
    ui.dialog = FakeCardUi::Typing(kZeroKey);
    ASSERT_TRUE(DeleteApplication(port, status, 0xC3, line).ok) << qPrintable(line.Text());
    ASSERT_EQ(ui.calls.size(), 1u);
    EXPECT_EQ(ui.calls[0].aid, 0);
    EXPECT_EQ(reader.State().FindApplication(0xC3), nullptr);
}

class CreateFileTest : public AppFileActionsTest, public ::testing::WithParamInterface<FileType> {};

TEST_P(CreateFileTest, FileOfEachTypeReachesTheCard)
{
    reader.AddApplication(0xD1);
    status.m_FileInfoList.push_back(CFileInfo{0xD1, 7});
    status.m_nFreeMemory = 4000;
    NewFile file;
    file.aid = 0xD1;
    file.fileNo = 7;
    file.type = GetParam();
    file.commSettings = 3;
    file.access = AccessConditions{0, 1, kAccessFree, kAccessNever};
    file.fileSize = 40;
    file.lowerLimit = -5;
    file.upperLimit = 500;
    file.value = 7;
    file.limitedCredit = 3;
    file.recordSize = 12;
    file.maxRecords = 5;
    ASSERT_TRUE(CheckNewFile(file, status).isEmpty());
    AppKeyInfo app;
    ASSERT_TRUE(ReadAppKeyInfo(port, status, 0xD1, &app, line));
    EXPECT_TRUE(app.known);
    EXPECT_EQ(app.keyCount, 1);
    ASSERT_TRUE(CreateFile(port, status, file, app, line).ok) << qPrintable(line.Text());
    EXPECT_TRUE(status.m_FileInfoList.empty()); // what was known of an earlier file 7 is stale
    EXPECT_EQ(status.m_nFreeMemory, -1);

    const FileSettings s = ParseFileSettings(FileSettingsOnCard(0xD1, 7));
    EXPECT_EQ(s.type, static_cast<int>(GetParam()));
    EXPECT_EQ(s.commSettings, 3);
    EXPECT_EQ(s.access.Word(), 0x01EF);
    switch (GetParam()) {
    case FileType::StandardData:
    case FileType::BackupData: EXPECT_EQ(s.fileSize, 40u); break;
    case FileType::Value:
        EXPECT_EQ(s.lowerLimit, -5);
        EXPECT_EQ(s.upperLimit, 500);
        EXPECT_TRUE(s.limitedCredit);
        EXPECT_TRUE(s.freeGetValue);
        break;
    case FileType::LinearRecord:
    case FileType::CyclicRecord:
        EXPECT_EQ(s.recordSize, 12u);
        EXPECT_EQ(s.maxRecords, 5u);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Types, CreateFileTest,
                         ::testing::Values(FileType::StandardData, FileType::BackupData, FileType::Value,
                                           FileType::LinearRecord, FileType::CyclicRecord));

TEST_F(AppFileActionsTest, DeleteFileDeletesInTheNamedApplication)
{
    AddAppWithFile(0xE1, 1, 1, 0xEEEE);
    AddAppWithFile(0xE3, 1, 1, 0xEEEE);
    status.m_FileInfoList.push_back(CFileInfo{0xE3, 1});
    // The file list was read from 0xE1, which is still selected.
    ASSERT_TRUE(EnsureAppSelected(port, status, 0xE1, nullptr));
    status.m_bFileIdsRead = true;

    ASSERT_TRUE(DeleteFile(port, status, 0xE3, 1, line).ok) << qPrintable(line.Text());
    EXPECT_TRUE(reader.State().FindApplication(0xE3)->files.empty());
    EXPECT_EQ(reader.State().FindApplication(0xE1)->files.size(), 1u);
    EXPECT_TRUE(status.m_FileInfoList.empty());
}

TEST_F(AppFileActionsTest, FreeChangeConditionIsSentPlainWithoutAuthentication)
{
    AddAppWithFile(0xF1, 2, 5, 0xEEEE);
    status.m_FileInfoList.push_back(CFileInfo{0xF1, 5});
    FileSettingsChange change;
    change.aid = 0xF1;
    change.fileNo = 5;
    change.commSettings = 1;
    change.access = AccessConditions{1, 0, kAccessFree, 1};
    const ChangeFileSettingsResult result = ChangeFileSettings(port, status, change, line);
    ASSERT_TRUE(result.ok) << qPrintable(line.Text());
    EXPECT_TRUE(ui.calls.empty());
    EXPECT_FALSE(status.IsAuthenticated());
    EXPECT_EQ(result.changeCondition, 1); // the one sent, not the one read
    EXPECT_TRUE(status.m_FileInfoList.empty());
    const FileSettings s = ParseFileSettings(FileSettingsOnCard(0xF1, 5));
    EXPECT_EQ(s.commSettings, 1);
    EXPECT_EQ(s.access.Word(), 0x10E1);
}

TEST_F(AppFileActionsTest, FrozenAccessRightsAreRefusedBeforeTheListsCount)
{
    AddAppWithFile(0xF2, 1, 5, 0xEEEF);
    FileSettingsChange change; // every list without a choice
    change.aid = 0xF2;
    change.fileNo = 5;
    change.access = AccessConditions{kUnknownSetting, kUnknownSetting, kUnknownSetting, kUnknownSetting};
    const ChangeFileSettingsResult result = ChangeFileSettings(port, status, change, line);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(line.Text(), GermanStr(kIdsAccessRightsFrozen));
    EXPECT_EQ(result.changeCondition, kAccessNever);

    // A free file with an unfilled list: nothing is sent.
    AddAppWithFile(0xF3, 1, 5, 0xEEEE);
    change.aid = 0xF3;
    change.commSettings = 0;
    change.access = AccessConditions{};
    change.access.write = kUnknownSetting;
    EXPECT_FALSE(ChangeFileSettings(port, status, change, line).ok);
    EXPECT_EQ(line.Text(), GermanStr(kIdsFieldsMissing));
}

TEST_F(AppFileActionsTest, NeverChangingAgainIsAskedFirst)
{
    AddAppWithFile(0xF4, 1, 5, 0xEEEE);
    FileSettingsChange change;
    change.aid = 0xF4;
    change.fileNo = 5;
    change.commSettings = 0;
    change.access.change = kAccessNever;
    int asked = 0;
    change.confirmPermanent = [&asked] { return ++asked > 1; }; // "no", then "yes"
    EXPECT_FALSE(ChangeFileSettings(port, status, change, line).ok);
    EXPECT_EQ(line.Text(), GermanStr(kIdsCancelled));
    EXPECT_EQ(reader.State().FindApplication(0xF4)->files.at(5).accessRights, 0xEEEE);
    EXPECT_TRUE(ChangeFileSettings(port, status, change, line).ok) << qPrintable(line.Text());
    EXPECT_EQ(reader.State().FindApplication(0xF4)->files.at(5).accessRights, 0xEEEF);
}

TEST_F(AppFileActionsTest, RetryAfterALostAuthenticationUsesTheChangeKey)
{
    AddAppWithFile(0xF5, 2, 5, 0xEEE1);
    status.RememberKey(0xF5, 0, kZeroKey); // first in the list, but not the change key
    status.RememberKey(0xF5, 1, kZeroKey);
    ASSERT_TRUE(EnsureAppSelected(port, status, 0xF5, nullptr));
    // The model believes in an authentication the card no longer has.
    status.m_nAuthMode = CCardStatus::kAuthISO;
    status.m_nAuthKeyNo = 1;

    FileSettingsChange change;
    change.aid = 0xF5;
    change.fileNo = 5;
    change.shownChangeCondition = 1;
    change.commSettings = 0;
    change.access = AccessConditions{0, 0, 0, 1};
    ASSERT_TRUE(ChangeFileSettings(port, status, change, line).ok) << qPrintable(line.Text());
    EXPECT_EQ(status.m_nAuthKeyNo, 1);
    EXPECT_EQ(reader.State().FindApplication(0xF5)->files.at(5).accessRights, 0x0001);
}

} // namespace
} // namespace velmora
