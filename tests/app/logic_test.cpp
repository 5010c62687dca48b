// The card session model's records and notes, and what the main window
// makes of reader and card answers.
#include "tests/app/qstring_printer.h"
#include "app/model/card_status.h"
#include "app/model/main_window_logic.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

CCardStatus::Key KeyOf(uint8_t fill)
{
    CCardStatus::Key k;
    k.fill(fill);
    return k;
}

TEST(CardStatusTest, RememberKeyUpdatesOrAppends)
{
    CCardStatus s;
    s.RememberKey(-1, 0, KeyOf(1)); // unset application or key: not remembered
    s.RememberKey(0, -1, KeyOf(1));
    EXPECT_TRUE(s.m_KeyList.empty());

    s.RememberKey(0, 0, KeyOf(1));
    s.RememberKey(0x10, 2, KeyOf(2));
    s.RememberKey(0, 0, KeyOf(3)); // same application and key: new value, same place
    ASSERT_EQ(s.m_KeyList.size(), 2u);
    EXPECT_EQ(s.m_KeyList[0].value, KeyOf(3));
    EXPECT_EQ(s.m_KeyList[1].aid, 0x10);
    ASSERT_NE(s.FindKey(0x10, 2), nullptr);
    EXPECT_EQ(s.FindKey(0x10, 3), nullptr);
}

TEST(CardStatusTest, ForgetKeysWithWildcards)
{
    CCardStatus s;
    s.RememberKey(1, 0, KeyOf(0));
    s.RememberKey(1, 1, KeyOf(0));
    s.RememberKey(2, 1, KeyOf(0));
    s.RememberKey(3, 0, KeyOf(0));
    s.ForgetKeys(1, -1); // every key of application 1
    ASSERT_EQ(s.m_KeyList.size(), 2u);
    s.ForgetKeys(-1, 1); // key 1 of any application
    ASSERT_EQ(s.m_KeyList.size(), 1u);
    EXPECT_EQ(s.m_KeyList[0].aid, 3);
    s.ForgetKeys(-1, -1);
    EXPECT_TRUE(s.m_KeyList.empty());
}

TEST(CardStatusTest, ActivationForgetsEverything)
{
    CCardStatus s;
    s.RememberKey(0, 0, KeyOf(0));
    s.m_FileInfoList.push_back(CFileInfo{});
    s.m_bAppIdsRead = true;
    s.m_nCurrentAid = 0x123456;
    s.m_nAuthMode = CCardStatus::kAuthAES;
    s.m_nAuthKeyNo = 3;
    s.m_nAuthSource = CCardStatus::kSourceRemembered;
    s.m_ATS = QByteArray("\x75\x77", 2);
    s.ResetOnActivation();
    EXPECT_TRUE(s.m_KeyList.empty());
    EXPECT_TRUE(s.m_FileInfoList.empty());
    EXPECT_FALSE(s.m_bAppIdsRead);
    EXPECT_EQ(s.m_nCurrentAid, 0);
    EXPECT_EQ(s.m_nAuthMode, 0);
    EXPECT_EQ(s.m_nAuthKeyNo, 0xFF);
    EXPECT_EQ(s.m_nAuthSource, -1);
    EXPECT_TRUE(s.m_ATS.isEmpty());
}

TEST(AuthNoteTest, Table)
{
    CCardStatus s;
    auto note = [&](int source, int key) {
        s.m_nAuthSource = source;
        s.m_nAuthKeyNo = static_cast<uint8_t>(key);
        return AuthNote(s);
    };
    EXPECT_EQ(note(1, 0), QStringLiteral("  (bereits authentifiziert mit Hauptschlüssel)"));
    EXPECT_EQ(note(1, 3), QStringLiteral("  (bereits authentifiziert mit Schlüsselnr. 03)"));
    EXPECT_EQ(note(2, 0), QStringLiteral("  (Authentifiziert mit Hauptschlüssel)"));
    EXPECT_EQ(note(2, 12), QStringLiteral("  (Authentifizieren mit Schlüsselnr. 12)"));
    EXPECT_EQ(note(-1, 0), QString());
    EXPECT_EQ(note(3, 5), QString());
}

TEST(MainWindowLogicTest, FirmwareText)
{
    EXPECT_EQ(FirmwareText('5'), QStringLiteral("FW V1.05"));
    EXPECT_EQ(FirmwareText('a'), QStringLiteral("FW V1.10"));
    EXPECT_EQ(FirmwareText('A'), QStringLiteral("FW V1.10"));
    EXPECT_EQ(FirmwareText('z'), QStringLiteral("FW V1.35"));
    EXPECT_EQ(FirmwareText('#'), QStringLiteral("FW V1.255"));
}

TEST(MainWindowLogicTest, StatusWithCode)
{
    EXPECT_EQ(StatusWithCode(QStringLiteral("SetRF(0) Error"), 0), QStringLiteral("SetRF(0) Error"));
    EXPECT_EQ(StatusWithCode(QStringLiteral("SetRF(1) Error"), 21), QStringLiteral("SetRF(1) Error <21>"));
    EXPECT_EQ(StatusWithCode(QStringLiteral("x"), 128), QStringLiteral("x <128>"));
    EXPECT_EQ(StatusWithCode(QStringLiteral("x"), 129), QStringLiteral("x <-127>"));
    EXPECT_EQ(StatusWithCode(QStringLiteral("x"), 255), QStringLiteral("x <-1>"));
    EXPECT_EQ(StatusWithCode(QStringLiteral("x"), 256), QStringLiteral("x <256>"));
    EXPECT_EQ(StatusWithCode(QStringLiteral("x"), 0x100AE), QStringLiteral("x <65710>"));
}

TEST(MainWindowLogicTest, BitRatesFromTheAts)
{
    // T0 0x75 announces TA(1); TA(1) 0x77 offers 848 kbit/s both ways.
    EXPECT_EQ(PpsFromAts(QByteArray("\x75\x77\x81\x02\x80", 5)), 0x0F);
    EXPECT_EQ(PpsFromAts(QByteArray("\x75\x00", 2)), 0x00);
    EXPECT_EQ(PpsFromAts(QByteArray("\x75\x12", 2)), 0x06); // DRI 2 (bit 0x02), DSI 1 (bit 0x10)
    EXPECT_EQ(PpsFromAts(QByteArray("\x75\x44", 2)), 0x0F);
    // Without TA(1) the second byte is TB(1): no rate is offered.
    EXPECT_EQ(PpsFromAts(QByteArray("\x65\x77", 2)), 0x00);
    EXPECT_EQ(PpsFromAts(QByteArray("\x75", 1)), 0x00);
    EXPECT_EQ(PpsFromAts(QByteArray()), 0x00);
}

TEST(MainWindowLogicTest, ProductVersion)
{
    EXPECT_EQ(ProductVersionText(QStringLiteral("0.1.0")), QStringLiteral("0.1.0"));
    EXPECT_EQ(ProductVersionText(QString()), QStringLiteral("1.xx"));
    EXPECT_EQ(ProductVersionText(QStringLiteral("12345678901234567890")), QStringLiteral("1.xx"));
}

TEST(StringTableTest, UnknownIdsAreEmptyAndOurTextsExist)
{
    EXPECT_EQ(LoadStr(999999), QString());
    EXPECT_EQ(LoadStr(kIdsChooseInterface), QStringLiteral("Schnittstelle wählen"));
    EXPECT_EQ(LoadStr(kIdsGerman), QStringLiteral("German"));
    EXPECT_EQ(LoadStr(kIdsLaterVersion), QStringLiteral("Folgt in einer späteren Version"));
}

} // namespace
} // namespace velmora
