// Input checks of the card dialogs: which message comes first, and what
// passes.
#include "app/model/change_key_combo.h"
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
