// The texts of the file read/write pages: how card bytes are shown, and
// that write fields are read strictly rather than turned into other bytes.
#include "app/model/file_rw_text.h"
#include "app/model/ui_strings.h"
#include "resources/string_ids.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

QByteArray Counting(int n)
{
    QByteArray b;
    for (int i = 0; i < n; ++i) b.append(static_cast<char>(i));
    return b;
}

TEST(FileRwText, DataAndRecordLayout)
{
    EXPECT_EQ(DataToHexText(Counting(17)), QStringLiteral("00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F \r\n10 "));
    EXPECT_EQ(DataToAsciiText(QByteArray("AB\0CD", 5)), QStringLiteral("AB"));

    // 25 bytes: 20 on the first line with two blanks after the tenth.
    EXPECT_EQ(RecordsToText(Counting(25), 1, 25, true, true),
              QStringLiteral("Record 0:\r\n00 01 02 03 04 05 06 07 08 09   0A 0B 0C 0D 0E 0F 10 11 12 13 \r\n"
                             "14 15 16 17 18 \r\n"));
    // Headers count from the first record read.
    const QString three = RecordsToText(Counting(12), 3, 4, true, true);
    EXPECT_TRUE(three.startsWith(QStringLiteral("Record 0:\r\n00 01 02 03 \r\nRecord 1:")));
    EXPECT_TRUE(three.contains(QStringLiteral("Record 2:\r\n08 09 0A 0B \r\n")));
    EXPECT_EQ(RecordsToText(QByteArray("AB\0\0", 4), 0, 4, false, false), QStringLiteral("AB\r\n"));

    EXPECT_EQ(ValueToText(-1, false), QStringLiteral("-1"));
    EXPECT_EQ(ValueToText(-1, true), QStringLiteral("FFFFFFFF"));
    EXPECT_EQ(ValueToText(1000, true), QStringLiteral("000003E8"));
}

TEST(FileRwText, WriteFieldsAreReadStrictly)
{
    QByteArray out;
    QString message;
    ASSERT_TRUE(ParseWriteHex(QStringLiteral("AB CD\tef\r\n01"), &out, &message));
    EXPECT_EQ(out, QByteArray::fromHex("abcdef01"));
    ASSERT_TRUE(ParseWriteHex(QStringLiteral("ABCD EF"), &out, &message));
    EXPECT_EQ(out, QByteArray::fromHex("abcdef"));
    // Once turned into 00 bytes or nothing at all.
    for (const char* bad : {"AB CG", "Record 0:\r\n01 02", "Error 5", "ABC", "A B"}) {
        message.clear();
        EXPECT_FALSE(ParseWriteHex(QString::fromLatin1(bad), &out, &message)) << bad;
        EXPECT_FALSE(message.isEmpty()) << bad;
        EXPECT_TRUE(out.isEmpty()) << bad;
    }

    // The length asked for caps the bytes; 0 writes all.
    ASSERT_TRUE(WriteFieldBytes(QStringLiteral("01 02 03"), true, 2, &out, &message));
    EXPECT_EQ(out, QByteArray::fromHex("0102"));
    ASSERT_TRUE(WriteFieldBytes(QStringLiteral("01 02 03"), true, kDataWriteCap, &out, &message));
    EXPECT_EQ(out.size(), 3);

    ASSERT_TRUE(RecordFromText(QStringLiteral("AB"), false, 4, &out, &message));
    EXPECT_EQ(out, QByteArray::fromHex("41420000"));
    ASSERT_TRUE(RecordFromText(QString(), true, 3, &out, &message));
    EXPECT_EQ(out, QByteArray(3, '\0'));
    // Too long is refused, not cut; an unknown size converts nothing.
    EXPECT_FALSE(RecordFromText(QStringLiteral("01 02 03 04 05 06"), true, 4, &out, &message));
    EXPECT_EQ(message, LoadStr(kIdsRecordTextTooLong).arg(6).arg(4));
    EXPECT_FALSE(RecordFromText(QStringLiteral("ABCDE"), false, 4, &out, &message));
    // A character of no single byte would go out as '?'.
    EXPECT_FALSE(WriteFieldBytes(QStringLiteral("5 \u20AC"), false, kDataWriteCap, &out, &message));
    EXPECT_EQ(message, LoadStr(kIdsNotOneByte).arg(3));
    EXPECT_FALSE(RecordFromText(QStringLiteral("\u20AC"), false, 4, &out, &message));
    EXPECT_FALSE(RecordFromText(QStringLiteral("AB"), false, 0, &out, &message));
    EXPECT_TRUE(out.isEmpty());
}

TEST(FileRwText, NumbersFitTheCardFields)
{
    uint32_t n = 7;
    EXPECT_TRUE(ParseCardNumber(QStringLiteral("16777215"), &n));
    EXPECT_EQ(n, 0xFFFFFFu);
    EXPECT_FALSE(ParseCardNumber(QStringLiteral("16777216"), &n)); // would write at 0
    EXPECT_FALSE(ParseCardNumber(QStringLiteral("4294967296"), &n));
    EXPECT_FALSE(ParseCardNumber(QStringLiteral("-1"), &n));

    int32_t amount = 0;
    EXPECT_TRUE(ParseAmount(QStringLiteral("2147483647"), &amount));
    EXPECT_FALSE(ParseAmount(QStringLiteral("2147483648"), &amount)); // would go out negative
    EXPECT_FALSE(ParseAmount(QStringLiteral("-5"), &amount));

    EXPECT_TRUE(CheckDataRange(30, 2, 32).isEmpty());
    EXPECT_FALSE(CheckDataRange(30, 3, 32).isEmpty());
    EXPECT_FALSE(CheckDataRange(0xFFFFFF, 0xFFFFFF, 32).isEmpty()); // no 32-bit wrap
    EXPECT_TRUE(CheckDataRange(0xFFFFFF, 0xFFFFFF, -1).isEmpty());  // unknown size: the card judges
}

} // namespace
} // namespace velmora
