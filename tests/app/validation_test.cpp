// Input checks of the card dialogs: which message comes first, and what
// passes.
#include "app/model/application_actions.h"
#include "app/model/change_key_combo.h"
#include "app/model/file_access_lists.h"
#include "app/model/file_actions.h"
#include "app/model/number_input.h"
#include "tests/app/fakes.h"
#include "app/model/input_helpers.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::FakeCombo;
using test::FakeText;

QString AidMessage(const QString& text, bool allowZero, bool* ok = nullptr)
{
    FakeText edit(text);
    FakeText status;
    const bool result = ValidateAid(nullptr, &edit, &status, allowZero);
    if (ok) *ok = result;
    return result ? QString() : status.Text();
}

TEST(ValidateAidTest, MessagesInTheirOrder)
{
    EXPECT_EQ(AidMessage(QString(), false), GermanStr(kIdsAidMissing));
    EXPECT_EQ(AidMessage(QStringLiteral("12G"), false), GermanStr(kIdsAidNotHex));
    // Non-hex beats zero: "0x" is reported as not hexadecimal.
    EXPECT_EQ(AidMessage(QStringLiteral("0x"), false), GermanStr(kIdsAidNotHex));
    EXPECT_EQ(AidMessage(QStringLiteral("000000"), false), GermanStr(kIdsAidZero));
    EXPECT_EQ(AidMessage(QStringLiteral("1000000"), false), GermanStr(kIdsAidTooLong));
    EXPECT_EQ(AidMessage(QStringLiteral("1000000"), true), GermanStr(kIdsAidTooLong));
}

TEST(ValidateAidTest, EverySignificantDigitCounts)
{
    EXPECT_EQ(AidMessage(QStringLiteral("1000ABCDE"), false), GermanStr(kIdsAidTooLong)); // not AID 0ABCDE
    EXPECT_EQ(AidMessage(QStringLiteral("1234567"), false), GermanStr(kIdsAidTooLong));
    bool ok = false;
    AidMessage(QStringLiteral("000000123456"), false, &ok); // leading zeros are no digits of the value
    EXPECT_TRUE(ok);
    EXPECT_EQ(ParseAid(QStringLiteral("12 34 56")).value, 0x123456);
}

TEST(ValidateAidTest, AcceptedValues)
{
    bool ok = false;
    AidMessage(QStringLiteral("000000"), true, &ok);
    EXPECT_TRUE(ok);
    AidMessage(QStringLiteral("ff ff ff"), false, &ok);
    EXPECT_TRUE(ok);
    AidMessage(QStringLiteral("1"), false, &ok);
    EXPECT_TRUE(ok);
}

TEST(ValidateAidTest, VisibleControlDecidesAndNoStatusLineSkipsCharacterCheck)
{
    FakeCombo combo;
    combo.entries << QStringLiteral("123456");
    combo.selection = 0;
    FakeText edit{QString()};
    FakeText status;
    EXPECT_TRUE(ValidateAid(&combo, &edit, &status, false)); // the combo's text, not the empty edit

    combo.shown = false;
    EXPECT_FALSE(ValidateAid(&combo, &edit, &status, false));
    EXPECT_EQ(status.Text(), GermanStr(kIdsAidMissing));

    edit.SetShown(false); // neither shown: empty
    status.SetText(QString());
    EXPECT_FALSE(ValidateAid(&combo, &edit, &status, true));
    EXPECT_EQ(status.Text(), GermanStr(kIdsAidMissing));

    FakeText odd(QStringLiteral("12Z4"));
    EXPECT_TRUE(ValidateAid(nullptr, &odd, nullptr, false)); // Z counts as 0: 0x1204
}

QString NumberMessage(bool key, const QString& text)
{
    FakeText edit(text);
    FakeText status;
    const bool ok = key ? ValidateKeyNumber(nullptr, &edit, &status) : ValidateFileNumber(nullptr, &edit, &status);
    return ok ? QStringLiteral("ok") : status.Text();
}

TEST(ValidateNumberTest, KeyNumbers)
{
    EXPECT_EQ(NumberMessage(true, QString()), GermanStr(kIdsKeyNoMissing));
    EXPECT_EQ(NumberMessage(true, QStringLiteral("1a")), GermanStr(kIdsKeyNoNotDecimal));
    EXPECT_EQ(NumberMessage(true, QStringLiteral(" 1")), GermanStr(kIdsKeyNoNotDecimal));
    EXPECT_EQ(NumberMessage(true, QStringLiteral("13")), QStringLiteral("ok"));
    EXPECT_EQ(NumberMessage(true, QStringLiteral("14")), GermanStr(kIdsKeyNoTooBig));
    EXPECT_EQ(NumberMessage(true, QStringLiteral("256")), QStringLiteral("ok")); // 256 is byte 0
    EXPECT_EQ(NumberMessage(true, QStringLiteral("269")), QStringLiteral("ok")); // byte 13
    EXPECT_EQ(NumberMessage(true, QStringLiteral("270")), GermanStr(kIdsKeyNoTooBig));
    // Far beyond any integer: still judged by its last byte, never overflowing.
    EXPECT_EQ(NumberMessage(true, QStringLiteral("99999999999999999999")), GermanStr(kIdsKeyNoTooBig));
}

TEST(ValidateNumberTest, FileNumbers)
{
    EXPECT_EQ(NumberMessage(false, QString()), GermanStr(kIdsFileIdMissing));
    EXPECT_EQ(NumberMessage(false, QStringLiteral("x")), GermanStr(kIdsFileIdNotDecimal));
    EXPECT_EQ(NumberMessage(false, QStringLiteral("31")), QStringLiteral("ok"));
    EXPECT_EQ(NumberMessage(false, QStringLiteral("32")), GermanStr(kIdsFileIdInvalid));
    EXPECT_EQ(NumberMessage(false, QStringLiteral("00")), QStringLiteral("ok"));
    EXPECT_EQ(NumberMessage(false, QStringLiteral("1a")), GermanStr(kIdsFileIdNotDecimal));
    // The whole value counts: 257 is not file 1, and no length wraps.
    EXPECT_EQ(NumberMessage(false, QStringLiteral("257")), GermanStr(kIdsFileIdInvalid));
    EXPECT_EQ(NumberMessage(false, QStringLiteral("4294967297")), GermanStr(kIdsFileIdInvalid));
    EXPECT_EQ(FileNumberFromText(QStringLiteral("031")), 31);
}

TEST(ParseIntegerTest, WholeTextInRange)
{
    EXPECT_EQ(ParseInteger(QStringLiteral(" -12 "), -100, 100).value, -12);
    EXPECT_EQ(ParseInteger(QStringLiteral("1O0"), 0, 255).status, ParsedNumber::Status::NotNumber);
    EXPECT_EQ(ParseInteger(QStringLiteral("2147483648"), INT32_MIN, INT32_MAX).status,
              ParsedNumber::Status::OutOfRange);
    EXPECT_TRUE(ParseInteger(QStringLiteral("-2147483648"), INT32_MIN, INT32_MAX).Ok());
    // Sizes fill three bytes: nothing wraps into them, and nothing is empty.
    EXPECT_EQ(ParseInteger(QStringLiteral("16777226"), 1, kMaxCardSize).status, ParsedNumber::Status::OutOfRange);
    EXPECT_EQ(ParseInteger(QStringLiteral("-1"), 1, kMaxCardSize).status, ParsedNumber::Status::OutOfRange);
    EXPECT_EQ(ParseInteger(QStringLiteral("0"), 1, kMaxCardSize).status, ParsedNumber::Status::OutOfRange);
    EXPECT_EQ(ParseInteger(QStringLiteral("99999999999999999999999"), 1, kMaxCardSize).status,
              ParsedNumber::Status::OutOfRange);
    EXPECT_EQ(ParseInteger(QString(), 0, 255).status, ParsedNumber::Status::Empty);
    EXPECT_EQ(ParseInteger(QStringLiteral("-99999999999999999999999"), INT64_MIN + 1, INT64_MAX).status,
              ParsedNumber::Status::OutOfRange);
}

TEST(NewApplicationTest, KeyCountAndChangeKey)
{
    auto problem = [](int keys, uint8_t changeKey) {
        NewApplication app;
        app.keyCount = keys;
        app.changeKey = changeKey;
        return CheckNewApplication(app);
    };
    EXPECT_EQ(problem(0, 14), 0);
    EXPECT_EQ(problem(0, 15), 0);
    EXPECT_EQ(problem(0, 0), kIdsChangeKeyTooBig);
    EXPECT_EQ(problem(14, 13), 0);
    EXPECT_EQ(problem(13, 13), kIdsChangeKeyTooBig);
    EXPECT_EQ(problem(15, 14), kIdsMaxKeys);
}

TEST(NewFileTest, ValueLimitsAndFreeMemory)
{
    CCardStatus status;
    NewFile file;
    file.type = FileType::Value;
    file.lowerLimit = file.upperLimit = file.value = 0;
    EXPECT_EQ(CheckNewFile(file, status), QString()); // equal values pass
    file.lowerLimit = 1;
    file.value = 99; // the limits are reported first
    EXPECT_EQ(CheckNewFile(file, status), GermanStr(kIdsLowerAboveUpper));
    file.lowerLimit = 0;
    file.upperLimit = 10;
    file.value = 11;
    EXPECT_EQ(CheckNewFile(file, status), GermanStr(kIdsValueOutsideLimits));

    // Records times size in 64 bits, against what the card said it has free.
    file.type = FileType::CyclicRecord;
    file.recordSize = kMaxCardSize;
    file.maxRecords = kMaxCardSize;
    EXPECT_EQ(CheckNewFile(file, status), QString()); // free memory unknown: the card judges
    status.m_nFreeMemory = 1000;
    EXPECT_FALSE(CheckNewFile(file, status).isEmpty());
    file.recordSize = 100;
    file.maxRecords = 10;
    EXPECT_EQ(CheckNewFile(file, status), QString());
}

TEST(FileAccessListsTest, AccessRightsWords)
{
    EXPECT_EQ(AccessConditions{}.Word(), 0xEEEE);
    EXPECT_EQ(AccessRightsWord(kAccessNever, kAccessNever, kAccessNever, kAccessNever), 0xFFFF);

    // Read with the master key, write with key 1, read/write "immer", change "nie".
    FakeCombo read, write, readWrite, change;
    for (FakeCombo* c : {&read, &write, &readWrite, &change}) FillAccessRightCombo(*c, 2);
    read.SelectString(QStringLiteral("Authentifizieren mit Hauptschlüssel"));
    write.SelectString(QStringLiteral("Authentifizieren mit Schlüssel 1"));
    readWrite.SelectString(QStringLiteral("immer"));
    change.SelectString(QStringLiteral("nie"));
    EXPECT_EQ(AccessRightsWord(GetAccessRightComboValue(read), GetAccessRightComboValue(write),
                               GetAccessRightComboValue(readWrite), GetAccessRightComboValue(change)),
              0x01EF);
}

TEST(FileAccessListsTest, ListsSizedByKeysAndShowingUnknownValues)
{
    FakeCombo access;
    FillAccessRightCombo(access, 3);
    EXPECT_EQ(access.entries, (QStringList{QStringLiteral("immer"), QStringLiteral("nie"),
                                           QStringLiteral("Authentifizieren mit Hauptschlüssel"),
                                           QStringLiteral("Authentifizieren mit Schlüssel 1"),
                                           QStringLiteral("Authentifizieren mit Schlüssel 2")}));
    FillAccessRightCombo(access, 20);
    EXPECT_EQ(access.Count(), 16); // at most 14 keys

    ShowAccessRightComboValue(access, 14, kUnknownSetting);
    EXPECT_EQ(access.Text(), QStringLiteral("--"));
    EXPECT_EQ(GetAccessRightComboValue(access), 0);
    EXPECT_EQ(GetAccessRightComboValue(access, kUnknownSetting), kUnknownSetting);
    ShowAccessRightComboValue(access, 14, 10); // "--" goes, key 10 is chosen (not key 1)
    EXPECT_EQ(access.Count(), 16);
    EXPECT_EQ(GetAccessRightComboValue(access), 10);
    ShowAccessRightComboValue(access, 14, 0x20);
    EXPECT_EQ(access.CurSel(), -1);

    FakeCombo comm;
    FillCommModeCombo(comm);
    ShowCommModeComboValue(comm, 3);
    EXPECT_EQ(comm.Text(), QStringLiteral("Voll verschlüsselt"));
    ShowCommModeComboValue(comm, 1);
    EXPECT_EQ(GetCommModeComboValue(comm), 1);
    ShowCommModeComboValue(comm, 2); // no entry: no choice
    EXPECT_EQ(GetCommModeComboValue(comm, kUnknownSetting), kUnknownSetting);
}

TEST(ChangeKeyComboTest, EntriesAndDefaultSelection)
{
    FakeCombo combo;
    FillChangeKeyCombo(combo, true);
    ASSERT_EQ(combo.Count(), 17);
    EXPECT_EQ(combo.entries.at(0), GermanStr(kIdsNone));
    EXPECT_EQ(combo.entries.at(1), GermanStr(kIdsChangeKeySame));
    EXPECT_EQ(combo.entries.at(2), GermanStr(kIdsChangeKeyFrozen));
    EXPECT_EQ(combo.entries.at(3), GermanStr(kIdsChangeKeyMaster));
    EXPECT_EQ(combo.entries.at(4), QStringLiteral("Schlüssel 1 (außer HS und 1)"));
    EXPECT_EQ(combo.entries.at(16), QStringLiteral("Schlüssel 13 (außer HS und 13)"));
    EXPECT_EQ(combo.Text(), QStringLiteral("--"));

    FillChangeKeyCombo(combo, false);
    EXPECT_EQ(combo.Count(), 16);
    EXPECT_EQ(combo.Text(), GermanStr(kIdsChangeKeySame));
}

TEST(ChangeKeyComboTest, ValuesBothWays)
{
    FakeCombo combo;
    FillChangeKeyCombo(combo, true);
    const std::pair<uint8_t, QString> mapping[] = {{0xFF, QStringLiteral("--")},
                                                   {0x0E, GermanStr(kIdsChangeKeySame)},
                                                   {0x0F, GermanStr(kIdsChangeKeyFrozen)},
                                                   {0x00, GermanStr(kIdsChangeKeyMaster)},
                                                   {1, QStringLiteral("Schlüssel 1 (außer HS und 1)")},
                                                   {10, QStringLiteral("Schlüssel 10 (außer HS und 10)")},
                                                   {13, QStringLiteral("Schlüssel 13 (außer HS und 13)")}};
    for (const auto& [value, text] : mapping) {
        SelectChangeKeyComboValue(combo, value);
        EXPECT_EQ(combo.Text(), text) << int(value);
        EXPECT_EQ(GetChangeKeyComboValue(combo), value) << int(value);
    }
    SelectChangeKeyComboValue(combo, 0x20); // no entry: the first
    EXPECT_EQ(combo.selection, 0);
    combo.SetText(QStringLiteral("anything")); // no entry: 0
    EXPECT_EQ(GetChangeKeyComboValue(combo), 0);
}

} // namespace
} // namespace velmora
