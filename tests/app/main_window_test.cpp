// The main window on the simulated reader: the start loop, card activation
// and the card and application buttons.
#include "app/model/hex_text.h"
#include "tests/app/main_window_fixture.h"
#include "app/ui/port_dlg.h"
#include "app/ui/simulator.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"

#include "sim/test_card.h"
#include "resources/string_ids.h"
#include "resources/control_ids.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QListWidget>
#include <QPushButton>

#include <QKeyEvent>

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
    EXPECT_TRUE(Shown(kIdcAidEdit));
    EXPECT_FALSE(Shown(kIdcAidCombo));
    EXPECT_EQ(reader.Sim().ReaderMode(), 0);
}

TEST_F(MainWindowTest, SilentReaderThenCancel)
{
    WriteProfileInt(QStringLiteral("Port"), QStringLiteral("Timeout"), 50);
    reader.Sim().SetPersistentFault(kavex::sim::Fault::NoAnswer());
    dialogs.Then(ScriptedDialogs::Cancel());
    EXPECT_LE(Window().PortHandle(), 0);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown.at(0), GermanStr(kIdsNoReader));
    EXPECT_EQ(dialogs.runs, QStringList{QStringLiteral("velmora::CPortDlg")});

    // Without a port only the key store is of use: the caption and the
    // card buttons say that no reader is open.
    EXPECT_TRUE(Window().windowTitle().endsWith(QStringLiteral(" <kein Leser>"))) << qPrintable(Window().windowTitle());
    Click(kIdcActivateCard);
    EXPECT_EQ(Text(kIdcStatus), GermanStr(kIdsNoReaderOpen));
    EXPECT_EQ(Text(kIdcUid), QString());
    Click(kIdcGetFreeMemory);
    EXPECT_EQ(Text(kIdcStatus), QStringLiteral("Kein Leser geöffnet – bitte eine Schnittstelle wählen"));

    dialogs.Then([](CModalDialog& dlg) {
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Programm-Schlüsselspeicher"));
        return static_cast<int>(QDialog::Rejected);
    });
    Click(kIdcKeyStore);
    EXPECT_EQ(dialogs.runs.last(), QStringLiteral("velmora::CKeyStoreEditDlg"));
}

TEST_F(MainWindowTest, ReaderThatStopsAnsweringAfterOpen)
{
    WriteProfileInt(QStringLiteral("Port"), QStringLiteral("Timeout"), 50);
    reader.Sim().InjectFault(kavex::sim::Fault{});           // the identification of the open
    reader.Sim().InjectFault(kavex::sim::Fault::NoAnswer()); // the one of the main window
    dialogs.Then(ScriptedDialogs::Cancel());
    EXPECT_EQ(Window().PortHandle(), 0);
    EXPECT_EQ(messages.shown, QStringList{GermanStr(kIdsNoReader)});
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
    // The failed open names the interface and what failed.
    EXPECT_EQ(messages.shown.at(0),
              QStringLiteral("/nonexistent/velmora-port lässt sich nicht öffnen: Portnummer ungültig"));
    EXPECT_EQ(GetProfileString(QStringLiteral("Port"), QStringLiteral("Name"), QString()),
              QString::fromStdString(reader.link));
}

TEST_F(MainWindowTest, CancelledInterfaceChoiceLeavesNoReaderAndNoCard)
{
    reader.AddApplication(0x0A0B0C);
    Click(kIdcActivateCard);
    Click(kIdcReadAppIds);
    ASSERT_EQ(Text(kIdcUid), QStringLiteral("04 11 22 33 44 55 66"));

    dialogs.Then(ScriptedDialogs::Cancel());
    Window().WindowMenu()->findChild<QAction*>(QStringLiteral("216"))->trigger();
    EXPECT_EQ(Window().PortHandle(), 0);
    EXPECT_TRUE(Window().windowTitle().endsWith(QStringLiteral(" <kein Leser>"))) << qPrintable(Window().windowTitle());
    EXPECT_EQ(Text(kIdcUid), QString());
    EXPECT_EQ(Text(kIdcStatus), QString());
    EXPECT_TRUE(Entries(kIdcAppList).isEmpty());
    EXPECT_TRUE(Shown(kIdcAidEdit));

    // Actions that need the reader say so instead of doing nothing or
    // asking for a key.
    Click(kIdcActivateCard);
    EXPECT_EQ(Text(kIdcStatus), GermanStr(kIdsNoReaderOpen));
    EXPECT_EQ(Text(kIdcUid), QString());
    Control<QLineEdit>(kIdcStatus)->clear();
    Click(kIdcReadUid);
    EXPECT_EQ(Text(kIdcStatus), GermanStr(kIdsNoReaderOpen));
    Control<QLineEdit>(kIdcStatus)->clear();
    Click(kIdcFormatCard);
    EXPECT_EQ(Text(kIdcStatus), GermanStr(kIdsNoReaderOpen));
    EXPECT_EQ(dialogs.runs, QStringList{QStringLiteral("velmora::CPortDlg")}); // no question, no key
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
    EXPECT_EQ(messages.shown, QStringList{GermanStr(kIdsReaderOnly)});
    EXPECT_EQ(dialogs.runs.size(), 1);
}

TEST_F(MainWindowTest, ActivationShowsTheUidAndForgetsKeys)
{
    Window().CardStatus().RememberKey(0, 0, CCardStatus::Key{});
    Click(kIdcActivateCard);
    EXPECT_EQ(Text(kIdcUid), QStringLiteral("04 11 22 33 44 55 66"));
    EXPECT_EQ(Text(kIdcStatus), QStringLiteral("Operation erfolgreich"));
    EXPECT_TRUE(Window().CardStatus().m_KeyList.empty());
    EXPECT_EQ(Window().CardStatus().m_ATS.size(), 5);
    EXPECT_EQ(reader.Sim().LastPps(), std::optional<uint8_t>(0x0F));

    // Enter is "Karte aktivieren".
    EXPECT_TRUE(Control<QPushButton>(kIdcActivateCard)->isDefault());
}

TEST_F(MainWindowTest, CardWithoutIso14443_4IsNoDesfire)
{
    kavex::sim::TestCard::Params ultralight;
    ultralight.sak = 0x00;
    ultralight.ats.clear();
    reader.Sim().InsertCard(std::make_shared<kavex::sim::TestCard>(ultralight));
    Click(kIdcActivateCard);
    EXPECT_EQ(Text(kIdcUid), QStringLiteral("--"));
    EXPECT_EQ(Text(kIdcStatus), GermanStr(kIdsNoDesfire));
}

TEST_F(MainWindowTest, NoCardInTheField)
{
    reader.Sim().RemoveCard();
    Click(kIdcActivateCard);
    EXPECT_EQ(Text(kIdcUid), QStringLiteral("--"));
    EXPECT_EQ(Text(kIdcStatus), QStringLiteral("Kein Transponder oder Transponder nicht aktiviert"));
}

TEST_F(MainWindowTest, LongStatusShowsItsStartAndTheWholeAsTooltip)
{
    auto* status = Control<QLineEdit>(kIdcStatus);
    const QString text = QStringLiteral("Anfang ") + QString(300, QLatin1Char('x'));
    status->setText(text);
    EXPECT_EQ(status->cursorPosition(), 0);
    EXPECT_EQ(status->toolTip(), text);
}

TEST_F(MainWindowTest, FreeMemory)
{
    Click(kIdcActivateCard);
    Click(kIdcGetFreeMemory);
    EXPECT_EQ(Text(kIdcFreeMemory), QString::number(reader.State().memory.Free()));
    EXPECT_EQ(Text(kIdcStatus), QStringLiteral("Operation erfolgreich"));
}

TEST_F(MainWindowTest, ApplicationIdsSwitchTheInputToTheCombo)
{
    reader.AddApplication(0x0A0B0C);
    reader.AddApplication(0x010203);
    Click(kIdcActivateCard);
    Click(kIdcReadAppIds);
    EXPECT_EQ(Entries(kIdcAppList), (QStringList{QStringLiteral("010203"), QStringLiteral("0A0B0C")})); // sorted
    EXPECT_TRUE(Shown(kIdcAidCombo));
    EXPECT_FALSE(Shown(kIdcAidEdit));
    EXPECT_EQ(Control<QComboBox>(kIdcAidCombo)->count(), 2);
    EXPECT_EQ(Text(kIdcStatus), QStringLiteral("Operation erfolgreich"));
    EXPECT_EQ(Window().CardStatus().m_nCurrentAid, 0); // reading the list selects nothing

    // Choosing an application in the list selects it on the card and in the combo.
    Control<QListWidget>(kIdcAppList)->setCurrentRow(1);
    EXPECT_EQ(Window().CardStatus().m_nCurrentAid, 0x0A0B0C);
    EXPECT_EQ(Control<QComboBox>(kIdcAidCombo)->currentText(), QStringLiteral("0A0B0C"));

    // Typed text is neither completed into an entry nor added as one.
    auto* combo = Control<QComboBox>(kIdcAidCombo);
    combo->lineEdit()->clear();
    for (const auto& [key, text] : {std::pair{Qt::Key_0, QStringLiteral("0")}, {Qt::Key_Return, QString()}}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(combo->lineEdit(), &press);
    }
    EXPECT_EQ(combo->currentText(), QStringLiteral("0"));
    EXPECT_EQ(combo->count(), 2);

    // A new activation goes back to typing.
    Click(kIdcActivateCard);
    EXPECT_TRUE(Shown(kIdcAidEdit));
    EXPECT_FALSE(Shown(kIdcAidCombo));
    EXPECT_TRUE(Entries(kIdcAppList).isEmpty());
}

TEST_F(MainWindowTest, FileIdsOfATypedApplication)
{
    reader.AddApplication(0x0A0B0C, {1, 5});
    Click(kIdcActivateCard);
    Click(kIdcReadFileIds);
    EXPECT_EQ(Text(kIdcStatus), GermanStr(kIdsAidMissing)); // nothing typed
    Control<QLineEdit>(kIdcAidEdit)->setText(QStringLiteral("7"));
    Click(kIdcReadFileIds);
    EXPECT_EQ(Entries(kIdcFileList), QStringList{QStringLiteral("--")}); // no such application
    EXPECT_EQ(Window().CardStatus().m_nCurrentAid, -1);

    Control<QLineEdit>(kIdcAidEdit)->setText(QStringLiteral("0A0B0C"));
    Click(kIdcReadFileIds);
    EXPECT_EQ(Text(kIdcStatus), QStringLiteral("Operation erfolgreich"));
    EXPECT_EQ(Entries(kIdcFileList), (QStringList{QStringLiteral("01"), QStringLiteral("05")}));
}

TEST_F(MainWindowTest, FormatAsksFirst)
{
    reader.AddApplication(0x0A0B0C);
    Click(kIdcActivateCard);

    dialogs.Then([](CModalDialog& dlg) {
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Karte zurücksetzen"));
        EXPECT_EQ(dlg.findChild<QPushButton*>(QStringLiteral("1"))->text(), QStringLiteral("Zurücksetzen"));
        EXPECT_TRUE(dlg.findChild<QLabel*>(QStringLiteral("1186"))
                        ->text()
                        .startsWith(QStringLiteral("Die Karte zurücksetzen ?\nEs werden alle")));
        return static_cast<int>(QDialog::Rejected);
    });
    const size_t before = reader.Sim().CountReceived(0x45);
    Click(kIdcFormatCard);
    EXPECT_EQ(reader.Sim().CountReceived(0x45), before);
    EXPECT_EQ(reader.State().applications.size(), 1u);

    // Confirmed, with the card master key known from before.
    Window().CardStatus().RememberKey(0, 0, CCardStatus::Key{});
    dialogs.Then([](CModalDialog& dlg) {
        dlg.findChild<QPushButton*>(QStringLiteral("1"))->click();
        return dlg.result();
    });
    Click(kIdcFormatCard);
    EXPECT_TRUE(reader.State().applications.empty());
    EXPECT_EQ(Text(kIdcStatus), QStringLiteral("Operation erfolgreich  (Authentifiziert mit Hauptschlüssel)"));
    EXPECT_EQ(Entries(kIdcAppList), QStringList{QStringLiteral("--")}); // the lists are read again
}

TEST_F(MainWindowTest, FormatWithoutKnownKeyAsksAndCancelIsNotDone)
{
    reader.AddApplication(0x0A0B0C);
    Click(kIdcActivateCard);
    dialogs.Then([](CModalDialog& dlg) {
        dlg.accept();
        return dlg.result();
    });
    dialogs.Then(ScriptedDialogs::Cancel());
    Click(kIdcFormatCard);
    EXPECT_EQ(dialogs.runs,
              (QStringList{QStringLiteral("velmora::CNachfrageDlg"), QStringLiteral("velmora::CMasterkeyAuthentDlg")}));
    EXPECT_EQ(reader.State().applications.size(), 1u);
    EXPECT_EQ(Text(kIdcStatus), GermanStr(kIdsCancelled));
}

TEST_F(MainWindowTest, EveryButtonIsEnabled)
{
    for (int id : {kIdcActivateCard,  kIdcReadUid,          kIdcGetFreeMemory,  kIdcFormatCard,   kIdcReadAppIds,
                   kIdcReadFileIds,   kIdcKeyStore,         kIdCancel,          kIdcCardVersion,  kIdcCardKeySettings,
                   kIdcCardKeyValues, kIdcMoreCardSettings, kIdcAppKeySettings, kIdcAppKeyValues, kIdcCreateApp,
                   kIdcDeleteApp,     kIdcCreateFile,       kIdcFileSettings,   kIdcDeleteFile,   kIdcReadWriteFile}) {
        EXPECT_TRUE(Control<QPushButton>(id)->isEnabled()) << id;
        EXPECT_NE(Control<QPushButton>(id)->toolTip(), GermanStr(kIdsLaterVersion)) << id;
    }
    EXPECT_EQ(Control<QLineEdit>(kIdcStatus)->accessibleName(), QStringLiteral("Status:"));
    EXPECT_FALSE(Window().windowIcon().isNull());
    EXPECT_EQ(Control<QListWidget>(kIdcFileList)->accessibleName(), QStringLiteral("Files der Applikation (d):"));
}

TEST_F(MainWindowTest, CloseAndLanguageResults)
{
    Click(kIdCancel);
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
