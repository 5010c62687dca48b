// The card and key dialogs, opened from the main window on the simulated
// card: each changes the card and the change is read back through the SDK;
// what they refuse to write; and the keys they forget when they close.
#include "app/model/hex_text.h"
#include "app/model/ui_strings.h"
#include "resources/control_ids.h"
#include "resources/string_ids.h"
#include "tests/app/main_window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::Find;
using test::SetText;

constexpr uint32_t kAppA = 0x0A0B0C;
constexpr uint32_t kAppB = 0x112233;
const QString kSecret = QStringLiteral("00112233445566778899AABBCCDDEEFF");

CCardStatus::Key Key(const QString& text)
{
    CCardStatus::Key key{};
    HexToBytes(text, key.data(), 16);
    return key;
}

Qt::CheckState Box(const QWidget& dlg, int id)
{
    return Find<QCheckBox>(dlg, id)->checkState();
}

class KeyDialogsTest : public test::MainWindowFixture {
protected:
    void AddApp(uint32_t aid, uint8_t count)
    {
        test::desfire::Application app;
        app.aid = aid;
        app.keys = reader.State().NewApplicationKeys(test::desfire::CryptoMethod::Tdes, 0x0F, count);
        reader.State().applications[aid] = app;
    }
    // The window with the card activated and the delivery keys known.
    void Activated()
    {
        Window();
        Click(kIdcActivateCard);
        CCardStatus& status = Window().CardStatus();
        for (int aid : {0, static_cast<int>(kAppA), static_cast<int>(kAppB)}) status.RememberKey(aid, 0, {});
    }
    int Port() { return Window().PortHandle(); }
    // Opens the dialog of button, runs body in it and closes it.
    void Open(int button, const std::function<void(CModalDialog&)>& body)
    {
        dialogs.Then([body](CModalDialog& dlg) {
            body(dlg);
            dlg.reject();
            return dlg.result();
        });
        Click(button);
        EXPECT_TRUE(dialogs.steps.empty());
    }
    int CardSettings(uint32_t aid)
    {
        unsigned char out[4] = {};
        if (Kavex_DFSelectApplication(Port(), aid) < 0 || Kavex_DFGetKeySettings(Port(), out, sizeof out) < 0)
            return -1;
        // The selection has ended any authentication.
        Window().CardStatus().m_nCurrentAid = static_cast<int>(aid);
        Window().CardStatus().ResetAuth();
        return out[2] << 4 | out[3];
    }
};

TEST_F(KeyDialogsTest, CardKeySettings)
{
    Activated();
    Open(kIdcCardKeySettings, [&](CModalDialog& dlg) {
        for (int id : {kIdcMasterKeyChangeable, kIdcFreeDirectory, kIdcFreeCreateDelete, kIdcConfigChangeable})
            EXPECT_EQ(Box(dlg, id), Qt::PartiallyChecked);
        const size_t before = reader.Sim().CountReceived(0x45);
        test::Click(dlg, kIdcChangeSettings);
        EXPECT_EQ(test::Text(dlg, kIdcStatus), GermanStr(kIdsFieldsMissing));
        EXPECT_EQ(reader.Sim().CountReceived(0x45), before);

        test::Click(dlg, kIdcGetSettings);
        EXPECT_EQ(Box(dlg, kIdcConfigChangeable), Qt::Checked);
        // The settings-changeable box only shows: clicks and keys leave it.
        auto* shown = Find<QCheckBox>(dlg, kIdcConfigChangeable);
        const QPointF inside(shown->rect().center());
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent e(type, inside, shown->mapToGlobal(inside), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(shown, &e);
        }
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent e(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
            QCoreApplication::sendEvent(shown, &e);
        }
        EXPECT_EQ(Box(dlg, kIdcConfigChangeable), Qt::Checked);

        Find<QCheckBox>(dlg, kIdcFreeCreateDelete)->setCheckState(Qt::Unchecked);
        test::Click(dlg, kIdcChangeSettings);
        EXPECT_EQ(CardSettings(0), 0x0B);

        dialogs.Then(test::ScriptedDialogs::Cancel());
        test::Click(dlg, kIdcFreezeSettings);
        EXPECT_EQ(test::Text(dlg, kIdcStatus), GermanStr(kIdsCancelled));
        dialogs.Then([](CModalDialog&) { return static_cast<int>(QDialog::Accepted); });
        test::Click(dlg, kIdcFreezeSettings);
        EXPECT_EQ(Box(dlg, kIdcConfigChangeable), Qt::Unchecked);
        EXPECT_EQ(CardSettings(0), 0x03);
        test::Click(dlg, kIdcChangeSettings);
        EXPECT_EQ(test::Text(dlg, kIdcStatus), GermanStr(kIdsCardSettingsFrozen));
    });
    EXPECT_EQ(dialogs.runs,
              (QStringList{QStringLiteral("velmora::CMasterKeySettingsDlg"), QStringLiteral("velmora::CNachfrageDlg"),
                           QStringLiteral("velmora::CNachfrageDlg")}));
}

TEST_F(KeyDialogsTest, CardMasterKeyIsConfirmedAndForgotten)
{
    Activated();
    Open(kIdcCardKeyValues, [&](CModalDialog& dlg) {
        SetText(dlg, kIdcNewKeyValue, QStringLiteral("00112233 44556677"));
        test::Click(dlg, kIdcChangeKey);
        EXPECT_EQ(test::Text(dlg, kIdcStatus), GermanStr(kIdsKeyNotHex));
        EXPECT_TRUE(messages.warnings.isEmpty());

        SetText(dlg, kIdcNewKeyValue, kSecret);
        messages.answerYes = false;
        test::Click(dlg, kIdcChangeKey);
        EXPECT_EQ(test::Text(dlg, kIdcStatus), GermanStr(kIdsCancelled));
        ASSERT_EQ(messages.warnings.size(), 1);
        EXPECT_TRUE(
            messages.warnings.first().contains(QStringLiteral("00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF")))
            << qPrintable(messages.warnings.first());

        messages.answerYes = true;
        test::Click(dlg, kIdcChangeKey);
        test::Click(dlg, kIdcGetKeyVersion);
        EXPECT_FALSE(test::Text(dlg, kIdcKeyVersion).isEmpty());
        EXPECT_NE(test::Text(dlg, kIdcKeyVersion), QStringLiteral("--"));

        // Closed, the dialog keeps no copy of the key, not even for undo.
        dlg.reject();
        EXPECT_TRUE(test::Text(dlg, kIdcNewKeyValue).isEmpty());
        EXPECT_FALSE(Find<QLineEdit>(dlg, kIdcNewKeyValue)->isUndoAvailable());
    });
    EXPECT_EQ(Kavex_DFAuthenticateISO(Port(), 0, Key(kSecret).data(), 16), 0);
}

TEST_F(KeyDialogsTest, AppKeySettingsBelongToTheAidShown)
{
    AddApp(kAppA, 3);
    AddApp(kAppB, 3);
    Activated();
    Open(kIdcAppKeySettings, [&](CModalDialog& dlg) {
        auto* aid = Find<QComboBox>(dlg, kIdcAidCombo);
        ASSERT_FALSE(aid->isHidden());
        EXPECT_EQ(aid->currentText(), AidToText(kAppA));
        test::Click(dlg, kIdcGetSettings);
        EXPECT_EQ(test::Text(dlg, kIdcKeyCount), QStringLiteral("3"));
        EXPECT_EQ(Box(dlg, kIdcFreeCreateDelete), Qt::Checked);

        // Another AID typed: A's boxes must not be written to B.
        aid->setEditText(AidToText(kAppB));
        EXPECT_EQ(Box(dlg, kIdcFreeCreateDelete), Qt::PartiallyChecked);
        EXPECT_EQ(test::Text(dlg, kIdcKeyCount), QStringLiteral("--"));
        test::Click(dlg, kIdcChangeSettings);
        EXPECT_EQ(test::Text(dlg, kIdcStatus), GermanStr(kIdsFieldsMissing));

        test::Click(dlg, kIdcGetSettings);
        Find<QCheckBox>(dlg, kIdcFreeCreateDelete)->setCheckState(Qt::Unchecked);
        Find<QComboBox>(dlg, kIdcChangeKeyAccess)->setCurrentText(LoadStr(kIdsChangeKeyNumber1 + 1)); // key 2
        test::Click(dlg, kIdcChangeSettings);
        EXPECT_EQ(test::Text(dlg, kIdcKeyCount), QStringLiteral("3")) << qPrintable(test::Text(dlg, kIdcStatus));

        // Bit 3 cleared: asked first, with a warning.
        Find<QCheckBox>(dlg, kIdcConfigChangeable)->setCheckState(Qt::Unchecked);
        messages.answerYes = false;
        test::Click(dlg, kIdcChangeSettings);
        EXPECT_EQ(test::Text(dlg, kIdcStatus), GermanStr(kIdsCancelled));
        EXPECT_EQ(messages.warnings.size(), 1);
    });
    EXPECT_EQ(CardSettings(kAppB), 0x2B);
    EXPECT_EQ(CardSettings(kAppA), 0x0F);
}

TEST_F(KeyDialogsTest, AppKeyValuesChangeOnlyTheTypedKey)
{
    AddApp(kAppA, 3);
    Activated();
    Open(kIdcAppKeyValues, [&](CModalDialog& dlg) {
        EXPECT_FALSE(Find<QLineEdit>(dlg, kIdcOldKey)->isEnabled());
        Find<QRadioButton>(dlg, kIdcKeyNumberMode)->click();
        auto* keyNo = Find<QComboBox>(dlg, kIdcKeyNoCombo);
        EXPECT_TRUE(keyNo->isEnabled());
        Find<QComboBox>(dlg, kIdcChangeKeyAccess)->setCurrentText(LoadStr(kIdsChangeKeyMaster));
        EXPECT_TRUE(Find<QLineEdit>(dlg, kIdcOldKey)->isEnabled()); // a named key changes: old value needed

        SetText(dlg, kIdcNewKeyValue, QStringLiteral("11 22"));
        keyNo->setEditText(QStringLiteral("256"));
        test::Click(dlg, kIdcChangeKey);
        EXPECT_EQ(test::Text(dlg, kIdcStatus), GermanStr(kIdsKeyNoTooBig));

        keyNo->setCurrentIndex(1); // "02"
        test::Click(dlg, kIdcChangeKey);
        EXPECT_NE(test::Text(dlg, kIdcStatus), GermanStr(kIdsKeyNoTooBig));

        SetText(dlg, kIdcOldKey, QStringLiteral("99"));
        dlg.reject();
        EXPECT_TRUE(test::Text(dlg, kIdcNewKeyValue).isEmpty());
        EXPECT_TRUE(test::Text(dlg, kIdcOldKey).isEmpty());
    });
    EXPECT_EQ(Kavex_DFSelectApplication(Port(), kAppA), 0);
    EXPECT_EQ(Kavex_DFAuthenticateISO(Port(), 2, Key(QStringLiteral("1122")).data(), 16), 0);
    EXPECT_EQ(Kavex_DFAuthenticateISO(Port(), 0, Key(QString()).data(), 16), 0); // key 0 untouched
}

TEST_F(KeyDialogsTest, OtherCardSettings)
{
    Activated();
    Open(kIdcMoreCardSettings, [&](CModalDialog& dlg) {
        EXPECT_EQ(test::Text(dlg, kIdcHistoricalByte), QStringLiteral("80"));
        SetText(dlg, kIdcHistoricalByte, QStringLiteral("c1"));
        test::Click(dlg, kIdcSetHistoricalByte);
        dialogs.Then(test::ScriptedDialogs::Cancel());
        test::Click(dlg, kIdcRandomUid);
        EXPECT_EQ(test::Text(dlg, kIdcConfigStatus), GermanStr(kIdsCancelled));

        // A hand-edited key store value the conversion would change is not
        // written either.
        WriteProfileString(QStringLiteral("KeyStore"), QStringLiteral("KeyName1"), QStringLiteral("edited"));
        WriteProfileString(QStringLiteral("KeyStore"), QStringLiteral("KeyValue1"),
                           QStringLiteral("00112233 44556677"));
        dialogs.Then([](CModalDialog& load) {
            Find<QTableWidget>(load, kIdcKeyList)
                ->setCurrentCell(0, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            test::Click(load, kIdcLoadKey);
            return load.result();
        });
        test::Click(dlg, kIdcLoadKey);
        EXPECT_EQ(test::Text(dlg, kIdcConfigStatus), GermanStr(kIdsKeyLoaded));
        const size_t before = reader.Sim().CountReceived(0x45);
        test::Click(dlg, kIdcSetDefaultKey);
        EXPECT_EQ(test::Text(dlg, kIdcConfigStatus), GermanStr(kIdsKeyNotHex));
        EXPECT_EQ(reader.Sim().CountReceived(0x45), before);
    });
    EXPECT_FALSE(reader.State().config.randomUid);
    Click(kIdcActivateCard);
    EXPECT_EQ(Window().CardStatus().m_ATS.toHex(), QByteArray("75778102c1"));
}

TEST_F(KeyDialogsTest, CardVersion)
{
    Activated();
    Open(kIdcCardVersion, [&](CModalDialog& dlg) {
        EXPECT_EQ(test::Text(dlg, kIdcStorageSize), QStringLiteral("8192"));
        EXPECT_EQ(test::Text(dlg, kIdcVersionUid), QStringLiteral("04 11 22 33 44 55 66"));
        EXPECT_EQ(test::Text(dlg, kIdcVendor), QStringLiteral("0x04 (NXP)"));
        EXPECT_EQ(test::Text(dlg, kIdcProductionDate), QStringLiteral("14/2023"));
    });
}

} // namespace
} // namespace velmora
