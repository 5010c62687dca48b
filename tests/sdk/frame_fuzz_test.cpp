// Random byte streams through the answer wait and the decoder, in random
// chunk sizes and for every variant. Built with AddressSanitizer: any read
// outside the received bytes fails the test.
#include <gtest/gtest.h>

#include <random>

#include "sdk/core/frame.h"

using namespace kavex::frame;

namespace {

void FeedStream(std::mt19937& rng, uint8_t variant, bool framed)
{
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> chunk(1, 12);
    std::vector<uint8_t> stream(static_cast<size_t>(std::uniform_int_distribution<int>(0, 600)(rng)));
    for (auto& b : stream) b = static_cast<uint8_t>(byte(rng));
    if (framed && !stream.empty()) {
        // Bias towards plausible frames: a start byte and small lengths.
        const int start = StartByte(variant);
        if (start >= 0) stream[0] = static_cast<uint8_t>(start);
        if (stream.size() > 3)
            stream[variant == 0 ? 3 : 2] = byte(rng) < 128 ? 0xFF : static_cast<uint8_t>(byte(rng) % 16);
    }

    AnswerWait wait(variant);
    std::vector<uint8_t> buf;
    size_t pos = 0;
    bool complete = false;
    while (pos < stream.size() && !complete) {
        const size_t n = std::min(stream.size() - pos, static_cast<size_t>(chunk(rng)));
        buf.insert(buf.end(), stream.begin() + static_cast<std::ptrdiff_t>(pos),
                   stream.begin() + static_cast<std::ptrdiff_t>(pos + n));
        pos += n;
        bool began = false;
        complete = wait.Advance(buf, began);
    }
    std::vector<uint8_t> answer = buf;
    int status = -1;
    const bool ok = DecodeAnswer(answer, variant, static_cast<uint8_t>(byte(rng)), status);
    if (ok) {
        EXPECT_LE(answer.size(), buf.size());
    }
    EXPECT_GE(status, 0);

    // The decoder must also survive answers that never completed.
    std::vector<uint8_t> raw(stream.begin(),
                             stream.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(stream.size(), 8)));
    DecodeAnswer(raw, variant, 0, status);
}

} // namespace

TEST(FrameRobustness, RandomStreamsNeverReadOutOfBounds)
{
    std::mt19937 rng(20261209);
    for (int round = 0; round < 20000; ++round) FeedStream(rng, static_cast<uint8_t>(round % 4), round % 3 != 0);
}

TEST(FrameRobustness, GarbageBeforeStartByteIsDropped)
{
    AnswerWait wait(0);
    std::vector<uint8_t> buf = {0x55, 0x02, 0x99, 0x02, 0x01, 0x00, 0x00, 0x01};
    bool began = false;
    ASSERT_TRUE(wait.Advance(buf, began));
    // Only bytes in front of the first start byte go; 0x99 stays.
    EXPECT_EQ(buf.front(), 0x02);
    EXPECT_EQ(buf.size(), 7u);
}
