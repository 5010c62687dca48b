// The card and key dialogs' sequences without a window, against the
// simulated card: what each writes to the card, what it refuses to send,
// and what it leaves in the card session model.
#include "app/model/app_key_settings.h"
#include "app/model/card_config.h"
#include "app/model/card_key_settings.h"
#include "app/model/card_session.h"
#include "app/model/card_version.h"
#include "app/model/hex_text.h"
#include "app/model/key_values.h"
#include "app/model/status_line.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"
#include "tests/app/fakes.h"
#include "tests/app/sim_card.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velmora {
namespace {

constexpr uint8_t kGetKeySettings = 0x45;
constexpr uint8_t kChangeKeySettings = 0x54;
constexpr uint8_t kChangeKey = 0xC4;
constexpr uint8_t kSetConfiguration = 0x5C;
constexpr uint32_t kAid = 0x112233;
const QString kSecret = QStringLiteral("00112233445566778899AABBCCDDEEFF");

CCardStatus::Key Key(const QString& text)
{
    CCardStatus::Key key{};
    HexToBytes(text, key.data(), 16);
    return key;
}

class KeySequencesTest : public test::SimCardTest {
protected:
    void SetUp() override
    {
        test::SimCardTest::SetUp();
        status.m_pUi = &ui;
        status.m_ATS = QByteArray(reinterpret_cast<const char*>(ats.data()), static_cast<int>(ats.size()));
        // The delivery key of the card master key worked before.
        status.RememberKey(0, 0, CCardStatus::Key{});
    }
    // An application with `count` keys, all zero.
    void AddApp(uint32_t aid, uint8_t count, uint8_t settings = 0x0F)
    {
        test::desfire::Application app;
        app.aid = aid;
        app.keys = reader.State().NewApplicationKeys(test::desfire::CryptoMethod::Tdes, settings, count);
        reader.State().applications[aid] = app;
    }
    size_t Sent(uint8_t command)
    {
        const auto all = tamper->Commands();
        return std::count_if(all.begin(), all.end(), [&](const auto& c) { return !c.empty() && c[0] == command; });
    }
    QString CardKey(uint32_t aid, uint8_t keyNo)
    {
        const auto* keys = reader.State().KeysOf(aid);
        return BytesToHex(keys->Find(keyNo)->value.data(), 16, false, false);
    }
    // The next answer to `command` reports a card error.
    void FailNext(uint8_t command)
    {
        tamper->TamperNext([](kavex::test::Bytes& answer) { answer = {0x9D}; },
                           [command](const kavex::test::Bytes& c, const kavex::test::Bytes&) {
                               return !c.empty() && c[0] == command;
                           });
    }

    CCardStatus status;
    test::FakeCardUi ui;
    test::FakeText statusWnd;
};

// --- card key settings ---

TEST_F(KeySequencesTest, CardSettingsChangeNeedsEveryBoxAndAChangeableCard)
{
    const size_t before = CardCommands();
    EXPECT_EQ(ChangeCardKeySettings(port, status, &statusWnd, -1, -1, -1, -1).statusLine, GermanStr(kIdsFieldsMissing));
    EXPECT_EQ(ChangeCardKeySettings(port, status, &statusWnd, -1, 1, 1, -1).statusLine, GermanStr(kIdsFieldsMissing));
    EXPECT_EQ(CardCommands(), before);

    const CardKeySettingsResult frozen = FreezeCardKeySettings(port, status, &statusWnd);
    ASSERT_TRUE(frozen.ok) << qPrintable(frozen.statusLine);
    EXPECT_EQ(frozen.configChangeable, 0);
    EXPECT_EQ(reader.State().masterKeys.settings, 0x07);
    const CardKeySettingsResult refused =
        ChangeCardKeySettings(port, status, &statusWnd, frozen.configChangeable, 1, 1, 1);
    EXPECT_EQ(refused.statusLine, GermanStr(kIdsCardSettingsFrozen));
    EXPECT_EQ(Sent(kChangeKeySettings), 1u); // only the freeze
}

TEST_F(KeySequencesTest, CardSettingsAreReadAndChanged)
{
    reader.State().masterKeys.settings = 0x09; // listing needs the card master key
    const CardKeySettingsResult read = ReadCardKeySettings(port, status, &statusWnd);
    ASSERT_TRUE(read.ok) << qPrintable(read.statusLine);
    EXPECT_EQ(read.settings, 0x09);
    EXPECT_TRUE(read.statusLine.endsWith(QStringLiteral("  (") + GermanStr(kIdsAuthWithMasterKey) + QLatin1Char(')')))
        << qPrintable(read.statusLine);

    const CardKeySettingsResult changed =
        ChangeCardKeySettings(port, status, &statusWnd, read.configChangeable, 0, 1, 1);
    ASSERT_TRUE(changed.ok) << qPrintable(changed.statusLine);
    EXPECT_EQ(reader.State().masterKeys.settings, 0x0E);
}

// The card ends the session with a failed command: the line must not say
// "already authenticated", and the model must know.
TEST_F(KeySequencesTest, FailedSettingsReadEndsTheAuthentication)
{
    ASSERT_TRUE(EnsureAuthenticated(port, status, 0, 0, nullptr, false));
    FailNext(kGetKeySettings);
    const CardKeySettingsResult result = ChangeCardKeySettings(port, status, &statusWnd, -1, 1, 1, 1);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(status.IsAuthenticated());
    EXPECT_FALSE(result.statusLine.contains(GermanStr(kIdsAlreadyAuthWithMasterKey))) << qPrintable(result.statusLine);
    EXPECT_EQ(Sent(kChangeKeySettings), 0u);
}

TEST_F(KeySequencesTest, AesConversionNeedsTheRememberedKey)
{
    // Authenticated by a key the model did not keep.
    ASSERT_TRUE(EnsureAuthenticated(port, status, 0, 0, nullptr, false));
    status.ForgetKeys(0, 0);
    const CardStepResult result = ConvertCardMasterKeyToAes(port, status, &statusWnd);
    EXPECT_EQ(result.statusLine, GermanStr(kIdsError));
    EXPECT_EQ(Sent(kChangeKey), 0u);
}

// Converted to AES, the card master key takes a new AES value with the
// version typed; afterwards the card accepts that key and reports the version.
TEST_F(KeySequencesTest, CardMasterKeyConvertedToAesTakesKeyAndVersion)
{
    const CardStepResult converted = ConvertCardMasterKeyToAes(port, status, &statusWnd);
    ASSERT_TRUE(converted.ok) << qPrintable(converted.statusLine);
    EXPECT_EQ(reader.State().masterKeys.method, test::desfire::CryptoMethod::Aes);
    EXPECT_FALSE(status.IsAuthenticated());

    bool confirmedAes = false;
    QString confirmedKey;
    const CardStepResult changed = ChangeCardMasterKey(port, status, &statusWnd, kSecret, QStringLiteral("2a"),
                                                       [&](const CCardStatus::Key& key, bool aes) {
                                                           confirmedAes = aes;
                                                           confirmedKey = BytesToHex(key.data(), 16, false, false);
                                                           return true;
                                                       });
    ASSERT_TRUE(changed.ok) << qPrintable(changed.statusLine);
    EXPECT_TRUE(confirmedAes);
    EXPECT_EQ(confirmedKey, kSecret);
    EXPECT_FALSE(status.IsAuthenticated());

    const CCardStatus::Key secret = Key(kSecret);
    EXPECT_EQ(Kavex_DFAuthenticateAES(port, 0, secret.data(), 16), 0);
    EXPECT_EQ(Kavex_DFGetKeyVersion(port, 0), 0x2A);
}

// --- card master key ---

TEST_F(KeySequencesTest, CardMasterKeyIsPaddedWithZeros)
{
    const auto yes = [](const CCardStatus::Key&, bool) { return true; };
    ASSERT_TRUE(ChangeCardMasterKey(port, status, &statusWnd, QStringLiteral("0011223344556677"), QString(), yes).ok);
    EXPECT_EQ(CardKey(0, 0), QStringLiteral("00112233445566770000000000000000"));
    // The model knows the new value and finds its way back in with it.
    ASSERT_TRUE(ChangeCardMasterKey(port, status, &statusWnd, QString(), QString(), yes).ok);
    EXPECT_EQ(CardKey(0, 0), QString(32, QLatin1Char('0')));
}

TEST_F(KeySequencesTest, CardMasterKeyIsNeverWrittenUntypedOrUnconfirmed)
{
    const size_t before = CardCommands();
    for (const char* text : {"00112233 44556677", "O0", "Error"}) {
        const CardStepResult r = ChangeCardMasterKey(port, status, &statusWnd, QString::fromLatin1(text), QString(),
                                                     [](const CCardStatus::Key&, bool) { return true; });
        EXPECT_EQ(r.statusLine, GermanStr(kIdsKeyNotHex)) << text;
    }
    const CardStepResult badVersion = ChangeCardMasterKey(port, status, &statusWnd, kSecret, QStringLiteral("100"),
                                                          [](const CCardStatus::Key&, bool) { return true; });
    EXPECT_EQ(badVersion.statusLine, GermanStr(kIdsByteNotHex));
    EXPECT_EQ(CardCommands(), before);

    bool asked = false;
    const CardStepResult declined =
        ChangeCardMasterKey(port, status, &statusWnd, kSecret, QString(), [&](const CCardStatus::Key& key, bool aes) {
            asked = true;
            EXPECT_EQ(BytesToHex(key.data(), 16, false, false), kSecret);
            EXPECT_FALSE(aes);
            return false;
        });
    EXPECT_TRUE(asked);
    EXPECT_EQ(declined.statusLine, GermanStr(kIdsCancelled));

    reader.State().masterKeys.settings = 0x0E; // the master key is frozen
    const CardStepResult frozen = ChangeCardMasterKey(port, status, &statusWnd, kSecret, QString(),
                                                      [](const CCardStatus::Key&, bool) { return true; });
    EXPECT_EQ(frozen.statusLine, GermanStr(kIdsMasterKeyFrozen));
    EXPECT_EQ(Sent(kChangeKey), 0u);
    EXPECT_EQ(CardKey(0, 0), QString(32, QLatin1Char('0')));
}

// --- application key settings ---

TEST_F(KeySequencesTest, AppSettingsChecksComeBeforeTheWrite)
{
    AddApp(kAid, 3);
    AddApp(0x445566, 1, 0x07); // settings frozen
    status.RememberKey(kAid, 0, CCardStatus::Key{});
    status.RememberKey(0x445566, 0, CCardStatus::Key{});
    AppKeySettingsChange change;
    change.changeKeyAccess = 5;
    change.configChangeable = change.freeCreateDelete = change.freeDirectory = change.masterKeyChangeable = 1;
    EXPECT_EQ(ChangeAppKeySettings(port, status, kAid, &statusWnd, change, AppKeySettings(), nullptr).statusLine,
              GermanStr(kIdsKeyNoTooBig));

    // Settings read from another application are read again for this one.
    const AppKeySettingsResult read = FetchAppKeySettings(port, status, kAid, &statusWnd);
    ASSERT_TRUE(read.read);
    change.changeKeyAccess = 2;
    EXPECT_EQ(ChangeAppKeySettings(port, status, 0x445566, &statusWnd, change, read.settings, nullptr).statusLine,
              GermanStr(kIdsAppSettingsFrozen));
    EXPECT_EQ(Sent(kChangeKeySettings), 0u);
}

TEST_F(KeySequencesTest, AppSettingsFreezeOnlyWhenConfirmed)
{
    AddApp(kAid, 3);
    status.RememberKey(kAid, 0, CCardStatus::Key{});
    AppKeySettingsChange change;
    change.changeKeyAccess = 2;
    change.configChangeable = 0;
    change.freeCreateDelete = change.freeDirectory = change.masterKeyChangeable = 1;
    int asked = 0;
    bool answer = false;
    const auto confirm = [&] {
        ++asked;
        return answer;
    };
    EXPECT_EQ(ChangeAppKeySettings(port, status, kAid, &statusWnd, change, AppKeySettings(), confirm).statusLine,
              GermanStr(kIdsCancelled));
    EXPECT_EQ(Sent(kChangeKeySettings), 0u);

    answer = true;
    const AppKeySettingsResult frozen =
        ChangeAppKeySettings(port, status, kAid, &statusWnd, change, AppKeySettings(), confirm);
    ASSERT_TRUE(frozen.ok) << qPrintable(frozen.statusLine);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(reader.State().applications.at(kAid).keys.settings, 0x27);
    ASSERT_TRUE(frozen.read);
    change.configChangeable = 1;
    EXPECT_EQ(ChangeAppKeySettings(port, status, kAid, &statusWnd, change, frozen.settings, confirm).statusLine,
              GermanStr(kIdsAppSettingsFrozen));
    EXPECT_EQ(asked, 2); // keeping bit 3 set needs no question
}

// --- application key values ---

AppKeyChange KeyChange(int keyNo, uint8_t access, const QString& newKey)
{
    AppKeyChange change;
    change.aid = static_cast<int>(kAid);
    change.masterKeyMode = false;
    change.keyNoText = QString::number(keyNo);
    change.changeKeyAccess = access;
    change.newKeyText = newKey;
    return change;
}

TEST_F(KeySequencesTest, TheAccessRightNamesTheAuthorisingKey)
{
    AddApp(kAid, 4);
    status.RememberKey(kAid, 0, CCardStatus::Key{});
    status.RememberKey(kAid, 1, CCardStatus::Key{});

    auto& cardSettings = reader.State().applications.at(kAid).keys.settings;

    // Access "key 3": key 3 itself is changed with the master key, the old
    // value going in XORed.
    cardSettings = 0x3F;
    CardStepResult r = ChangeAppKey(port, status, &statusWnd, KeyChange(3, 3, QStringLiteral("33")));
    ASSERT_TRUE(r.ok) << qPrintable(r.statusLine);
    EXPECT_EQ(status.m_nAuthKeyNo, 0);
    EXPECT_TRUE(status.IsAuthenticated());
    EXPECT_EQ(CardKey(kAid, 3), QStringLiteral("33") + QString(30, QLatin1Char('0')));

    // Access "key 1" for key 2: authenticated with key 1.
    cardSettings = 0x1F;
    r = ChangeAppKey(port, status, &statusWnd, KeyChange(2, 1, QStringLiteral("22")));
    ASSERT_TRUE(r.ok) << qPrintable(r.statusLine);
    EXPECT_EQ(CardKey(kAid, 2), QStringLiteral("22") + QString(30, QLatin1Char('0')));

    // Access "same key": key 3 with its own (remembered) value; the old
    // value field is not used, and the card drops that session.
    cardSettings = 0xEF;
    AppKeyChange same = KeyChange(3, 14, QStringLiteral("44"));
    same.oldKeyText = QStringLiteral("FF");
    r = ChangeAppKey(port, status, &statusWnd, same);
    ASSERT_TRUE(r.ok) << qPrintable(r.statusLine);
    EXPECT_EQ(CardKey(kAid, 3), QStringLiteral("44") + QString(30, QLatin1Char('0')));
    EXPECT_FALSE(status.IsAuthenticated());

    const size_t before = CardCommands();
    EXPECT_EQ(ChangeAppKey(port, status, &statusWnd, KeyChange(2, 15, QString())).statusLine,
              GermanStr(kIdsKeysFrozen));
    EXPECT_EQ(ChangeAppKey(port, status, &statusWnd, KeyChange(2, 0xFF, QString())).statusLine,
              GermanStr(kIdsFieldsMissing));
    EXPECT_EQ(CardCommands(), before);
}

TEST_F(KeySequencesTest, OnlyTheTypedKeyNumberIsChanged)
{
    AddApp(kAid, 3);
    status.RememberKey(kAid, 0, CCardStatus::Key{});
    const size_t before = CardCommands();
    AppKeyChange change = KeyChange(0, 0, kSecret);
    for (const char* number : {"256", "14", "99999999999999999999"}) {
        change.keyNoText = QString::fromLatin1(number);
        EXPECT_EQ(ChangeAppKey(port, status, &statusWnd, change).statusLine, GermanStr(kIdsKeyNoTooBig)) << number;
    }
    change.keyNoText = QStringLiteral("3");
    change.keyCount = 3; // keys 0 to 2
    EXPECT_EQ(ChangeAppKey(port, status, &statusWnd, change).statusLine, GermanStr(kIdsKeyNoTooBig));
    change = KeyChange(1, 0, QStringLiteral("00112233 44556677"));
    EXPECT_EQ(ChangeAppKey(port, status, &statusWnd, change).statusLine, GermanStr(kIdsKeyNotHex));
    change = KeyChange(1, 0, kSecret);
    change.oldKeyText = QStringLiteral("0O");
    EXPECT_EQ(ChangeAppKey(port, status, &statusWnd, change).statusLine, GermanStr(kIdsKeyNotHex));
    EXPECT_EQ(CardCommands(), before);
    EXPECT_EQ(CardKey(kAid, 0), QString(32, QLatin1Char('0')));
}

TEST_F(KeySequencesTest, FrozenApplicationMasterKeyIsNotChanged)
{
    AddApp(kAid, 2, 0x0E);
    status.RememberKey(kAid, 0, CCardStatus::Key{});
    AppKeyChange change;
    change.aid = static_cast<int>(kAid);
    change.newKeyText = kSecret;
    EXPECT_EQ(ChangeAppKey(port, status, &statusWnd, change).statusLine, GermanStr(kIdsMasterKeyFrozen));
    EXPECT_EQ(Sent(kChangeKey), 0u);
}

// --- other card settings ---

TEST_F(KeySequencesTest, HistoricalByteReplacesTheFirstOfTheStoredAts)
{
    EXPECT_EQ(HistoricalByteText(status.m_ATS), QStringLiteral("80"));
    const CardStepResult r = SetHistoricalByte(port, status, &statusWnd, QStringLiteral("c1"));
    ASSERT_TRUE(r.ok) << qPrintable(r.statusLine);
    EXPECT_EQ(reader.State().config.ats, (std::vector<uint8_t>{0x06, 0x75, 0x77, 0x81, 0x02, 0xC1}));

    status.m_ATS.clear(); // a card activated without ATS
    const size_t before = CardCommands();
    EXPECT_EQ(SetHistoricalByte(port, status, &statusWnd, QStringLiteral("c1")).statusLine, GermanStr(kIdsAtsTooShort));
    EXPECT_EQ(HistoricalByteText(status.m_ATS), QString());
    EXPECT_EQ(CardCommands(), before);
}

TEST_F(KeySequencesTest, DefaultKeyIsWhatWasTyped)
{
    reader.State().config.defaultKey.fill(0x11);
    reader.State().config.defaultKeyVersion = 7;
    const size_t before = CardCommands();
    EXPECT_EQ(SetDefaultKey(port, status, &statusWnd, QStringLiteral("00112233 44556677"), QString()).statusLine,
              GermanStr(kIdsKeyNotHex));
    EXPECT_EQ(SetDefaultKey(port, status, &statusWnd, QString(), QStringLiteral("1 2")).statusLine,
              GermanStr(kIdsByteNotHex));
    EXPECT_EQ(CardCommands(), before);

    ASSERT_TRUE(SetDefaultKey(port, status, &statusWnd, QString(), QString()).ok);
    EXPECT_TRUE(std::all_of(reader.State().config.defaultKey.begin(), reader.State().config.defaultKey.end(),
                            [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(reader.State().config.defaultKeyVersion, 0);
}

TEST_F(KeySequencesTest, EachSwitchSetsOnlyItsOwnBit)
{
    ASSERT_TRUE(SetCardSwitch(port, status, &statusWnd, CardSwitch::RandomUid).ok);
    EXPECT_TRUE(reader.State().config.randomUid);
    EXPECT_FALSE(reader.State().config.formatDisabled);
    ASSERT_TRUE(SetCardSwitch(port, status, &statusWnd, CardSwitch::NoFormat).ok);
    EXPECT_TRUE(reader.State().config.formatDisabled);
    EXPECT_EQ(Sent(kSetConfiguration), 2u);
}

// --- card version ---

TEST_F(KeySequencesTest, VersionTexts)
{
    const CardVersionResult v = ReadCardVersion(port, status);
    ASSERT_TRUE(v.ok) << qPrintable(v.statusLine);
    EXPECT_EQ(v.storageSize, QStringLiteral("8192"));
    EXPECT_EQ(v.uid, QStringLiteral("04 11 22 33 44 55 66"));
    EXPECT_EQ(v.vendor, QStringLiteral("0x04 (NXP)"));
    EXPECT_EQ(v.hardwareType, QStringLiteral("1.1"));
    EXPECT_EQ(v.softwareVersion, QStringLiteral("1.4"));
    EXPECT_EQ(v.productionDate, QStringLiteral("14/2023"));

    reader.State().config.randomUid = true;
    reader.State().production.week = 0x21;
    reader.State().production.year = 0x19;
    const CardVersionResult hidden = ReadCardVersion(port, status);
    EXPECT_EQ(hidden.uid, GermanStr(kIdsRandomUid));
    EXPECT_EQ(hidden.productionDate, QStringLiteral("21/2019"));
}

TEST_F(KeySequencesTest, FailedVersionReadLeavesTheFieldsEmpty)
{
    ASSERT_TRUE(EnsureAuthenticated(port, status, 0, 0, nullptr, false));
    FailNext(0x60);
    const CardVersionResult v = ReadCardVersion(port, status);
    EXPECT_FALSE(v.ok);
    for (const QString& field : {v.storageSize, v.uid, v.vendor, v.hardwareType, v.hardwareVersion, v.softwareType,
                                 v.softwareVersion, v.productionDate})
        EXPECT_TRUE(field.isEmpty());
    EXPECT_FALSE(v.statusLine.isEmpty());
    EXPECT_FALSE(status.IsAuthenticated());
}

} // namespace
} // namespace velmora
