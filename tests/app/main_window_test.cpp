// The main window on the simulated reader: the start loop, card activation
// and the card and application buttons.
#include "app/model/hex_text.h"
#include "tests/app/main_window_fixture.h"
#include "app/ui/port_dlg.h"
#include "app/ui/simulator.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"

#include "sim/test_card.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::ScriptedDialogs;

using MainWindowTest = test::MainWindowFixture;

TEST_F(MainWindowTest, StoredInterfaceAnswers)
{
    EXPECT_GT(Window().PortHandle(), 0);
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_TRUE(dialogs.runs.isEmpty());
    const QString caption = Window().windowTitle();
    EXPECT_TRUE(caption.startsWith(QStringLiteral("Kavex Velmora V"))) << qPrintable(caption);
    EXPECT_TRUE(caption.endsWith(QString::fromStdString(reader.link) + QStringLiteral(":1  FW V1.05>")))
        << qPrintable(caption);
    // The application ID is typed until a list has been read.
    EXPECT_TRUE(Shown(1081));
    EXPECT_FALSE(Shown(1163));
    EXPECT_EQ(reader.Sim().ReaderMode(), 0);
}

TEST_F(MainWindowTest, SilentReaderThenCancel)
{
    WriteProfileInt(QStringLiteral("Port"), QStringLiteral("Timeout"), 50);
    reader.Sim().SetPersistentFault(kavex::sim::Fault::NoAnswer());
    dialogs.Then(ScriptedDialogs::Cancel());
    EXPECT_LE(Window().PortHandle(), 0);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown.at(0), GermanStr(219));
    EXPECT_EQ(dialogs.runs, QStringList{QStringLiteral("velmora::CPortDlg")});

    // Without a port only the key store is of use: activation does nothing,
    // the card buttons report the SDK's status for a missing port.
    Click(1085);
    EXPECT_EQ(Text(1068), QString());
    EXPECT_EQ(Text(1009), QString());
    Click(1072);
    EXPECT_EQ(Text(1184), QStringLiteral("--"));
    EXPECT_EQ(Text(1068), SdkStatusText(0));
    EXPECT_EQ(Text(1068), QStringLiteral("Portnummer ungültig"));

    dialogs.Then([](CModalDialog& dlg) {
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Programm-Schlüsselspeicher"));
        return static_cast<int>(QDialog::Rejected);
    });
    Click(1075);
    EXPECT_EQ(dialogs.runs.last(), QStringLiteral("velmora::CKeyStoreEditDlg"));
}

TEST_F(MainWindowTest, ReaderThatStopsAnsweringAfterOpen)
{
    WriteProfileInt(QStringLiteral("Port"), QStringLiteral("Timeout"), 50);
    reader.Sim().InjectFault(kavex::sim::Fault{});           // the identification of the open
    reader.Sim().InjectFault(kavex::sim::Fault::NoAnswer()); // the one of the main window
    dialogs.Then(ScriptedDialogs::Cancel());
    EXPECT_EQ(Window().PortHandle(), 0);
    EXPECT_EQ(messages.shown, QStringList{GermanStr(219)});
}

TEST_F(MainWindowTest, InterfaceDialogChoiceIsTriedAgain)
{
    WriteProfileString(QStringLiteral("Port"), QStringLiteral("Name"), QStringLiteral("/nonexistent/velmora-port"));
    dialogs.Then([this](CModalDialog& dlg) {
        // The user picks the simulated reader.
        auto* list = dlg.findChild<QListWidget*>(QStringLiteral("1012"));
        list->setCurrentRow(list->count() - 1);
        dlg.findChild<QPushButton*>(QStringLiteral("1"))->click();
        return dlg.result();
    });
    EXPECT_GT(Window().PortHandle(), 0);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown.at(0), QStringLiteral("Portnummer ungültig")); // the failed open
    EXPECT_EQ(GetProfileString(QStringLiteral("Port"), QStringLiteral("Name"), QString()),
              QString::fromStdString(reader.link));
}

TEST_F(MainWindowTest, BuiltInSimulatorIsADesktopUsbProgrammer)
{
    CBuiltInSimulator simulator;
    ASSERT_TRUE(simulator.Start(QString())) << qPrintable(simulator.ErrorText());
    lists.com = {simulator.Entry()};
    WriteProfileString(QStringLiteral("Port"), QStringLiteral("Name"), simulator.Entry());
    const QString caption = Window().windowTitle();
    EXPECT_TRUE(caption.contains(QStringLiteral("<Kavex KV-135 Desktop USB Programmer ") + simulator.LinkPath()))
        << qPrintable(caption);
    EXPECT_TRUE(messages.shown.isEmpty());
}

class ReaderOnlyTest : public MainWindowTest {
protected:
    static kavex::sim::ReaderConfig ReaderOnly()
    {
        kavex::sim::ReaderConfig c;
        c.ident = kavex::sim::Bytes{'1', '2', '4', '5'}; // type 0x124: no programmer
        return c;
    }
    ReaderOnlyTest() : test::MainWindowFixture(ReaderOnly()) {}
};

TEST_F(ReaderOnlyTest, IsRefused)
{
    dialogs.Then(ScriptedDialogs::Cancel());
    EXPECT_EQ(Window().PortHandle(), 0);
    EXPECT_EQ(messages.shown, QStringList{GermanStr(221)});
    EXPECT_EQ(dialogs.runs.size(), 1);
}

TEST_F(MainWindowTest, ActivationShowsTheUidAndForgetsKeys)
{
    Window().CardStatus().RememberKey(0, 0, CCardStatus::Key{});
    Click(1085);
    EXPECT_EQ(Text(1009), QStringLiteral("04 11 22 33 44 55 66"));
    EXPECT_EQ(Text(1068), QStringLiteral("Operation erfolgreich"));
    EXPECT_TRUE(Window().CardStatus().m_KeyList.empty());
    EXPECT_EQ(Window().CardStatus().m_ATS.size(), 5);
    EXPECT_EQ(reader.Sim().LastPps(), std::optional<uint8_t>(0x0F));

    // Enter is "Karte aktivieren".
    EXPECT_TRUE(Control<QPushButton>(1085)->isDefault());
}

TEST_F(MainWindowTest, CardWithoutIso14443_4IsNoDesfire)
{
    kavex::sim::TestCard::Params ultralight;
    ultralight.sak = 0x00;
    ultralight.ats.clear();
    reader.Sim().InsertCard(std::make_shared<kavex::sim::TestCard>(ultralight));
    Click(1085);
    EXPECT_EQ(Text(1009), QStringLiteral("--"));
    EXPECT_EQ(Text(1068), GermanStr(225));
}

TEST_F(MainWindowTest, NoCardInTheField)
{
    reader.Sim().RemoveCard();
    Click(1085);
    EXPECT_EQ(Text(1009), QStringLiteral("--"));
    EXPECT_EQ(Text(1068), QStringLiteral("Kein Transponder oder Transponder nicht aktiviert"));
}

TEST_F(MainWindowTest, FreeMemory)
{
    Click(1085);
    Click(1072);
    EXPECT_EQ(Text(1184), QString::number(reader.State().memory.Free()));
    EXPECT_EQ(Text(1068), QStringLiteral("Operation erfolgreich"));
}

TEST_F(MainWindowTest, ApplicationIdsSwitchTheInputToTheCombo)
{
    reader.AddApplication(0x0A0B0C);
    reader.AddApplication(0x010203);
    Click(1085);
    Click(1077);
    EXPECT_EQ(Entries(1080), (QStringList{QStringLiteral("010203"), QStringLiteral("0A0B0C")})); // sorted
    EXPECT_TRUE(Shown(1163));
    EXPECT_FALSE(Shown(1081));
    EXPECT_EQ(Control<QComboBox>(1163)->count(), 2);
    EXPECT_EQ(Text(1068), QStringLiteral("Operation erfolgreich"));
    EXPECT_EQ(Window().CardStatus().m_nCurrentAid, 0); // reading the list selects nothing

    // Choosing an application in the list selects it on the card and in the combo.
    Control<QListWidget>(1080)->setCurrentRow(1);
    EXPECT_EQ(Window().CardStatus().m_nCurrentAid, 0x0A0B0C);
    EXPECT_EQ(Control<QComboBox>(1163)->currentText(), QStringLiteral("0A0B0C"));

    // A new activation goes back to typing.
    Click(1085);
    EXPECT_TRUE(Shown(1081));
    EXPECT_FALSE(Shown(1163));
    EXPECT_TRUE(Entries(1080).isEmpty());
}

TEST_F(MainWindowTest, FileIdsOfATypedApplication)
{
    reader.AddApplication(0x0A0B0C, {1, 5});
    Click(1085);
    Click(1079);
    EXPECT_EQ(Text(1068), GermanStr(187)); // nothing typed
    Control<QLineEdit>(1081)->setText(QStringLiteral("7"));
    Click(1079);
    EXPECT_EQ(Entries(1092), QStringList{QStringLiteral("--")}); // no such application
    EXPECT_EQ(Window().CardStatus().m_nCurrentAid, -1);

    Control<QLineEdit>(1081)->setText(QStringLiteral("0A0B0C"));
    Click(1079);
    EXPECT_EQ(Text(1068), QStringLiteral("Operation erfolgreich"));
    EXPECT_EQ(Entries(1092), (QStringList{QStringLiteral("01"), QStringLiteral("05")}));
}

TEST_F(MainWindowTest, FormatAsksFirst)
{
    reader.AddApplication(0x0A0B0C);
    Click(1085);

    dialogs.Then([](CModalDialog& dlg) {
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Karte zurücksetzen"));
        EXPECT_EQ(dlg.findChild<QPushButton*>(QStringLiteral("1"))->text(), QStringLiteral("Zurücksetzen"));
        EXPECT_TRUE(dlg.findChild<QLabel*>(QStringLiteral("1186"))
                        ->text()
                        .startsWith(QStringLiteral("Die Karte zurücksetzen ?\nEs werden alle")));
        return static_cast<int>(QDialog::Rejected);
    });
    const size_t before = reader.Sim().CountReceived(0x45);
    Click(1071);
    EXPECT_EQ(reader.Sim().CountReceived(0x45), before);
    EXPECT_EQ(reader.State().applications.size(), 1u);

    // Confirmed, with the card master key known from before.
    Window().CardStatus().RememberKey(0, 0, CCardStatus::Key{});
    dialogs.Then([](CModalDialog& dlg) {
        dlg.findChild<QPushButton*>(QStringLiteral("1"))->click();
        return dlg.result();
    });
    Click(1071);
    EXPECT_TRUE(reader.State().applications.empty());
    EXPECT_EQ(Text(1068), QStringLiteral("Operation erfolgreich  (Authentifiziert mit Hauptschlüssel)"));
    EXPECT_EQ(Entries(1080), QStringList{QStringLiteral("--")}); // the lists are read again
}

TEST_F(MainWindowTest, FormatWithoutKnownKeyAsksAndCancelIsNotDone)
{
    reader.AddApplication(0x0A0B0C);
    Click(1085);
    dialogs.Then([](CModalDialog& dlg) {
        dlg.accept();
        return dlg.result();
    });
    dialogs.Then(ScriptedDialogs::Cancel());
    Click(1071);
    EXPECT_EQ(dialogs.runs,
              (QStringList{QStringLiteral("velmora::CNachfrageDlg"), QStringLiteral("velmora::CMasterkeyAuthentDlg")}));
    EXPECT_EQ(reader.State().applications.size(), 1u);
    EXPECT_EQ(Text(1068), GermanStr(193));
}

TEST_F(MainWindowTest, LaterButtonsAreVisibleButDisabled)
{
    for (int id : {1078, 1105, 1107, 1136, 1073, 1104, 1076, 1106, 1084, 1101, 1089, 1100}) {
        auto* b = Control<QPushButton>(id);
        EXPECT_FALSE(b->isHidden()) << id;
        EXPECT_FALSE(b->isEnabled()) << id;
        EXPECT_EQ(b->toolTip(), GermanStr(20001)) << id;
    }
    for (int id : {1085, 1074, 1072, 1071, 1077, 1079, 1075, 2})
        EXPECT_TRUE(Control<QPushButton>(id)->isEnabled()) << id;
    EXPECT_EQ(Control<QLineEdit>(1068)->accessibleName(), QStringLiteral("Status:"));
    EXPECT_FALSE(Window().windowIcon().isNull());
    EXPECT_EQ(Control<QListWidget>(1092)->accessibleName(), QStringLiteral("Files der Applikation (d):"));
}

TEST_F(MainWindowTest, CloseAndLanguageResults)
{
    Click(2);
    EXPECT_EQ(Window().result(), CVelmoraDlg::kResultClosed);
    window.reset();

    Window().reject(); // Escape
    EXPECT_EQ(Window().result(), CVelmoraDlg::kResultClosed);
    window.reset();

    QAction* english = Window().WindowMenu()->findChild<QAction*>(QStringLiteral("218"));
    ASSERT_NE(english, nullptr);
    EXPECT_EQ(Window().WindowMenu()->findChild<QAction*>(QStringLiteral("217")), nullptr);
    english->trigger();
    EXPECT_EQ(Window().result(), CVelmoraDlg::kResultLanguage);
    EXPECT_EQ(GetProfileInt(QStringLiteral("Settings"), QStringLiteral("Sprache"), 0), 1);
}

} // namespace
} // namespace velmora
