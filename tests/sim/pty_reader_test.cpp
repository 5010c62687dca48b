// PtyReader: the simulator on a real pseudo-terminal, opened by the test as
// a host would (plain termios).
#include "sim/pty_reader.h"
#include "sim/test_card.h"
#include "tests/sim/host_port.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using namespace kavex::sim;
using namespace kavex::sim::testing;
using namespace std::chrono_literals;

namespace {

Bytes H(const std::string& hex)
{
    return ParseHex(hex).value();
}

ReaderConfig Variant(int v)
{
    ReaderConfig c;
    c.variant = v;
    return c;
}

} // namespace

TEST(PtyReader, StartCreatesSymlinkToSlaveAndStopRemovesIt)
{
    const std::string link = UniqueLinkPath();
    PtyReader reader;
    reader.Start(link);
    EXPECT_TRUE(reader.Running());
    EXPECT_EQ(reader.LinkPath(), link);
    char target[256] = {};
    ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(reader.SlavePath(), target);
    EXPECT_EQ(std::string(target).rfind("/dev/pts/", 0), 0u);
    EXPECT_THROW(reader.Start(link), std::logic_error);
    reader.Stop();
    EXPECT_FALSE(reader.Running());
    EXPECT_FALSE(PathExists(link));
    reader.Stop(); // twice is harmless
}

TEST(PtyReader, RoundTripInEveryVariant)
{
    const Bytes requests[4] = {H("02 01 F0 00 F1"), H("01 F0 00 64 00"), H("1E 0B 00"), H("1E 60 00")};
    const Bytes answers[4] = {H("02 01 00 04 31 32 35 35 06"), H("01 00 04 31 32 35 35 82 74"),
                              H("1E 0B 04 31 37 31 35"), H("1E 60 09 01 02 03 04 41 42 43 36 00")};
    for (int v = 0; v <= 3; ++v) {
        const std::string link = UniqueLinkPath();
        PtyReader reader(Variant(v), std::make_shared<TestCard>());
        reader.Start(link);
        HostPort host(link);
        ASSERT_TRUE(host.ok()) << std::strerror(errno);
        host.Write(requests[v]);
        EXPECT_EQ(host.Read(answers[v].size(), 1000ms), answers[v]) << "variant " << v;
    }
}

TEST(PtyReader, RaiiRemovesLinkAndReplacesStaleLink)
{
    const std::string link = UniqueLinkPath();
    ASSERT_EQ(::symlink("/nonexistent/kavex", link.c_str()), 0);
    {
        PtyReader reader;
        reader.Start(link);
        HostPort host(link);
        ASSERT_TRUE(host.ok());
    }
    EXPECT_FALSE(PathExists(link));
}

TEST(PtyReader, RefusesToReplaceARegularFile)
{
    const std::string path = UniqueLinkPath();
    {
        std::ofstream(path) << "not a device";
    }
    PtyReader reader;
    EXPECT_THROW(reader.Start(path), std::system_error);
    EXPECT_FALSE(reader.Running());
    EXPECT_TRUE(PathExists(path));
    ::unlink(path.c_str());
}

TEST(PtyReader, HostMayCloseAndReopen)
{
    const std::string link = UniqueLinkPath();
    PtyReader reader;
    reader.Start(link);
    for (int i = 0; i < 3; ++i) {
        HostPort host(link);
        ASSERT_TRUE(host.ok());
        // The SDK takes the line exclusively while it is open.
        ASSERT_EQ(::ioctl(host.fd(), TIOCEXCL), 0);
        auto a = host.Ask(0, 0xF0);
        ASSERT_TRUE(a) << "round " << i;
        EXPECT_EQ(a->data, H("31 32 35 35"));
        ASSERT_EQ(::ioctl(host.fd(), TIOCNXCL), 0);
    }
    EXPECT_EQ(reader.Sim().CountReceived(0xF0), 3u);
}

TEST(PtyReader, VanishHangsUpTheHost)
{
    const std::string link = UniqueLinkPath();
    PtyReader reader;
    reader.Start(link);
    HostPort host(link);
    ASSERT_TRUE(host.ok());
    ASSERT_TRUE(host.Ask(0, 0xF0));
    reader.Vanish();
    EXPECT_FALSE(reader.Running());
    EXPECT_FALSE(PathExists(link));

    pollfd p{host.fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 1000), 1);
    EXPECT_NE(p.revents & (POLLHUP | POLLERR), 0) << "revents " << p.revents;
    uint8_t b;
    errno = 0;
    const ssize_t r = ::read(host.fd(), &b, 1);
    EXPECT_TRUE(r == 0 || (r < 0 && errno == EIO)) << "read " << r << " errno " << errno;
    const uint8_t req[5] = {0x02, 0x01, 0xF0, 0x00, 0xF1};
    errno = 0;
    EXPECT_EQ(::write(host.fd(), req, sizeof req), -1);
    EXPECT_EQ(errno, EIO);
    // Reopening the device fails: it is gone.
    HostPort again(link);
    EXPECT_FALSE(again.ok());
}

TEST(PtyReader, StartAgainAfterVanish)
{
    const std::string link = UniqueLinkPath();
    PtyReader reader;
    reader.Start(link);
    reader.Vanish();
    reader.Start(link);
    HostPort host(link);
    ASSERT_TRUE(host.ok());
    EXPECT_TRUE(host.Ask(0, 0xF0));
}

TEST(PtyReader, DelayedAnswerArrivesLate)
{
    const std::string link = UniqueLinkPath();
    PtyReader reader;
    reader.Start(link);
    HostPort host(link);
    ASSERT_TRUE(host.ok());
    reader.Sim().InjectFault(Fault::Delay(120ms));
    const auto t0 = std::chrono::steady_clock::now();
    host.Write(H("02 01 F0 00 F1"));
    EXPECT_TRUE(host.Read(1, 60ms).empty());
    auto a = host.ReadAnswer(0, 1000ms);
    const auto elapsed = std::chrono::steady_clock::now() - t0;
    ASSERT_TRUE(a);
    EXPECT_EQ(a->data, H("31 32 35 35"));
    EXPECT_GE(elapsed, 115ms);
}

TEST(PtyReader, NoAnswerThenNormal)
{
    const std::string link = UniqueLinkPath();
    PtyReader reader;
    reader.Start(link);
    HostPort host(link);
    ASSERT_TRUE(host.ok());
    reader.Sim().InjectFault(Fault::NoAnswer());
    host.Write(H("02 01 F0 00 F1"));
    ASSERT_TRUE(reader.Sim().WaitForRequests(1, 1000ms));
    EXPECT_TRUE(host.Read(1, 50ms).empty());
    EXPECT_TRUE(host.Ask(0, 0xF0));
}

TEST(PtyReader, AnswerInChunksIsReassembled)
{
    const std::string link = UniqueLinkPath();
    PtyReader reader(Variant(1));
    reader.Start(link);
    HostPort host(link);
    ASSERT_TRUE(host.ok());
    reader.Sim().InjectFault(Fault::Split(2, 4ms));
    const auto t0 = std::chrono::steady_clock::now();
    const Bytes expected = H("01 00 04 31 32 35 35 82 74");
    host.Write(H("01 F0 00 64 00"));
    EXPECT_EQ(host.Read(expected.size(), 1000ms), expected);
    EXPECT_GE(std::chrono::steady_clock::now() - t0, 15ms); // 5 chunks, 4 gaps of 4 ms
    const auto log = reader.Sim().Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_NE(log[1].reason.find("chunks of 2 bytes"), std::string::npos) << log[1].reason;
}

TEST(PtyReader, CardRemovedAndInsertedAtRunTime)
{
    const std::string link = UniqueLinkPath();
    auto card = std::make_shared<TestCard>();
    PtyReader reader(Variant(2), card);
    reader.Start(link);
    HostPort host(link);
    ASSERT_TRUE(host.ok());
    EXPECT_EQ(host.Ask(2, 0x30)->status, 0x30);
    reader.Sim().RemoveCard();
    EXPECT_EQ(host.Ask(2, 0x30)->status, 0xC4);
    reader.Sim().InsertCard(card);
    EXPECT_EQ(host.Ask(2, 0x30)->status, 0x30);
}

TEST(PtyReader, PiecesThroughThePty)
{
    const std::string link = UniqueLinkPath();
    auto card = std::make_shared<TestCard>();
    ReaderConfig c;
    c.piece_size = 20;
    PtyReader reader(c, card);
    reader.Start(link);
    HostPort host(link);
    ASSERT_TRUE(host.ok());
    for (uint8_t cmd : {0x30, 0x31, 0x41}) ASSERT_EQ(host.Ask(0, cmd)->status, 0);
    Bytes answer(50);
    for (size_t i = 0; i < answer.size(); ++i) answer[i] = static_cast<uint8_t>(i);
    card->QueueAnswer(answer);
    Bytes joined;
    auto a = host.Ask(0, 0x45, {0xBD, 0x00});
    ASSERT_TRUE(a);
    int continuations = 0;
    for (;;) {
        joined.insert(joined.end(), a->data.begin(), a->data.end());
        if (a->status != 0x20) break;
        a = host.Ask(0, 0x46);
        ASSERT_TRUE(a);
        ++continuations;
    }
    EXPECT_EQ(a->status, 0);
    EXPECT_EQ(joined, answer);
    EXPECT_EQ(continuations, 2);
    EXPECT_EQ(reader.Sim().CountReceived(0x46), 2u);
}

// A card whose state is plain data (no lock of its own), changed by the test
// thread through WithCard while the I/O thread uses it.
namespace {
class PlainCard : public TestCard {
public:
    Bytes Transceive(const Bytes&) override { return Bytes{0x00, answer}; }
    uint8_t answer = 0;
};
} // namespace

TEST(PtyReader, WithCardChangesCardStateUnderTheSimulatorsLock)
{
    const std::string link = UniqueLinkPath();
    auto card = std::make_shared<PlainCard>();
    ReaderConfig c;
    c.strict_activation = false;
    PtyReader reader(c, card);
    reader.Start(link);
    HostPort host(link);
    ASSERT_TRUE(host.ok());
    for (uint8_t i = 1; i <= 20; ++i) {
        reader.Sim().WithCard([i](Card* cd) { static_cast<PlainCard*>(cd)->answer = i; });
        auto a = host.Ask(0, 0x45, {0x60});
        ASSERT_TRUE(a);
        EXPECT_EQ(a->data, (Bytes{0x00, i}));
    }
    reader.Sim().RemoveCard();
    bool saw_null = false;
    reader.Sim().WithCard([&](Card* cd) { saw_null = cd == nullptr; });
    EXPECT_TRUE(saw_null);
}

namespace {

// Reads bytes one by one as they come, with the time each arrived.
std::vector<std::chrono::steady_clock::time_point> ArrivalTimes(HostPort& host, size_t n, Bytes& got)
{
    std::vector<std::chrono::steady_clock::time_point> times;
    while (got.size() < n) {
        const Bytes b = host.Read(1, 2000ms);
        if (b.empty()) break;
        got.insert(got.end(), b.begin(), b.end());
        times.resize(got.size(), std::chrono::steady_clock::now());
    }
    return times;
}

} // namespace

TEST(PtyReader, LineEmulationCarriesNoByteEarlierThanTheLine)
{
    struct Line {
        speed_t speed;
        tcflag_t flags;
        std::chrono::nanoseconds charTime;
    };
    // 8N1 at 19200 baud: 10 bits a character; 7E2 at 9600: 11 bits.
    const Line lines[] = {{B19200, CS8, std::chrono::nanoseconds(520834)},
                          {B9600, CS7 | PARENB | CSTOPB, std::chrono::nanoseconds(1145834)}};
    const Bytes request = H("02 01 F0 00 F1");
    const Bytes answer = H("02 01 00 04 31 32 35 35 06");
    for (const Line& line : lines) {
        const std::string link = UniqueLinkPath();
        PtyReader reader(Variant(0), std::make_shared<TestCard>());
        reader.SetLineEmulation(true);
        reader.Start(link);
        HostPort host(link);
        ASSERT_TRUE(host.ok());
        termios t{};
        ASSERT_EQ(::tcgetattr(host.fd(), &t), 0);
        t.c_cflag = (t.c_cflag & ~(CSIZE | PARENB | CSTOPB)) | line.flags;
        ::cfsetspeed(&t, line.speed);
        ASSERT_EQ(::tcsetattr(host.fd(), TCSANOW, &t), 0);

        const auto t0 = std::chrono::steady_clock::now();
        host.Write(request);
        Bytes got;
        const auto times = ArrivalTimes(host, answer.size(), got);
        // The request crosses first, then each answer byte in turn.
        ASSERT_EQ(got, answer);
        for (size_t i = 0; i < times.size(); ++i)
            EXPECT_GE(times[i] - t0, line.charTime * static_cast<int>(request.size() + i + 1)) << "byte " << i;
    }
}

TEST(PtyReader, CardTimeGoesBeforeTheAnswer)
{
    ReaderConfig config;
    config.strict_activation = false;
    config.card_times = ParseCardTimes("60=40000,AF=1").value();
    const std::string link = UniqueLinkPath();
    PtyReader reader(config, std::make_shared<TestCard>());
    reader.Start(link);
    HostPort host(link);
    ASSERT_TRUE(host.ok());
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(host.Ask(0, 0x45, H("60")));
    EXPECT_GE(std::chrono::steady_clock::now() - t0, 40ms);
    EXPECT_FALSE(ParseCardTimes("60=40000,"));
    EXPECT_FALSE(ParseCardTimes("600=1"));
    EXPECT_FALSE(ParseCardTimes("60=-1"));
}

TEST(PtyReader, LineEmulationKeepsAFrameWholeWhenItsThreadWakesLate)
{
    ReaderConfig config;
    config.strict_activation = false;
    const std::string link = UniqueLinkPath();
    PtyReader reader(config, std::make_shared<TestCard>());
    reader.SetLineEmulation(true);
    reader.Start(link);
    HostPort host(link);
    ASSERT_TRUE(host.ok());
    termios t{};
    ASSERT_EQ(::tcgetattr(host.fd(), &t), 0);
    ::cfsetspeed(&t, B9600);
    ASSERT_EQ(::tcsetattr(host.fd(), TCSANOW, &t), 0);
    // 45 bytes take 47 ms at 9600 baud; the simulator's thread is held up
    // for longer than the idle gap while they cross, then catches up.
    host.Write(BuildRequestFrame(0, 1, 0x45, Bytes(40, 0x60)));
    std::this_thread::sleep_for(10ms);
    reader.Sim().WithCard([](Card*) { std::this_thread::sleep_for(60ms); });
    EXPECT_TRUE(host.ReadAnswer(0, 2000ms));
}
