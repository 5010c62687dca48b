// The application and file dialogs run from the main window on the
// simulated card: what the user types and picks, what the card holds
// afterwards (read back through the SDK) and what the window's lists show.
#include "app/model/ui_strings.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"
#include "tests/app/main_window_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::Find;
using test::SetText;

int Rejected()
{
    return static_cast<int>(QDialog::Rejected);
}

// The user picks the entry that reads text.
void Pick(const QWidget& dlg, int id, const QString& text)
{
    auto* combo = Find<QComboBox>(dlg, id);
    const int index = combo->findText(text);
    ASSERT_GE(index, 0) << qPrintable(text);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

QString Current(const QWidget& dlg, int id)
{
    return Find<QComboBox>(dlg, id)->currentText();
}

class AppFileDialogsTest : public test::MainWindowFixture {
protected:
    int Port() { return Window().PortHandle(); }
    // Settings of a file as the SDK reads them (selects aid on the card).
    QByteArray FileSettingsOnCard(uint32_t aid, uint8_t fileNo)
    {
        unsigned char out[17] = {};
        if (Kavex_DFSelectApplication(Port(), aid) < 0) return {};
        const int n = Kavex_DFGetFileSettings(Port(), fileNo, out, sizeof out);
        return n < 0 ? QByteArray() : QByteArray(reinterpret_cast<const char*>(out), n);
    }
};

TEST_F(AppFileDialogsTest, ApplicationsOfBothCiphersAreCreatedAndListed)
{
    Click(kIdcActivateCard);
    dialogs.Then([this](CModalDialog& dlg) {
        EXPECT_EQ(Text(dlg, kIdcAidEdit), QStringLiteral("1"));
        EXPECT_EQ(Current(dlg, kIdcCipher), QStringLiteral("(3)DES"));
        EXPECT_EQ(Current(dlg, kIdcChangeKeyRule), QStringLiteral("gleichem Schlüssel"));

        // Typing errors never reach the card as other numbers.
        SetText(dlg, kIdcNewAppKeyCount, QStringLiteral("1O0"));
        Click(dlg, kIdcCreate);
        EXPECT_EQ(messages.shown.value(0), QStringLiteral("Geben Sie eine ganze Zahl zwischen 0 und 255 ein."));
        SetText(dlg, kIdcNewAppKeyCount, QStringLiteral("2"));
        SetText(dlg, kIdcAidEdit, QStringLiteral("1000ABCDE"));
        Click(dlg, kIdcCreate);
        EXPECT_EQ(Text(dlg, kIdcStatus), GermanStr(kIdsAidTooLong));
        EXPECT_TRUE(reader.State().applications.empty());

        SetText(dlg, kIdcAidEdit, QStringLiteral("A1"));
        Click(dlg, kIdcCreate);
        EXPECT_EQ(Text(dlg, kIdcStatus), GermanStr(kIdsOperationOk));
        SetText(dlg, kIdcAidEdit, QStringLiteral("A2"));
        Pick(dlg, kIdcCipher, QStringLiteral("AES"));
        Click(dlg, kIdcCreate);
        EXPECT_EQ(Text(dlg, kIdcStatus), GermanStr(kIdsOperationOk));
        return Rejected();
    });
    Click(kIdcCreateApp);
    EXPECT_EQ(Entries(kIdcAppList), (QStringList{QStringLiteral("0000A1"), QStringLiteral("0000A2")}));

    for (const auto& [aid, method] : {std::pair<uint32_t, uint8_t>{0xA1, 0x00}, {0xA2, 0x80}}) {
        ASSERT_EQ(Kavex_DFSelectApplication(Port(), aid), 0);
        unsigned char settings[4] = {};
        ASSERT_GE(Kavex_DFGetKeySettings(Port(), settings, sizeof settings), 0);
        EXPECT_EQ(settings[0], method);
        EXPECT_EQ(settings[1] & 0x0F, 2);
        EXPECT_EQ(settings[2], 0x0E);
        EXPECT_EQ(settings[3], 0x0F);
    }
}

TEST_F(AppFileDialogsTest, FileOfEachTypeIsCreated)
{
    reader.AddApplication(0xC1);
    Click(kIdcActivateCard);
    dialogs.Then([this](CModalDialog& dlg) {
        EXPECT_EQ(Current(dlg, kIdcAidCombo), QStringLiteral("0000C1")); // the card lists freely
        // A size that would wrap into the card's three bytes is refused.
        SetText(dlg, kIdcFileSize, QStringLiteral("16777226"));
        Click(dlg, kIdcCreate);
        EXPECT_EQ(messages.shown.value(0), QStringLiteral("Geben Sie eine ganze Zahl zwischen 1 und 16777215 ein."));
        EXPECT_TRUE(reader.State().FindApplication(0xC1)->files.empty());
        SetText(dlg, kIdcFileSize, QStringLiteral("20"));
        Find<QRadioButton>(dlg, kIdcValueFile)->click();
        SetText(dlg, kIdcLowerLimit, QStringLiteral("2147483648"));
        Click(dlg, kIdcCreate);
        EXPECT_EQ(messages.shown.value(1),
                  QStringLiteral("Geben Sie eine ganze Zahl zwischen -2147483648 und 2147483647 ein."));
        SetText(dlg, kIdcLowerLimit, QStringLiteral("0"));

        const int radios[] = {kIdcStdDataFile, kIdcBackupDataFile, kIdcValueFile, kIdcLinearRecordFile,
                              kIdcCyclicRecordFile};
        for (int type = 0; type < 5; ++type) {
            SetText(dlg, kIdcFileNoEdit, QString::number(type));
            Find<QRadioButton>(dlg, radios[type])->click();
            Click(dlg, kIdcCreate);
            EXPECT_TRUE(Text(dlg, kIdcStatus).startsWith(GermanStr(kIdsOperationOk)))
                << qPrintable(Text(dlg, kIdcStatus));
        }
        return Rejected();
    });
    Click(kIdcCreateFile);
    for (uint8_t type = 0; type < 5; ++type) {
        const QByteArray s = FileSettingsOnCard(0xC1, type);
        ASSERT_GE(s.size(), 4) << int(type);
        EXPECT_EQ(s.at(0), type);
        EXPECT_EQ(static_cast<uint8_t>(s.at(2)), 0xEE); // "immer" in every list
    }
}

TEST_F(AppFileDialogsTest, FileSettingsAreReadChangedAndNeverCarriedToAnotherFile)
{
    reader.AddApplication(0xD1, {1, 2});
    Click(kIdcActivateCard);
    Click(kIdcReadAppIds);
    dialogs.Then([this](CModalDialog& dlg) {
        EXPECT_EQ(Current(dlg, kIdcAidCombo), QStringLiteral("0000D1"));
        EXPECT_EQ(Current(dlg, kIdcFileNoCombo), QStringLiteral("01"));
        Click(dlg, kIdcGetFileSettings);
        EXPECT_EQ(Text(dlg, kIdcFileSize), QStringLiteral("32"));
        EXPECT_TRUE(Find<QRadioButton>(dlg, kIdcStdDataFile)->isChecked());
        EXPECT_EQ(Current(dlg, kIdcChangeAccess), QStringLiteral("immer"));
        EXPECT_EQ(Current(dlg, kIdcCommMode), QStringLiteral("Unverschlüsselt"));

        // Free to change: sent plain; from now on key 0 guards the file.
        Pick(dlg, kIdcChangeAccess, QStringLiteral("Authentifizieren mit Hauptschlüssel"));
        Pick(dlg, kIdcCommMode, QStringLiteral("Voll verschlüsselt"));
        Click(dlg, kIdcChangeFileSettings);
        EXPECT_EQ(Text(dlg, kIdcStatus), GermanStr(kIdsOperationOk));

        // The dialog knows the file's new condition and asks for key 0.
        dialogs.Then([](CModalDialog& auth) {
            SetText(auth, kIdcKeyValue, QStringLiteral("00"));
            Click(auth, kIdcAuthenticate);
            return auth.result();
        });
        Pick(dlg, kIdcCommMode, QStringLiteral("Unverschlüsselt mit MAC"));
        Click(dlg, kIdcChangeFileSettings);
        EXPECT_TRUE(Text(dlg, kIdcStatus).startsWith(GermanStr(kIdsOperationOk))) << qPrintable(Text(dlg, kIdcStatus));

        // Another file: nothing of the first is shown or sent.
        Pick(dlg, kIdcFileNoCombo, QStringLiteral("02"));
        EXPECT_EQ(Current(dlg, kIdcReadAccess), QStringLiteral("--"));
        EXPECT_EQ(Text(dlg, kIdcFileSize), QStringLiteral("--"));
        Click(dlg, kIdcChangeFileSettings);
        EXPECT_EQ(Text(dlg, kIdcStatus), GermanStr(kIdsFieldsMissing));
        return Rejected();
    });
    Click(kIdcFileSettings);
    EXPECT_EQ(dialogs.runs.size(), 2);
    const QByteArray first = FileSettingsOnCard(0xD1, 1);
    ASSERT_GE(first.size(), 4);
    EXPECT_EQ(first.at(1), 1);
    EXPECT_EQ(static_cast<uint8_t>(first.at(2)), 0xE0);
    EXPECT_EQ(static_cast<uint8_t>(FileSettingsOnCard(0xD1, 2).at(2)), 0xEE);
}

TEST_F(AppFileDialogsTest, TypedFileNumberClearsWhatWasShown)
{
    reader.AddApplication(0xD2, {1, 2});
    reader.State().masterKeys.settings = 0x09; // applications are listed to the card master key only
    Click(kIdcActivateCard);
    dialogs.Then([](CModalDialog& dlg) {
        EXPECT_TRUE(Shown(dlg, kIdcAidEdit));
        EXPECT_TRUE(Shown(dlg, kIdcFileNoEdit));
        SetText(dlg, kIdcAidEdit, QStringLiteral("D2"));
        SetText(dlg, kIdcFileNoEdit, QStringLiteral("1"));
        Click(dlg, kIdcGetFileSettings);
        EXPECT_EQ(Current(dlg, kIdcWriteAccess), QStringLiteral("immer"));
        SetText(dlg, kIdcFileNoEdit, QStringLiteral("2"));
        EXPECT_EQ(Current(dlg, kIdcWriteAccess), QStringLiteral("--"));
        Click(dlg, kIdcChangeFileSettings);
        EXPECT_EQ(Text(dlg, kIdcStatus), GermanStr(kIdsFieldsMissing));
        return Rejected();
    });
    Click(kIdcFileSettings);
}

TEST_F(AppFileDialogsTest, FileAndApplicationAreDeletedOnlyAfterConfirmation)
{
    reader.AddApplication(0xE1, {1, 2});
    reader.AddApplication(0xE2);
    Click(kIdcActivateCard);
    Click(kIdcReadAppIds);
    dialogs.Then([this](CModalDialog& dlg) {
        EXPECT_EQ(Current(dlg, kIdcFileNoCombo), QStringLiteral("01"));
        // Enter only asks; "No" keeps the file.
        dlg.show();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&dlg, &enter);
        EXPECT_EQ(messages.warnings,
                  QStringList{LoadStr(kIdsDeleteFileQuestion).arg(QStringLiteral("01"), QStringLiteral("0000E1"))});
        EXPECT_EQ(reader.State().FindApplication(0xE1)->files.size(), 2u);

        messages.answerYes = true;
        Click(dlg, kIdOk);
        EXPECT_EQ(reader.State().FindApplication(0xE1)->files.count(1), 0u);
        EXPECT_EQ(Current(dlg, kIdcFileNoCombo), QStringLiteral("02"));
        dlg.hide();
        return Rejected();
    });
    Click(kIdcDeleteFile);
    EXPECT_EQ(Entries(kIdcFileList), QStringList{QStringLiteral("02")});

    messages.answerYes = false;
    messages.warnings.clear();
    dialogs.Then([this](CModalDialog& dlg) {
        Pick(dlg, kIdcAidCombo, QStringLiteral("0000E2"));
        Click(dlg, kIdOk);
        EXPECT_EQ(messages.warnings.size(), 1);
        EXPECT_TRUE(messages.warnings.value(0).contains(QStringLiteral("0000E2")));
        EXPECT_NE(reader.State().FindApplication(0xE2), nullptr);
        messages.answerYes = true;
        // The card lets the application's own master key delete it.
        dialogs.Then([](CModalDialog& auth) {
            SetText(auth, kIdcKeyValue, QStringLiteral("00"));
            Click(auth, kIdcAuthenticate);
            return auth.result();
        });
        Click(dlg, kIdOk);
        // Gone from the card and from the list offered.
        EXPECT_EQ(Find<QComboBox>(dlg, kIdcAidCombo)->findText(QStringLiteral("0000E2")), -1);
        return Rejected();
    });
    Click(kIdcDeleteApp);
    unsigned int ids[28] = {};
    ASSERT_EQ(Kavex_DFSelectApplication(Port(), 0), 0);
    ASSERT_EQ(Kavex_DFGetApplicationIDs(Port(), ids, sizeof ids), 1);
    EXPECT_EQ(ids[0], 0xE1u);
    EXPECT_EQ(Entries(kIdcAppList), QStringList{QStringLiteral("0000E1")});
}

} // namespace
} // namespace velmora
