// Golden-byte tests of the simulator's framing helpers.
#include "sim/frames.h"

#include <gtest/gtest.h>

#include <string>

using namespace kavex::sim;

namespace {
Bytes H(const std::string& hex)
{
    return ParseHex(hex).value();
}
} // namespace

TEST(Checksums, Crc16ModbusCheckValue)
{
    const std::string s = "123456789";
    EXPECT_EQ(Crc16Modbus(reinterpret_cast<const uint8_t*>(s.data()), s.size()), 0x4B37);
    EXPECT_EQ(Crc16Modbus(Bytes{}), 0xFFFF);
}

TEST(Checksums, Xor)
{
    const Bytes b = H("01 F0 00");
    EXPECT_EQ(Xor8(b.data(), b.size()), 0xF1);
    EXPECT_EQ(Xor8(nullptr, 0), 0);
}

TEST(RequestFrames, IdentificationInEveryVariant)
{
    EXPECT_EQ(BuildRequestFrame(0, 1, 0xF0), H("02 01 F0 00 F1"));
    EXPECT_EQ(BuildRequestFrame(1, 1, 0xF0), H("01 F0 00 64 00"));
    EXPECT_EQ(BuildRequestFrame(2, 1, 0xF0), H("1E 0B 00"));
    EXPECT_EQ(BuildRequestFrame(3, 1, 0xF0), H("1E 60 00"));
}

TEST(RequestFrames, TranslationExamples)
{
    EXPECT_EQ(BuildRequestFrame(2, 1, 0xF5, {0x01}), H("1E 0C 00"));
    EXPECT_EQ(BuildRequestFrame(2, 1, 0xF5, {0x00}), H("1E 0D 00"));
    EXPECT_EQ(BuildRequestFrame(3, 1, 0x20, {0x45, 0x21}), H("1E 21 03 08 45 21"));
    EXPECT_EQ(BuildRequestFrame(2, 1, 0x20, {0x45, 0x21}), H("1E 28 03 01 45 21"));
    EXPECT_EQ(BuildRequestFrame(2, 1, 0x20, {0x45, 0x30}), H("1E 28 03 00 45 30"));
    EXPECT_EQ(BuildRequestFrame(3, 1, 0x20, {0x45}), H("1E 21 02 04 45"));
    EXPECT_EQ(BuildRequestFrame(2, 1, 0xF6, {0, 0}), H("1E 07 02 00 00"));
    EXPECT_EQ(BuildRequestFrame(2, 1, 0xFF, {1}), H("1E 0F 01 01"));
    EXPECT_EQ(BuildRequestFrame(3, 1, 0xFF, {1}), H("1E FF 01 01"));
    EXPECT_EQ(BuildRequestFrame(0, 1, 0xF5, {0x01}), H("02 01 F5 01 01 F4"));
}

TEST(WireTranslation, RoundTripsInVariants2And3)
{
    const std::vector<CommandFrame> generic = {
        {0xF0, {}},     {0xF0, {'F', 'V'}}, {0xF5, {0}},   {0xF5, {1}},          {0xF6, {0, 0}},
        {0xF4, {0}},    {0x30, {}},         {0x31, {}},    {0x41, {}},           {0x42, {0x05}},
        {0x45, {0x60}}, {0x46, {}},         {0x21, {0x1}}, {0x20, {0x45, 0x21}}, {0x20, {0x45, 0x10}},
    };
    for (int v : {2, 3}) {
        for (const CommandFrame& g : generic) {
            const CommandFrame w = TranslateForWire(v, g.command, g.data);
            std::string note;
            const auto back = TranslateFromWire(v, w.command, w.data, &note);
            ASSERT_TRUE(back.has_value()) << "variant " << v << " command " << int(g.command);
            EXPECT_EQ(*back, g) << "variant " << v << " command " << int(g.command);
            EXPECT_EQ(note, "") << "variant " << v << " command " << int(g.command);
        }
    }
    EXPECT_EQ(TranslateFromWire(2, 0xFF, {1})->command, 0xFF); // unchanged byte reaches the reader as is
    EXPECT_EQ(TranslateFromWire(2, 0x0F, {1})->command, 0xFF);
    EXPECT_EQ(TranslateFromWire(3, 0x0F, {1})->command, 0x0F);
}

TEST(WireTranslation, OtherVariantsIdentificationIsNotOurs)
{
    EXPECT_FALSE(TranslateFromWire(3, 0x0B, {}).has_value());
    EXPECT_FALSE(TranslateFromWire(2, 0x60, {}).has_value());
    EXPECT_TRUE(TranslateFromWire(0, 0x0B, {}).has_value()); // v0/v1: no translation at all
}

TEST(WireTranslation, WrongFlagByteIsNoted)
{
    std::string note;
    const auto g = TranslateFromWire(2, 0x28, {0x00, 0x45, 0x21}, &note);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->command, 0x20);
    EXPECT_EQ(g->data, H("45 21"));
    EXPECT_NE(note.find("flag"), std::string::npos);
}

TEST(AnswerFrames, Variant0Examples)
{
    EXPECT_EQ(BuildAnswerFrame(0, 1, 0x00, {}), H("02 01 00 00 01"));
    EXPECT_EQ(BuildAnswerFrame(0, 1, 0x07, {}), H("02 01 07 00 06"));
    EXPECT_EQ(BuildAnswerFrame(0, 1, 0x20, {0x41}), H("02 01 20 01 41 61"));
    EXPECT_EQ(BuildAnswerFrame(0, 1, 0x00, H("31 32 35 35")), H("02 01 00 04 31 32 35 35 06"));
}

TEST(AnswerFrames, Variant1CarriesCrcLowByteFirst)
{
    EXPECT_EQ(BuildAnswerFrame(1, 1, 0x00, H("31 32 35 35")), H("01 00 04 31 32 35 35 82 74"));
    EXPECT_EQ(BuildAnswerFrame(1, 1, 0x15, {}), H("01 15 00 2E 90"));
}

TEST(AnswerFrames, Variants2And3HaveNoChecksum)
{
    EXPECT_EQ(BuildAnswerFrame(2, 1, 0x0B, H("31 37 31 35")), H("1E 0B 04 31 37 31 35"));
    EXPECT_EQ(BuildAnswerFrame(3, 1, 0xC4, {}), H("1E C4 00"));
}

TEST(AnswerFrames, BlockFormVariant0)
{
    // Structure of the documented example (02 01 00 FF 02 AA BB 01 CC FF ..); the BCC
    // is the XOR of bytes 1 to the end marker, which is DF for these bytes.
    EXPECT_EQ(BuildAnswerFrame(0, 1, 0x00, H("AA BB CC"), true, 2), H("02 01 00 FF 02 AA BB 01 CC FF DF"));
    EXPECT_EQ(BuildAnswerFrame(0, 1, 0x00, {}, true), H("02 01 00 FF FF 01"));
}

TEST(AnswerFrames, LongAnswersUseBlockFormAutomatically)
{
    Bytes data(300);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i);
    for (int v = 0; v <= 3; ++v) {
        const Bytes f = BuildAnswerFrame(v, 1, 0x00, data);
        const size_t len_at = v == 0 ? 3 : 2;
        EXPECT_EQ(f[len_at], 0xFF);
        EXPECT_EQ(f[len_at + 1], 254);
        EXPECT_EQ(f[len_at + 2 + 254], 46);
        const size_t check = v == 0 ? 1 : v == 1 ? 2 : 0;
        EXPECT_EQ(f.size(), len_at + 1 + 1 + 254 + 1 + 46 + 1 + check);
        EXPECT_EQ(f[f.size() - 1 - check], 0xFF);
        const auto d = DecodeAnswerFrame(v, f);
        ASSERT_TRUE(d);
        EXPECT_TRUE(d->block_form);
        EXPECT_TRUE(d->checksum_ok);
        EXPECT_EQ(d->data, data);
        EXPECT_EQ(d->frame_size, f.size());
    }
    // 254 bytes still fit the plain form.
    EXPECT_EQ(BuildAnswerFrame(0, 1, 0, Bytes(254, 0x11))[3], 254);
}

TEST(AnswerFrames, DecodeLen250NeedsAll255Bytes)
{
    Bytes f = BuildAnswerFrame(0, 1, 0, Bytes(250, 0x5A));
    ASSERT_EQ(f.size(), 255u);
    EXPECT_FALSE(DecodeAnswerFrame(0, Bytes(f.begin(), f.end() - 1)));
    const auto d = DecodeAnswerFrame(0, f);
    ASSERT_TRUE(d);
    EXPECT_FALSE(d->block_form);
    EXPECT_EQ(d->data.size(), 250u);
}

TEST(AnswerFrames, DecodeDetectsBadChecksum)
{
    Bytes f = BuildAnswerFrame(1, 1, 0, H("01 02"));
    f.back() ^= 1;
    const auto d = DecodeAnswerFrame(1, f);
    ASSERT_TRUE(d);
    EXPECT_FALSE(d->checksum_ok);
}

TEST(Hex, ParseAndFormat)
{
    EXPECT_EQ(ParseHex("04 05 31 35"), H("04053135"));
    EXPECT_EQ(ParseHex("04:05-31,35"), H("04 05 31 35"));
    EXPECT_EQ(ParseHex("0x0344"), H("03 44"));
    EXPECT_EQ(ParseHex(""), Bytes{});
    EXPECT_FALSE(ParseHex("123"));
    EXPECT_FALSE(ParseHex("zz"));
    EXPECT_EQ(ToHex(H("02 01 f0")), "02 01 F0");
}
