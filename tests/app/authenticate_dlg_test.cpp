// Asking the user for a key, on the main window and the simulated card:
// which dialog opens in which form, what a wrong, a right and an empty key
// do, keys from the key store, and a card that leaves the field.
#include "app/ui/authenticate_dlg.h"
#include "app/ui/masterkey_authent_dlg.h"
#include "app/model/card_session.h"
#include "tests/app/fakes.h"
#include "app/model/hex_text.h"
#include "app/settings/key_store.h"
#include "tests/app/main_window_fixture.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include <QComboBox>
#include <QLabel>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::SetText;

const QString kSecretText = QStringLiteral("00112233445566778899AABBCCDDEEFF");
const QString kCardUid = QStringLiteral("04 11 22 33 44 55 66");

CCardStatus::Key Key(const QString& text)
{
    CCardStatus::Key key{};
    HexToBytes(text, key.data(), 16);
    return key;
}

QStringList ComboEntries(const QWidget& dlg, int id)
{
    auto* combo = test::Find<QComboBox>(dlg, id);
    QStringList out;
    for (int i = 0; i < combo->count(); ++i) out << combo->itemText(i);
    return out;
}

bool ReadOnly(const QWidget& dlg, int id)
{
    return test::Find<QLineEdit>(dlg, id)->isReadOnly();
}

class AuthenticationTest : public test::MainWindowFixture {
protected:
    void SetCardMasterKey(const QString& text)
    {
        const CCardStatus::Key key = Key(text);
        std::copy(key.begin(), key.end(), reader.State().masterKeys.keys.at(0).value.begin());
    }
    // An application with keys 0 to count-1, key n being n repeated.
    void AddApplicationWithKeys(uint32_t aid, uint8_t count)
    {
        test::desfire::Application app;
        app.aid = aid;
        app.keys = reader.State().NewApplicationKeys(test::desfire::CryptoMethod::Tdes, 0x0F, count);
        for (uint8_t n = 0; n < count; ++n) {
            app.keys.keys[n].value.fill(0);
            std::fill_n(app.keys.keys[n].value.begin(), 16, n);
        }
        reader.State().applications[aid] = app;
    }
    // Counts the ends of the dialog: a failed attempt must not end it.
    static int* CountEnds(CModalDialog& dlg)
    {
        auto* ends = new int(0);
        QObject::connect(&dlg, &QDialog::finished, &dlg, [ends] { ++*ends; });
        QObject::connect(&dlg, &QObject::destroyed, [ends] { delete ends; });
        return ends;
    }
};

TEST_F(AuthenticationTest, ReadUidWithoutAKnownKeyAsksWithTheApplicationChoice)
{
    SetCardMasterKey(kSecretText);
    reader.AddApplication(0x0A0B0C);
    Click(1085);
    Click(1077); // the card lists its applications freely
    ASSERT_TRUE(Window().CardStatus().m_bAppIdsRead);

    dialogs.Then([](CModalDialog& dlg) {
        int* ends = CountEnds(dlg);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Authentifizierung"));
        EXPECT_TRUE(Shown(dlg, 1163));
        EXPECT_FALSE(Shown(dlg, 1077));
        EXPECT_EQ(ComboEntries(dlg, 1163), (QStringList{QStringLiteral("000000"), QStringLiteral("0A0B0C")}));
        EXPECT_EQ(test::Find<QComboBox>(dlg, 1163)->currentText(), QStringLiteral("000000"));
        EXPECT_TRUE(Shown(dlg, 1074));
        EXPECT_FALSE(Shown(dlg, 1179));
        EXPECT_EQ(Text(dlg, 1074), QStringLiteral("0"));
        EXPECT_FALSE(ReadOnly(dlg, 1074));

        SetText(dlg, 1114, QStringLiteral("11 22 33"));
        Click(dlg, 1067);
        EXPECT_EQ(Text(dlg, 1068), QStringLiteral("Authentifizierung fehlgeschlagen"));
        EXPECT_EQ(*ends, 0); // still open for another try

        SetText(dlg, 1114, kSecretText);
        Click(dlg, 1067);
        EXPECT_EQ(*ends, 1);
        return dlg.result();
    });
    Click(1074);
    EXPECT_EQ(dialogs.runs, QStringList{QStringLiteral("velmora::CAuthenticateDlg")});
    EXPECT_EQ(Text(1010), kCardUid);
    const CCardStatus::CKey* remembered = Window().CardStatus().FindKey(0, 0);
    ASSERT_NE(remembered, nullptr);
    EXPECT_EQ(remembered->value, Key(kSecretText));

    // Choosing an application ends the authentication; the remembered key
    // serves the next read without asking.
    Control<QListWidget>(1080)->setCurrentRow(0);
    EXPECT_FALSE(Window().CardStatus().IsAuthenticated());
    Click(1074);
    EXPECT_EQ(dialogs.runs.size(), 1);
    EXPECT_EQ(Text(1010), kCardUid);
    EXPECT_EQ(Text(1068), QStringLiteral("Operation erfolgreich  (Authentifiziert mit Hauptschlüssel)"));
}

TEST_F(AuthenticationTest, EmptyKeyFieldOpensAFactoryCard)
{
    Click(1085);
    dialogs.Then([](CModalDialog& dlg) {
        // No application list read: application and key number are typed.
        EXPECT_TRUE(Shown(dlg, 1077));
        EXPECT_FALSE(Shown(dlg, 1163));
        EXPECT_FALSE(ReadOnly(dlg, 1077));
        EXPECT_EQ(Text(dlg, 1074), QString());
        Click(dlg, 1067);
        EXPECT_EQ(Text(dlg, 1068), GermanStr(kIdsAidMissing));
        SetText(dlg, 1077, QStringLiteral("0"));
        Click(dlg, 1067);
        EXPECT_EQ(Text(dlg, 1068), GermanStr(kIdsKeyNoMissing));
        SetText(dlg, 1074, QStringLiteral("14"));
        Click(dlg, 1067);
        EXPECT_EQ(Text(dlg, 1068), GermanStr(kIdsKeyNoTooBig));
        SetText(dlg, 1074, QStringLiteral("256")); // taken as key 0
        Click(dlg, 1067);
        return dlg.result();
    });
    Click(1074);
    EXPECT_EQ(Text(1010), kCardUid);
    EXPECT_EQ(Window().CardStatus().m_nAuthKeyNo, 0);
    ASSERT_EQ(Window().CardStatus().m_KeyList.size(), 1u);
    EXPECT_EQ(Window().CardStatus().m_KeyList[0].keyNo, 0);
    EXPECT_EQ(Window().CardStatus().m_KeyList[0].value, CCardStatus::Key{});
}

TEST_F(AuthenticationTest, ClosingTheDialogIsACancel)
{
    Click(1085);
    dialogs.Then([](CModalDialog& dlg) {
        Click(dlg, 2);
        return dlg.result();
    });
    Click(1074);
    EXPECT_EQ(Text(1010), QStringLiteral("--"));
    EXPECT_EQ(Text(1068), GermanStr(kIdsCancelled));
}

TEST_F(AuthenticationTest, OnePermittedKeyIsShownWithTheRememberedKey)
{
    AddApplicationWithKeys(0x0A0B0C, 4);
    Click(1085);
    CCardStatus& status = Window().CardStatus();
    status.RememberKey(0x0A0B0C, 1, Key(QStringLiteral("01010101010101010101010101010101")));
    test::FakeText line;
    dialogs.Then([](CModalDialog& dlg) {
        EXPECT_EQ(Text(dlg, 1077), QStringLiteral("0A0B0C"));
        EXPECT_TRUE(ReadOnly(dlg, 1077));
        EXPECT_TRUE(Shown(dlg, 1074));
        EXPECT_FALSE(Shown(dlg, 1179));
        EXPECT_EQ(Text(dlg, 1074), QStringLiteral("1"));
        EXPECT_TRUE(ReadOnly(dlg, 1074));
        EXPECT_EQ(Text(dlg, 1114), QStringLiteral("01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01"));
        Click(dlg, 1067);
        return dlg.result();
    });
    EXPECT_TRUE(AuthenticateOneOf(Window().PortHandle(), status, 0x0A0B0C, {1, 1}, &line));
    EXPECT_EQ(status.m_nAuthKeyNo, 1);

    // Several: a list to choose from, the first one chosen.
    dialogs.Then([](CModalDialog& dlg) {
        EXPECT_FALSE(Shown(dlg, 1074));
        EXPECT_TRUE(Shown(dlg, 1179));
        EXPECT_EQ(ComboEntries(dlg, 1179), (QStringList{QStringLiteral("03"), QStringLiteral("02")}));
        EXPECT_EQ(Text(dlg, 1114), QString());
        auto* keys = test::Find<QComboBox>(dlg, 1179);
        EXPECT_EQ(keys->currentIndex(), 0);
        keys->setCurrentIndex(1);
        SetText(dlg, 1114, QStringLiteral("02020202020202020202020202020202"));
        Click(dlg, 1067);
        return dlg.result();
    });
    EXPECT_TRUE(AuthenticateOneOf(Window().PortHandle(), status, 0x0A0B0C, {3, 2}, &line));
    EXPECT_EQ(status.m_nAuthKeyNo, 2);
}

TEST_F(AuthenticationTest, MasterKeyOfAnApplicationFromTheKeyStore)
{
    AddApplicationWithKeys(0x0A0B0C, 1);
    reader.State().applications[0x0A0B0C].keys.keys[0].value.fill(0);
    std::fill_n(reader.State().applications[0x0A0B0C].keys.keys[0].value.begin(), 16, 0x5A);
    CKeyStoreItemList store;
    store.Append(QStringLiteral("Falsch"), QStringLiteral("A5"));
    store.Append(QStringLiteral("Tür"), QStringLiteral("5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A"));
    store.SaveKeyStore();
    Click(1085);

    dialogs.Then([this](CModalDialog& dlg) {
        EXPECT_EQ(test::Find<QLabel>(dlg, 1210)->text(),
                  QStringLiteral("Hauptschlüssel der Applikation 0A0B0C (0-16 Byte, Auffüllung mit 0):"));
        Click(dlg, 1069); // "Laden", cancelled
        EXPECT_EQ(Text(dlg, 1068), GermanStr(kIdsCancelled));
        Click(dlg, 1069); // "Laden", the second key
        EXPECT_EQ(Text(dlg, 1068), GermanStr(kIdsKeyLoaded));
        EXPECT_EQ(Text(dlg, 1114), QStringLiteral("5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A5A"));
        Click(dlg, 1067);
        return dlg.result();
    });
    dialogs.Then(test::ScriptedDialogs::Cancel());
    dialogs.Then([](CModalDialog& load) {
        test::Find<QTableWidget>(load, 1202)
            ->setCurrentCell(1, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        Click(load, 1069);
        return load.result();
    });
    test::FakeText line;
    EXPECT_TRUE(EnsureAuthenticated(Window().PortHandle(), Window().CardStatus(), 0x0A0B0C, 0, &line, true));
    EXPECT_EQ(dialogs.runs,
              (QStringList{QStringLiteral("velmora::CMasterkeyAuthentDlg"), QStringLiteral("velmora::CKeyStoreLoadDlg"),
                           QStringLiteral("velmora::CKeyStoreLoadDlg")}));
    EXPECT_EQ(Window().CardStatus().m_nAuthSource, CCardStatus::kSourceDialog);
}

TEST_F(AuthenticationTest, CardMasterKeyDialogKeepsItsTemplateText)
{
    SetCardMasterKey(kSecretText);
    reader.AddApplication(0x0A0B0C);
    Click(1085);
    dialogs.Then([](CModalDialog& dlg) {
        dlg.accept(); // "Zurücksetzen"
        return dlg.result();
    });
    dialogs.Then([](CModalDialog& dlg) {
        EXPECT_EQ(test::Find<QLabel>(dlg, 1210)->text(),
                  QStringLiteral("Hauptschlüssel der Karte (0-16 Byte, wird mit 0 aufgefüllt):"));
        Click(dlg, 1067); // the empty key is not this card's
        EXPECT_EQ(Text(dlg, 1068), GermanStr(kIdsAuthFailed));
        SetText(dlg, 1114, kSecretText);
        Click(dlg, 1067);
        return dlg.result();
    });
    Click(1071);
    EXPECT_TRUE(reader.State().applications.empty());
}

TEST_F(AuthenticationTest, DialogsCloseThemselvesWhenTheCardIsGone)
{
    AddApplicationWithKeys(0x0A0B0C, 2);
    Click(1085);
    reader.Sim().RemoveCard();
    test::FakeText line;
    // Selecting the application finds no card: the dialog never shows.
    EXPECT_FALSE(AuthenticateOneOf(Window().PortHandle(), Window().CardStatus(), 0x0A0B0C, {1}, &line));
    EXPECT_TRUE(dialogs.runs.isEmpty());
    EXPECT_EQ(Kavex_GetLastError(Window().PortHandle()), KAVEX_ERR_NO_TRANSPONDER);
    EXPECT_EQ(line.Text(), GetStatusText(Window().PortHandle(), false, nullptr));

    CMasterkeyAuthentDlg master(Window().PortHandle(), Window().CardStatus(), 0x0A0B0C);
    EXPECT_EQ(RunModal(master), QDialog::Rejected);
    EXPECT_TRUE(dialogs.runs.isEmpty());

    // Gone while the dialog is open: the attempt ends it.
    reader.Sim().InsertCard(reader.tamper);
    Click(1085);
    dialogs.Then([this](CModalDialog& dlg) {
        int* ends = CountEnds(dlg);
        reader.Sim().RemoveCard();
        SetText(dlg, 1077, QStringLiteral("0"));
        SetText(dlg, 1074, QStringLiteral("0"));
        Click(dlg, 1067);
        EXPECT_EQ(*ends, 1);
        return dlg.result();
    });
    Click(1074);
    EXPECT_EQ(dialogs.runs.size(), 1);
    EXPECT_EQ(Text(1068), QStringLiteral("Kein Transponder oder Transponder nicht aktiviert"));
}

} // namespace
} // namespace velmora
