#include "tests/app/qstring_printer.h"
#include "app/model/hex_text.h"

#include <gtest/gtest.h>

#include <array>

namespace velmora {
namespace {

TEST(HexTest, ByteAndWordTexts)
{
    EXPECT_EQ(ByteToHex(0x0A), QStringLiteral("0A"));
    EXPECT_EQ(WordToHex(0x12AB), QStringLiteral("12AB"));
    EXPECT_EQ(AidToText(0x012345), QStringLiteral("012345"));
    EXPECT_EQ(AidToText(0), QStringLiteral("000000"));
}

TEST(HexTest, HexByteValueTakesOneOrTwoDigitsOnly)
{
    EXPECT_EQ(HexByteValue(QStringLiteral("7")), 7);
    EXPECT_EQ(HexByteValue(QStringLiteral("f")), 15);
    EXPECT_EQ(HexByteValue(QStringLiteral("aB")), 0xAB);
    EXPECT_EQ(HexByteValue(QStringLiteral("G1")), 0x01); // a non-digit counts as 0
    EXPECT_EQ(HexByteValue(QString()), 0);
    EXPECT_EQ(HexByteValue(QStringLiteral("123")), 0);
}

TEST(HexTest, HexToNumberGroupsFromTheRight)
{
    EXPECT_EQ(HexToNumber(QStringLiteral("1 23 45")), 0x012345u);
    EXPECT_EQ(HexToNumber(QStringLiteral("0102030405")), 0x02030405u); // only the last eight digits
    EXPECT_EQ(HexToNumber(QStringLiteral("abc")), 0xABCu);
    EXPECT_EQ(HexToNumber(QStringLiteral("FFFFFFFF")), 0xFFFFFFFFu);
    EXPECT_EQ(HexToNumber(QString()), 0u);
    EXPECT_EQ(HexToNumber(QStringLiteral("--")), 0u);
}

TEST(HexTest, BytesToHexOrderAndSpacing)
{
    const uint8_t b[3] = {0x01, 0xA2, 0xFF};
    EXPECT_EQ(BytesToHex(b, 3, false, false), QStringLiteral("01A2FF"));
    EXPECT_EQ(BytesToHex(b, 3, true, false), QStringLiteral("FFA201"));
    EXPECT_EQ(BytesToHex(b, 3, false, true), QStringLiteral("01 A2 FF"));
    EXPECT_EQ(BytesToHex(b, 0, false, true), QString());
}

struct Parsed {
    int count;
    std::array<uint8_t, 16> bytes;
};

Parsed Parse(const QString& text, int max = 16)
{
    Parsed p{0, {}};
    p.count = HexToBytes(text, p.bytes.data(), max);
    return p;
}

TEST(HexTest, HexToBytesSplitsTokensAndPairs)
{
    Parsed p = Parse(QStringLiteral("00112233"));
    EXPECT_EQ(p.count, 4);
    EXPECT_EQ(p.bytes[3], 0x33);

    p = Parse(QStringLiteral("0 1 2"));
    ASSERT_EQ(p.count, 3);
    EXPECT_EQ(p.bytes[0], 0);
    EXPECT_EQ(p.bytes[1], 1);
    EXPECT_EQ(p.bytes[2], 2);

    p = Parse(QStringLiteral("ABCD EF")); // a token of more than two digits gives 0
    ASSERT_EQ(p.count, 2);
    EXPECT_EQ(p.bytes[0], 0x00);
    EXPECT_EQ(p.bytes[1], 0xEF);

    p = Parse(QStringLiteral("   12   34  ")); // spaces around and between tokens
    ASSERT_EQ(p.count, 2);
    EXPECT_EQ(p.bytes[1], 0x34);

    p = Parse(QStringLiteral("123")); // pairs first, the odd digit last
    ASSERT_EQ(p.count, 2);
    EXPECT_EQ(p.bytes[0], 0x12);
    EXPECT_EQ(p.bytes[1], 0x03);
}

TEST(HexTest, HexToBytesStopsAtMaxAndRefusesErrorTexts)
{
    EXPECT_EQ(Parse(QStringLiteral("Read Error 0A")).count, 0);
    EXPECT_EQ(Parse(QString()).count, 0);
    EXPECT_EQ(Parse(QStringLiteral("    ")).count, 0);
    // A 20-byte key is cut to the 16 bytes of the field.
    EXPECT_EQ(Parse(QStringLiteral("0102030405060708090A0B0C0D0E0F1011121314")).count, 16);
    EXPECT_EQ(Parse(QStringLiteral("01 02 03"), 2).count, 2);
}

} // namespace
} // namespace velmora
