// Golden bytes of the reader frame protocol, per variant and per layer:
// request framing, command translation, completeness and answer decoding.
#include <gtest/gtest.h>

#include "sdk/core/frame.h"

using namespace kavex::frame;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes Request(Bytes cmd, uint8_t variant, uint8_t address = 1)
{
    uint8_t last = 0;
    EXPECT_TRUE(BuildRequest(cmd, variant, address, last));
    return cmd;
}

struct Decoded {
    bool ok;
    int status;
    Bytes data;
};

Decoded Decode(Bytes answer, uint8_t variant, uint8_t lastCommand = 0)
{
    int status = -99;
    const bool ok = DecodeAnswer(answer, variant, lastCommand, status);
    return {ok, status, answer};
}

} // namespace

TEST(FrameChecksums, Crc16ModbusCheckValue)
{
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc16Modbus(check, sizeof check), 0x4B37);
}

TEST(FrameRequests, IdentificationInEveryVariant)
{
    EXPECT_EQ(Request({0xF0}, 0), (Bytes{0x02, 0x01, 0xF0, 0x00, 0xF1}));
    EXPECT_EQ(Request({0xF0}, 1), (Bytes{0x01, 0xF0, 0x00, 0x64, 0x00}));
    EXPECT_EQ(Request({0xF0}, 2), (Bytes{0x1E, 0x0B, 0x00}));
    EXPECT_EQ(Request({0xF0}, 3), (Bytes{0x1E, 0x60, 0x00}));
}

TEST(FrameRequests, AddressAndDataEnterChecksums)
{
    const Bytes v0 = Request({0xF4, 0x83}, 0, 5);
    EXPECT_EQ(v0, (Bytes{0x02, 0x05, 0xF4, 0x01, 0x83, static_cast<uint8_t>(0x05 ^ 0xF4 ^ 0x01 ^ 0x83)}));
    const Bytes v1 = Request({0x45, 0x60}, 1, 0xFE);
    ASSERT_EQ(v1.size(), 6u);
    const uint16_t crc = Crc16Modbus(v1.data(), 4);
    EXPECT_EQ(v1[4], crc & 0xFF);
    EXPECT_EQ(v1[5], crc >> 8);
    EXPECT_EQ(v1[0], 0xFE);
}

TEST(FrameRequests, CommandTranslationForVariants2And3)
{
    EXPECT_EQ(Request({0xF5, 0x01}, 2), (Bytes{0x1E, 0x0C, 0x00}));
    EXPECT_EQ(Request({0xF5, 0x00}, 2), (Bytes{0x1E, 0x0D, 0x00}));
    EXPECT_EQ(Request({0x20, 0x45, 0x21}, 3), (Bytes{0x1E, 0x21, 0x03, 0x08, 0x45, 0x21}));
    EXPECT_EQ(Request({0x20, 0x45, 0x30}, 3), (Bytes{0x1E, 0x21, 0x03, 0x04, 0x45, 0x30}));
    EXPECT_EQ(Request({0x20, 0x45, 0x22}, 2), (Bytes{0x1E, 0x28, 0x03, 0x01, 0x45, 0x22}));
    EXPECT_EQ(Request({0x20, 0x45, 0x30}, 2), (Bytes{0x1E, 0x28, 0x03, 0x00, 0x45, 0x30}));
    EXPECT_EQ(Request({0x21}, 3), (Bytes{0x1E, 0x29, 0x00}));
    EXPECT_EQ(Request({0xF6, 0, 0}, 3), (Bytes{0x1E, 0x07, 0x02, 0, 0}));
    EXPECT_EQ(Request({0xF9}, 2), (Bytes{0x1E, 0x0E, 0x00}));
    EXPECT_EQ(Request({0xF9}, 3), (Bytes{0x1E, 0xF9, 0x00}));
    EXPECT_EQ(Request({0xFF, 0x01}, 2), (Bytes{0x1E, 0x0F, 0x01, 0x01}));
    EXPECT_EQ(Request({0xFF, 0x01}, 3), (Bytes{0x1E, 0xFF, 0x01, 0x01}));
    // Variants 0 and 1 send every command as it is.
    EXPECT_EQ(Request({0xF5, 0x01}, 0), (Bytes{0x02, 0x01, 0xF5, 0x01, 0x01, 0xF4}));
}

TEST(FrameRequests, RefusesWhatOneLengthByteCannotCarry)
{
    uint8_t last = 0x77;
    Bytes empty;
    EXPECT_FALSE(BuildRequest(empty, 0, 1, last));
    Bytes big(257, 0x11);
    EXPECT_FALSE(BuildRequest(big, 0, 1, last));
    EXPECT_EQ(big.size(), 257u);
    EXPECT_EQ(last, 0x77);
    Bytes max(256, 0x11);
    EXPECT_TRUE(BuildRequest(max, 0, 1, last));
    EXPECT_EQ(max.size(), 260u); // start, address, command, length, 255 data, BCC
}

TEST(FrameCompleteness, FixedLengthAndBlockForm)
{
    Bytes v0 = {0x02, 0x01, 0x00, 250};
    v0.resize(254, 0);
    EXPECT_FALSE(AnswerComplete(v0, 0));
    v0.push_back(0);
    EXPECT_TRUE(AnswerComplete(v0, 0)); // LEN 250: complete after 255 bytes

    const Bytes block = {0x02, 0x01, 0x00, 0xFF, 0x02, 0xAA, 0xBB, 0x01, 0xCC, 0xFF, 0xDF};
    for (size_t n = 4; n < block.size(); ++n)
        EXPECT_FALSE(AnswerComplete(Bytes(block.begin(), block.begin() + n), 0)) << n;
    EXPECT_TRUE(AnswerComplete(block, 0));

    EXPECT_FALSE(AnswerComplete({0x1E, 0x45, 0xFF, 0x01, 0x99}, 2));
    EXPECT_TRUE(AnswerComplete({0x1E, 0x45, 0xFF, 0x01, 0x99, 0xFF}, 2));
    EXPECT_FALSE(AnswerComplete({0x01, 0x00, 0xFF, 0xFF, 0x00}, 1));
    EXPECT_TRUE(AnswerComplete({0x01, 0x00, 0xFF, 0xFF, 0x00, 0x00}, 1));
}

TEST(FrameDecoding, Variant0Examples)
{
    auto d = Decode({0x02, 0x01, 0x00, 0x00, 0x01}, 0);
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.status, 0);
    EXPECT_TRUE(d.data.empty());

    d = Decode({0x02, 0x01, 0x07, 0x00, 0x06}, 0);
    EXPECT_FALSE(d.ok);
    EXPECT_EQ(d.status, 44);

    d = Decode({0x02, 0x01, 0x20, 0x01, 0x41, 0x61}, 0);
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.status, 32);
    EXPECT_EQ(d.data, (Bytes{0x41}));

    // The block form keeps its block structure for the caller. Its BCC is
    // the XOR of everything after the start byte.
    d = Decode({0x02, 0x01, 0x00, 0xFF, 0x02, 0xAA, 0xBB, 0x01, 0xCC, 0xFF, 0xDF}, 0);
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.data, (Bytes{0x02, 0xAA, 0xBB, 0x01, 0xCC}));
}

TEST(FrameDecoding, StatusMappingPerVariant)
{
    struct Case {
        uint8_t variant;
        uint8_t readerStatus;
        int expected;
    };
    const Case cases[] = {
        {0, 3, 23},    {0, 25, 23},   {0, 7, 44},      {0, 0x15, 0x15}, {0, 0x0E, 14},
        {1, 0x20, 32}, {1, 0x07, 7},  {1, 0x99, 0x99}, {2, 0xA0, 24},   {2, 0xA4, 20},
        {2, 0x88, 17}, {3, 0xCC, 23}, {3, 0xC4, 21},   {3, 0xC5, 21},   {2, 0x12, 16},
    };
    for (const Case& c : cases) {
        Bytes a;
        if (c.variant == 0) {
            a = {0x02, 0x01, c.readerStatus, 0x00};
            a.push_back(Bcc(a.data() + 1, 3));
        } else if (c.variant == 1) {
            a = {0x01, c.readerStatus, 0x00};
            const uint16_t crc = Crc16Modbus(a.data(), 3);
            a.push_back(crc & 0xFF);
            a.push_back(crc >> 8);
        } else {
            a = {0x1E, c.readerStatus, 0x00};
        }
        const auto d = Decode(a, c.variant, 0x45);
        EXPECT_FALSE(d.ok) << int(c.variant) << " " << int(c.readerStatus);
        EXPECT_EQ(d.status, c.expected) << int(c.variant) << " " << int(c.readerStatus);
    }
    // Variants 2 and 3 echo the command byte on success.
    const auto ok = Decode({0x1E, 0x45, 0x02, 0x91, 0x00}, 2, 0x45);
    EXPECT_TRUE(ok.ok);
    EXPECT_EQ(ok.data, (Bytes{0x91, 0x00}));
}

TEST(FrameDecoding, ChecksumErrorsAndTrailingBytes)
{
    EXPECT_EQ(Decode({0x02, 0x01, 0x00, 0x00, 0x02}, 0).status, 10);
    EXPECT_EQ(Decode({0x01, 0x00, 0x00, 0x00, 0x00}, 1).status, 10);
    // A byte after the end of an answer becomes part of it and breaks the
    // checksum.
    EXPECT_EQ(Decode({0x02, 0x01, 0x00, 0x00, 0x01, 0x33}, 0).status, 10);
    EXPECT_EQ(Decode({}, 0).status, 12);
    EXPECT_EQ(Decode({}, 2).status, 12);
}

// Trailing noise that happens to equal the frame's checksum, and noise
// behind an answer of a variant without checksum, fail as well.
TEST(FrameDecoding, TrailingBytesNeverBecomeData)
{
    const Bytes v0 = {0x02, 0x01, 0x00, 0x02, 0xAA, 0xBB, static_cast<uint8_t>(0x01 ^ 0x02 ^ 0xAA ^ 0xBB)};
    Bytes noisy = v0;
    noisy.push_back(0x00); // the XOR of the whole frame, so the last byte checks
    EXPECT_EQ(Decode(noisy, 0).status, 10);
    EXPECT_FALSE(Decode(noisy, 0).ok);
    const Decoded v2 = Decode({0x1E, 0x45, 0x02, 0xAA, 0xBB, 0x55, 0x66}, 2, 0x45);
    EXPECT_FALSE(v2.ok);
    EXPECT_EQ(v2.status, 16);
}
