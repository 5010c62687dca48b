// Application and file lists filled from the simulated card.
#include "app/model/card_session.h"
#include "tests/app/fakes.h"
#include "app/model/input_helpers.h"
#include "tests/app/sim_card.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::FakeCardUi;
using test::FakeCombo;
using test::FakeList;
using test::FakeText;

class ListFillTest : public test::SimCardTest {
protected:
    void SetUp() override
    {
        // Created in this order; the card lists them in its own order.
        reader.AddApplication(0x0A0B0C, {1, 2, 31});
        reader.AddApplication(0x010203, {});
        test::SimCardTest::SetUp();
        status.m_pUi = &ui;
    }
    QStringList CardOrder()
    {
        QStringList ids;
        for (const auto& [aid, app] : reader.State().applications) ids << AidToTextForTest(aid);
        return ids;
    }
    static QString AidToTextForTest(uint32_t aid) { return QString::asprintf("%06X", aid); }

    CCardStatus status;
    FakeCardUi ui;
};

TEST_F(ListFillTest, ReadAppIdsKeepsCardOrder)
{
    QString message;
    ASSERT_TRUE(ReadAppIds(port, status, false, &message)) << qPrintable(message);
    EXPECT_TRUE(status.m_bAppIdsRead);
    ASSERT_EQ(status.m_AppIds.size(), 2u);
    EXPECT_EQ(message, GetStatusText(port, true, &status));

    FakeList list;
    EXPECT_TRUE(FillAppIdList(list, port, status));
    EXPECT_EQ(list.entries, CardOrder());
}

TEST_F(ListFillTest, EmptyCardShowsDashes)
{
    reader.State().applications.clear();
    FakeList list;
    EXPECT_TRUE(FillAppIdList(list, port, status));
    EXPECT_EQ(list.entries, QStringList{QStringLiteral("--")});

    FakeCombo combo;
    QString message;
    EXPECT_FALSE(FillAppIdCombo(port, status, combo, nullptr, false, true, &message, false));
    EXPECT_EQ(message, GermanStr(kIdsNoApplications));
    EXPECT_TRUE(FillAppIdCombo(port, status, combo, nullptr, false, false, &message, false));
    EXPECT_EQ(combo.entries, QStringList{QStringLiteral("--")});
    EXPECT_EQ(combo.selection, -1); // nothing to choose
    EXPECT_EQ(message, GermanStr(kIdsOperationOk));
}

TEST_F(ListFillTest, ListThatCannotBeReadSaysSo)
{
    // The card master key protects the directory (no free listing), and no
    // key is known: the list says authentication is missing.
    reader.State().masterKeys.settings = 0x09;
    FakeList list;
    EXPECT_FALSE(FillAppIdList(list, port, status));
    EXPECT_EQ(list.entries, QStringList{GermanStr(kIdsAuthMissing)});

    FakeCombo combo;
    FakeText alternative(QStringLiteral("typed"), false);
    QString message;
    EXPECT_FALSE(FillAppIdCombo(port, status, combo, &alternative, false, false, &message, true));
    EXPECT_FALSE(combo.shown);
    EXPECT_TRUE(alternative.IsShown());
    EXPECT_EQ(alternative.Text(), QStringLiteral("typed"));

    // With the master key remembered the list reads, and the note says how.
    status.RememberKey(0, 0, CCardStatus::Key{});
    QString read;
    ASSERT_TRUE(ReadAppIds(port, status, false, &read)) << qPrintable(read);
    EXPECT_TRUE(read.endsWith(QStringLiteral("  (Authentifiziert mit Hauptschlüssel)"))) << qPrintable(read);
}

TEST_F(ListFillTest, ListNoteTellsWhetherTheAuthenticationWasNeeded)
{
    QString message;
    ASSERT_TRUE(AuthenticateKey(port, status, 0, 0, CCardStatus::Key{}, false, &message));
    ASSERT_TRUE(ReadAppIds(port, status, false, &message));
    EXPECT_EQ(GetListStatusText(port, status), QStringLiteral("Operation erfolgreich")); // free listing

    reader.State().masterKeys.settings = 0x09; // listing needs the master key
    status.m_nAuthSource = CCardStatus::kSourceNone;
    ASSERT_TRUE(ReadAppIds(port, status, false, &message));
    EXPECT_EQ(GetListStatusText(port, status),
              QStringLiteral("Operation erfolgreich  (bereits authentifiziert mit Hauptschlüssel)"));
}

TEST_F(ListFillTest, ComboChoosesCardLevelCurrentOrFirst)
{
    FakeCombo combo;
    FakeText edit;
    QString message;
    ASSERT_TRUE(FillAppIdCombo(port, status, combo, &edit, true, true, &message, false));
    EXPECT_TRUE(combo.shown);
    EXPECT_FALSE(edit.IsShown());
    EXPECT_EQ(combo.entries.first(), QStringLiteral("000000"));
    EXPECT_EQ(combo.Text(), QStringLiteral("000000"));
    EXPECT_EQ(status.m_nCurrentAid, 0);

    // Not at the card level: the first application of the card, selected on
    // the card only when asked to.
    const uint32_t first = status.m_AppIds.front();
    ASSERT_TRUE(FillAppIdCombo(port, status, combo, nullptr, false, true, &message, false));
    EXPECT_EQ(combo.Text(), AidToTextForTest(first));
    EXPECT_EQ(status.m_nCurrentAid, 0);
    ASSERT_TRUE(FillAppIdCombo(port, status, combo, nullptr, false, true, &message, true));
    EXPECT_EQ(status.m_nCurrentAid, static_cast<int>(first));

    // The selected application is preferred.
    const uint32_t second = status.m_AppIds.back();
    ASSERT_TRUE(EnsureAppSelected(port, status, static_cast<int>(second), nullptr));
    ASSERT_TRUE(FillAppIdCombo(port, status, combo, nullptr, false, true, &message, true));
    EXPECT_EQ(combo.Text(), AidToTextForTest(second));
}

TEST_F(ListFillTest, FileListAtCardLevelNeedsNoCard)
{
    FakeList list;
    const size_t before = CardCommands();
    EXPECT_TRUE(FillFileIdList(port, status, list, 0, true));
    EXPECT_EQ(list.entries, QStringList{QStringLiteral("--")});
    EXPECT_EQ(CardCommands(), before);
}

TEST_F(ListFillTest, FileListsOfAnApplication)
{
    ASSERT_TRUE(EnsureAppSelected(port, status, 0x0A0B0C, nullptr));
    FakeList list;
    EXPECT_TRUE(FillFileIdList(port, status, list, 0x0A0B0C, false));
    EXPECT_EQ(list.entries, (QStringList{QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("31")}));

    FakeCombo combo;
    QString message;
    EXPECT_TRUE(FillFileIdCombo(port, status, combo, true, &message, false));
    EXPECT_TRUE(status.m_bFileIdsRead);
    EXPECT_EQ(combo.Text(), QStringLiteral("01"));

    ASSERT_TRUE(EnsureAppSelected(port, status, 0x010203, nullptr));
    EXPECT_TRUE(FillFileIdList(port, status, list, 0x010203, false));
    EXPECT_EQ(list.entries, QStringList{QStringLiteral("--")});
    EXPECT_FALSE(FillFileIdCombo(port, status, combo, true, &message, false));
    EXPECT_EQ(message, GermanStr(kIdsNoFiles));
    EXPECT_TRUE(status.m_bFileIdsRead);
    EXPECT_TRUE(FillFileIdCombo(port, status, combo, false, &message, false));
}

TEST_F(ListFillTest, SelectAppAndFillFileIdsSwitchesFileInput)
{
    FakeCombo aidCombo;
    FakeText aidEdit(QStringLiteral("0A0B0C"));
    FakeCombo fileCombo(false);
    FakeText fileEdit;
    QString message;
    EXPECT_TRUE(SelectAppAndFillFileIds(port, status, aidCombo, &aidEdit, fileCombo, &fileEdit, &message, false));
    EXPECT_TRUE(fileCombo.shown);
    EXPECT_FALSE(fileEdit.IsShown());
    EXPECT_EQ(fileCombo.entries.size(), 3);

    // Automatic filling needs the application list: without it nothing happens.
    EXPECT_FALSE(SelectAppAndFillFileIds(port, status, aidCombo, &aidEdit, fileCombo, &fileEdit, &message, true));
    EXPECT_FALSE(fileCombo.shown);
    EXPECT_TRUE(fileEdit.IsShown());

    aidEdit.SetText(QStringLiteral("777777")); // no such application
    EXPECT_FALSE(SelectAppAndFillFileIds(port, status, aidCombo, &aidEdit, fileCombo, &fileEdit, &message, false));
    EXPECT_EQ(fileCombo.entries, QStringList{QStringLiteral("--")});
}

} // namespace
} // namespace velmora
