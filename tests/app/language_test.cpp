// The application loop: a language switch restarts the main window with
// the English texts of the translation file.
#include "app/ui/authenticate_dlg.h"
#include "app/ui/key_store_load_dlg.h"
#include "app/ui/new_key_dlg.h"
#include "app/model/language.h"
#include "app/settings/settings.h"
#include "tests/app/sim_card.h"
#include "app/model/ui_strings.h"
#include "tests/app/ui_test_support.h"
#include "app/ui/velmora_app.h"
#include "app/ui/velmora_dlg.h"
#include "resources/string_ids.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QPushButton>
#include <QTableWidget>

#include "kavex.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

class LanguageTest : public ::testing::Test {
protected:
    LanguageTest()
    {
        test::App();
        // The file is named after the executable: this one is the test's.
        QFile::copy(QStringLiteral(VELMORA_QM_DIR "/velmoraEng.qm"),
                    QDir(translations.path()).filePath(CVelmoraApp::TranslationFileName()));
        CVelmoraApp::SetTranslationSearchPath({translations.path()});
        lists.com = {QString::fromStdString(reader.link)};
        WriteProfileString(QStringLiteral("Port"), QStringLiteral("Name"), QString::fromStdString(reader.link));
    }
    ~LanguageTest() override { CVelmoraApp::SetTranslationSearchPath({}); }

    static QString ButtonText(CModalDialog& dlg, int id)
    {
        return dlg.findChild<QPushButton*>(QString::number(id))->text();
    }

    QTemporaryDir translations;
    test::IsolatedSettings settings;
    kavex::test::SimReader reader{{}, kavex::test::CountingRandom()};
    test::FixedLists lists;
    test::ScriptedMessages messages;
    test::ScriptedDialogs dialogs;
};

TEST_F(LanguageTest, SwitchRestartsTheWindowInEnglish)
{
    CVelmoraApp app;
    app.SetDeviceListSource(&lists);
    dialogs.Then([](CModalDialog& dlg) {
        EXPECT_EQ(ButtonText(dlg, 1085), QStringLiteral("Karte aktivieren"));
        auto& main = static_cast<CVelmoraDlg&>(dlg);
        EXPECT_GT(main.PortHandle(), 0);
        main.WindowMenu()->findChild<QAction*>(QStringLiteral("218"))->trigger();
        return dlg.result();
    });
    dialogs.Then([](CModalDialog& dlg) {
        auto& main = static_cast<CVelmoraDlg&>(dlg);
        EXPECT_EQ(ButtonText(dlg, 1085), QStringLiteral("Activate card"));
        EXPECT_EQ(ButtonText(dlg, 2), QStringLiteral("Close"));
        EXPECT_EQ(LoadStr(kIdsChooseInterface), QStringLiteral("Select interface"));
        EXPECT_GT(main.PortHandle(), 0); // opened again from the settings
        // Only the way back is offered.
        EXPECT_NE(main.WindowMenu()->findChild<QAction*>(QStringLiteral("217")), nullptr);
        EXPECT_EQ(main.WindowMenu()->findChild<QAction*>(QStringLiteral("218")), nullptr);
        dlg.findChild<QPushButton*>(QStringLiteral("2"))->click();
        return dlg.result();
    });
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(dialogs.runs.size(), 2);
    EXPECT_TRUE(dialogs.steps.empty());
    EXPECT_EQ(GetProfileInt(QStringLiteral("Settings"), QStringLiteral("Sprache"), 0), 1);
    EXPECT_EQ(LoadStr(kIdsChooseInterface), QStringLiteral("Schnittstelle wählen")); // released at the end
}

// The user hears of a settings file that had to be copied away once, in the
// language the file still gave, before the first window writes to it.
TEST_F(LanguageTest, ASettingsFileThatCannotBeParsedIsReportedOnce)
{
    {
        QFile f(SettingsFilePath());
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("[Settings]\nSprache=1\n[KeyStore\nKeyName1=Tor\n");
    }
    CVelmoraApp app;
    app.LanguageStep();
    app.TellOfBrokenSettings();
    WriteProfileInt(QStringLiteral("Window"), QStringLiteral("Left"), 10);
    app.TellOfBrokenSettings();
    SetBrokenSettingsNotifier(nullptr);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].startsWith(QStringLiteral("The settings file"))) << messages.shown[0].toStdString();
    EXPECT_TRUE(messages.shown[0].contains(SettingsFilePath() + QStringLiteral(".broken-")));
}

TEST_F(LanguageTest, MissingTranslationKeepsGerman)
{
    CVelmoraApp::SetTranslationSearchPath({settings.Dir()});
    WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("Sprache"), 1);
    CVelmoraApp app;
    app.LanguageStep();
    EXPECT_FALSE(app.EnglishLoaded());
    EXPECT_EQ(LoadStr(kIdsChooseInterface), QStringLiteral("Schnittstelle wählen"));

    CVelmoraApp::SetTranslationSearchPath({translations.path()});
    app.LanguageStep();
    EXPECT_TRUE(app.EnglishLoaded());
    EXPECT_EQ(LoadStr(kIdsChooseInterface), QStringLiteral("Select interface"));
    WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("Sprache"), -1);
    app.LanguageStep();
    EXPECT_FALSE(app.EnglishLoaded());
    EXPECT_EQ(LoadStr(kIdsChooseInterface), QStringLiteral("Schnittstelle wählen"));
}

TEST_F(LanguageTest, KeyDialogsInEnglish)
{
    WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("Sprache"), 1);
    CVelmoraApp app;
    app.LanguageStep();
    ASSERT_TRUE(app.EnglishLoaded());
    CKeyStoreLoadDlg store;
    store.OnInitDialog();
    EXPECT_EQ(store.windowTitle(), QStringLiteral("Load key"));
    EXPECT_EQ(store.findChild<QTableWidget*>(QStringLiteral("1202"))->horizontalHeaderItem(1)->text(),
              QStringLiteral("Value"));
    EXPECT_EQ(ButtonText(store, 1069), QStringLiteral("Load"));
    CNeuerSchluesselDlg entry;
    EXPECT_EQ(entry.windowTitle(), QStringLiteral("New key entry"));
    CCardStatus status;
    CAuthenticateDlg auth(0, status, -1, -1);
    EXPECT_EQ(auth.windowTitle(), QStringLiteral("Authentication"));
    EXPECT_EQ(ButtonText(auth, 1067), QStringLiteral("Authenticate"));
    WriteProfileInt(QStringLiteral("Settings"), QStringLiteral("Sprache"), 0);
    app.LanguageStep();
}

TEST(TranslationFileTest, NamedAfterTheExecutable)
{
    test::App();
    EXPECT_EQ(CVelmoraApp::TranslationFileName(), QStringLiteral("velmora_window_testsEng.qm"));
}

TEST(LanguageValuesTest, ThreeReadingsOfTheLanguage)
{
    test::IsolatedSettings store;
    struct Row {
        int value;
        bool english;
        bool germanEntry;
        bool englishEntry;
        int sdk;
    };
    const Row rows[] = {
        {0, false, false, true, KAVEX_LANG_GERMAN},  {1, true, true, false, KAVEX_LANG_ENGLISH},
        {2, true, true, true, KAVEX_LANG_ENGLISH},   {7, true, true, true, KAVEX_LANG_ENGLISH},
        {-1, false, true, true, KAVEX_LANG_ENGLISH},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(WantsEnglishResources(r.value), r.english) << r.value;
        EXPECT_EQ(OffersGermanEntry(r.value), r.germanEntry) << r.value;
        EXPECT_EQ(OffersEnglishEntry(r.value), r.englishEntry) << r.value;
        EXPECT_EQ(SdkTextLanguage(r.value), r.sdk) << r.value;
    }
    EXPECT_EQ(StoredLanguage(), 0);
    StoreLanguage(2);
    EXPECT_EQ(StoredLanguage(), 2);
}

} // namespace
} // namespace velmora
