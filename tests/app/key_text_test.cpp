// Key, version and key number texts of the key dialogs: what is written to a
// card is exactly what was typed, or nothing.
#include "tests/app/qstring_printer.h"
#include "app/model/card_version.h"
#include "app/model/hex_text.h"
#include "app/model/key_text.h"
#include "resources/string_ids.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

QString KeyOf(const QString& text)
{
    CCardStatus::Key key;
    key.fill(0xEE);
    if (ParseKeyText(text, &key) != 0) return QStringLiteral("refused");
    return BytesToHex(key.data(), 16, false, false);
}

TEST(KeyTextTest, KeysAreTakenLiterallyAndPaddedWithZeros)
{
    EXPECT_EQ(KeyOf(QString()), QString(32, QLatin1Char('0')));
    EXPECT_EQ(KeyOf(QStringLiteral("0011223344556677")),
              QStringLiteral("0011223344556677") + QString(16, QLatin1Char('0')));
    EXPECT_EQ(KeyOf(QStringLiteral(" 0 1 a ")), QStringLiteral("00010A") + QString(26, QLatin1Char('0')));
    EXPECT_EQ(KeyOf(QStringLiteral("00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE ff")),
              QStringLiteral("00112233445566778899AABBCCDDEEFF"));
}

TEST(KeyTextTest, TextsTheConversionWouldChangeAreRefused)
{
    for (const char* text : {"00112233 44556677", // the first token would become 00
                             "O0112233",          // a letter O
                             "00112233445566778899AABBCCDDEEFF00", "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF 01",
                             "Error", "123", "00-11", "0x11"}) {
        CCardStatus::Key key;
        key.fill(0xEE);
        EXPECT_EQ(ParseKeyText(QString::fromLatin1(text), &key), kIdsKeyNotHex) << text;
        EXPECT_EQ(key, CCardStatus::Key{}) << text;
    }
}

TEST(KeyTextTest, BytesAndKeyNumbers)
{
    uint8_t b = 0xEE;
    EXPECT_EQ(ParseByteText(QString(), &b), 0);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(ParseByteText(QStringLiteral(" c1 "), &b), 0);
    EXPECT_EQ(b, 0xC1);
    for (const char* text : {"100", "g", "O1", "1 2"})
        EXPECT_EQ(ParseByteText(QString::fromLatin1(text), &b), kIdsByteNotHex) << text;

    EXPECT_EQ(StrictKeyNumber(QStringLiteral("13")), 13);
    EXPECT_EQ(StrictKeyNumber(QStringLiteral("007")), 7);
    for (const char* text : {"256", "99999999999999999999999", "", "-1", "1a"})
        EXPECT_EQ(StrictKeyNumber(QString::fromLatin1(text)), -1) << text;
}

TEST(KeyTextTest, StorageSizeNeverOverflows)
{
    EXPECT_EQ(StorageSizeText(0x16), QStringLiteral("2048"));
    EXPECT_EQ(StorageSizeText(0x18), QStringLiteral("4096"));
    EXPECT_EQ(StorageSizeText(0x1A), QStringLiteral("8192"));
    EXPECT_EQ(StorageSizeText(0x7E), QStringLiteral("9223372036854775808"));
    EXPECT_EQ(StorageSizeText(0x80), QStringLiteral("0x80"));
    EXPECT_EQ(StorageSizeText(0xFF), QStringLiteral("0xFF"));
}

} // namespace
} // namespace velmora
