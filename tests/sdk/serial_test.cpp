// The serial link on a real pty: line settings as the port asks for them,
// the write buffer's limit, and a device that goes away.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "sdk/transports/serial_link.h"

using namespace kavex;
using namespace std::chrono_literals;

namespace {

// The far end of the line: the pty's master side.
class PtyPeer {
public:
    PtyPeer()
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master_);
        unlockpt(master_);
        slave_ = ptsname(master_);
    }
    ~PtyPeer()
    {
        if (master_ >= 0) close(master_);
    }
    // Everything that arrives within the time given.
    std::vector<uint8_t> Read(std::chrono::milliseconds within)
    {
        std::vector<uint8_t> got;
        pollfd p{master_, POLLIN, 0};
        while (poll(&p, 1, static_cast<int>(within.count())) > 0) {
            uint8_t buf[1024];
            const ssize_t n = read(master_, buf, sizeof buf);
            if (n <= 0) break;
            got.insert(got.end(), buf, buf + n);
            within = 20ms;
        }
        return got;
    }
    void Write(const std::vector<uint8_t>& b) { ASSERT_EQ(write(master_, b.data(), b.size()), ssize_t(b.size())); }
    void Hangup()
    {
        close(master_);
        master_ = -1;
    }
    std::string slave_;

private:
    int master_ = -1;
};

struct Collector : ByteSink {
    void OnBytesReceived(const uint8_t* data, size_t len) override
    {
        std::lock_guard<std::mutex> lock(m);
        bytes.insert(bytes.end(), data, data + len);
        cv.notify_all();
    }
    bool WaitFor(size_t n)
    {
        std::unique_lock<std::mutex> lock(m);
        return cv.wait_for(lock, 2s, [&] { return bytes.size() >= n; });
    }
    std::mutex m;
    std::condition_variable cv;
    std::vector<uint8_t> bytes;
};

} // namespace

TEST(SerialLink, LineSettingsReachTheDevice)
{
    PtyPeer peer;
    CUSBSerialPort port;
    SerialLineSettings line;
    line.baud = 11500; // no B-constant for this rate
    line.parity = 'O';
    line.stopBits = 2;
    ASSERT_TRUE(port.Open(peer.slave_, line));

    const int fd = open(peer.slave_.c_str(), O_RDWR | O_NOCTTY);
    // The line is ours alone while it is open (root may still get in).
    if (fd >= 0) {
        termios t{};
        ASSERT_EQ(tcgetattr(fd, &t), 0);
        EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        // A pty has no parity generator and clears PARENB; the odd/even
        // choice stays.
        EXPECT_TRUE(t.c_cflag & PARODD);
        EXPECT_TRUE(t.c_cflag & CSTOPB);
        EXPECT_FALSE(t.c_cflag & CRTSCTS);
        EXPECT_FALSE(t.c_iflag & (IXON | IXOFF));
        EXPECT_FALSE(t.c_lflag & (ICANON | ECHO));
        close(fd);
    }
    port.Close();
    // Closed properly, the line opens again.
    EXPECT_TRUE(port.Open(peer.slave_, line));
}

TEST(SerialLink, WritesGoOutWholeOrNotAtAll)
{
    PtyPeer peer;
    CUSBSerialPort port;
    Collector sink;
    ASSERT_TRUE(port.Open(peer.slave_, SerialLineSettings{}));
    ASSERT_TRUE(port.StartMonitor(sink));

    std::vector<uint8_t> frame(261);
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i);
    port.Write(frame.data(), frame.size());
    EXPECT_EQ(peer.Read(500ms), frame);

    std::vector<uint8_t> tooBig(600, 0x55);
    port.Write(tooBig.data(), tooBig.size());
    EXPECT_TRUE(peer.Read(100ms).empty());

    peer.Write({1, 2, 3});
    ASSERT_TRUE(sink.WaitFor(3));
    EXPECT_EQ(sink.bytes, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(SerialLink, DeviceThatGoesAwayEndsTheMonitor)
{
    PtyPeer peer;
    CUSBSerialPort port;
    Collector sink;
    ASSERT_TRUE(port.Open(peer.slave_, SerialLineSettings{}));
    ASSERT_TRUE(port.StartMonitor(sink));
    EXPECT_TRUE(port.MonitorAlive());
    peer.Hangup();
    for (int i = 0; i < 200 && port.MonitorAlive(); ++i) std::this_thread::sleep_for(5ms);
    EXPECT_FALSE(port.MonitorAlive());
    // Later writes vanish without harm.
    const uint8_t b = 1;
    port.Write(&b, 1);
    port.Close();
}

TEST(SerialLink, OnlyTtysOpen)
{
    CUSBSerialPort port;
    EXPECT_FALSE(port.Open("/dev/null", SerialLineSettings{}));
    EXPECT_FALSE(port.Open("/nonexistent", SerialLineSettings{}));
    EXPECT_FALSE(port.Open("SERIAL123", SerialLineSettings{}));
}
