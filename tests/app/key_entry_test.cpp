// Keys as typed into the key store's entry dialogs.
#include "app/model/key_entry.h"
#include "app/model/ui_strings.h"
#include "tests/app/qstring_printer.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(KeyEntryTest, TypedKeysAreStoredAs32Digits)
{
    QString name, stored;
    EXPECT_EQ(ParseKeyEntry(QStringLiteral("Tür  "), QStringLiteral("00 11 22"), &name, &stored), 0);
    EXPECT_EQ(name, QStringLiteral("Tür"));
    EXPECT_EQ(stored, QStringLiteral("001122") + QString(26, QLatin1Char('0')));

    // 20 bytes: the first 16 count.
    EXPECT_EQ(
        ParseKeyEntry(QStringLiteral("x"), QStringLiteral("0102030405060708090a0b0c0d0e0f1011121314"), &name, &stored),
        0);
    EXPECT_EQ(stored, QStringLiteral("0102030405060708090A0B0C0D0E0F10"));

    EXPECT_EQ(ParseKeyEntry(QStringLiteral("x"), QString(), &name, &stored), 0);
    EXPECT_EQ(stored, QString(32, QLatin1Char('0')));

    EXPECT_EQ(ParseKeyEntry(QStringLiteral("   "), QStringLiteral("00"), &name, &stored), 167);
    EXPECT_EQ(ParseKeyEntry(QStringLiteral("x"), QStringLiteral("00:11"), &name, &stored), 176);
    EXPECT_EQ(ParseKeyEntry(QStringLiteral("x"), QStringLiteral("0x11"), &name, &stored), 176);
    EXPECT_EQ(GermanStr(176), QStringLiteral("Schlüsselwert ist nicht hexadezimal"));
}

} // namespace
} // namespace velmora
