#include "sdk/support/device_models.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <set>
#include <string>

namespace kavex {
namespace {

const int kTableCodes[] = {
    0x117, 0x121, 0x122, 0x123, 0x124, 0x125, 0x131, 0x134, 0x135, 0x141, 0x144, 0x145,
    0x151, 0x154, 0x155, 0x161, 0x164, 0x165, 0x171, 0x181, 0x184, 0x185, 0x191, 0x194,
    0x195, 0x401, 0x404, 0x405, 0x411, 0x414, 0x415, 0x421, 0x435, 0x451, 0x454, 0x455,
};

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(ModelName, EveryTableCodeHasItsOwnNameThatTellsItsKind)
{
    ASSERT_EQ(std::size(kTableCodes), 36u);
    std::set<std::string> names;
    for (int code : kTableCodes) {
        SCOPED_TRACE(code);
        const std::string name = ModelName(code);
        EXPECT_EQ(name.rfind("KV-#", 0), std::string::npos) << name;
        EXPECT_TRUE(names.insert(name).second) << "duplicate " << name;
        if (code & 1) {
            EXPECT_TRUE(EndsWith(name, "Programmer")) << name;
        } else {
            EXPECT_TRUE(EndsWith(name, "Reader")) << name;
        }
    }
    EXPECT_NE(ModelName(kBluetoothProgrammerType).find("Bluetooth"), std::string::npos);
}

TEST(ModelName, UnknownCodesFallBackToHex)
{
    EXPECT_EQ(ModelName(0x1A3), "KV-#1A3");
    EXPECT_EQ(ModelName(0), "KV-#000");
    EXPECT_EQ(ModelName(0).size(), 7u);
    EXPECT_EQ(ModelName(0x12), "KV-#012");
    EXPECT_EQ(ModelName(0x1234), "KV-#1234");
}

int Parse(const char* answer)
{
    return ParseDeviceTypeCode(reinterpret_cast<const uint8_t*>(answer), std::strlen(answer));
}

TEST(Identification, AnswerGivesTypeAndFirmware)
{
    EXPECT_EQ(Parse("1255"), 0x125);
    EXPECT_EQ(FirmwareVersionText('5'), "FW V1.05");
    EXPECT_EQ(Parse("1244"), 0x124);
    EXPECT_EQ(Parse("1A3z"), 0x1A3);
    EXPECT_EQ(FirmwareVersionText('z'), "FW V1.35");
    EXPECT_EQ(Parse("1a3Z"), 0x1A3);
    EXPECT_EQ(Parse("1715"), kVariant2DeviceType);
    EXPECT_EQ(Parse("1176"), kVariant3DeviceType);
}

TEST(Identification, TypeParsingStopsAtTheFirstNonHexDigit)
{
    EXPECT_EQ(Parse("1G55"), 0x1);
    EXPECT_EQ(Parse("X125"), 0);
    // Only three characters count, however many hex digits follow.
    EXPECT_EQ(Parse("12345"), 0x123);
    // Never reads past the given length.
    EXPECT_EQ(Parse("12"), 0x12);
    EXPECT_EQ(ParseDeviceTypeCode(reinterpret_cast<const uint8_t*>("125"), 2), 0x12);
    EXPECT_EQ(ParseDeviceTypeCode(nullptr, 4), 0);
}

TEST(Identification, FirmwareMinorMapping)
{
    EXPECT_EQ(FirmwareMinor('0'), 0);
    EXPECT_EQ(FirmwareMinor('9'), 9);
    EXPECT_EQ(FirmwareMinor('A'), 10);
    EXPECT_EQ(FirmwareMinor('Z'), 35);
    EXPECT_EQ(FirmwareMinor('a'), 10);
    EXPECT_EQ(FirmwareMinor('z'), 35);
    for (char invalid : {'/', ':', '@', '[', '`', '{', ' ', '\0', static_cast<char>(0xE4)}) {
        EXPECT_EQ(FirmwareMinor(invalid), 255) << int(invalid);
    }
    EXPECT_EQ(FirmwareVersionText('A'), "FW V1.10");
    EXPECT_EQ(FirmwareVersionText('#'), "FW V1.255");
}

} // namespace
} // namespace kavex
