// Opens and closes reach a listening trace viewer as readable lines.
#include <gtest/gtest.h>

#include <atomic>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "kavex.h"
#include "tests/support/sim_reader.h"
#include "sdk/support/trace.h"

namespace {

// Binds a private name like the viewer program and unpacks the four text
// bytes of every message.
class Viewer {
public:
    explicit Viewer(const std::string& name)
    {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        const socklen_t len = kavex::TraceSocketAddress(name, &address);
        bound_ = ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), len) == 0;
        kavex::SetTraceSocketNameForTesting(name);
        reader_ = std::thread([this] {
            while (!stop_) {
                pollfd p{fd_, POLLIN, 0};
                if (::poll(&p, 1, 20) <= 0) continue;
                uint8_t m[16];
                const ssize_t n = ::recv(fd_, m, sizeof m, 0);
                if (n != 8) continue;
                for (int i = 4; i < 8; ++i)
                    if (m[i]) text_ += static_cast<char>(m[i]);
            }
        });
    }
    ~Viewer()
    {
        kavex::SetTraceSocketNameForTesting("");
        ::close(fd_);
    }
    std::string Stop()
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        stop_ = true;
        reader_.join();
        return text_;
    }
    bool bound_ = false;

private:
    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::thread reader_;
    std::string text_;
};

} // namespace

TEST(Trace, OpenAndCloseAreTraced)
{
    kavex::test::SimReader r(kavex::test::Variant(0));
    Viewer viewer("kavex-test-open-trace-" + std::to_string(getpid()));
    ASSERT_TRUE(viewer.bound_);
    const int h = Kavex_OpenPort(r.link.c_str(), 19200, 200);
    ASSERT_GT(h, 0);
    Kavex_ClosePort(h);
    EXPECT_EQ(Kavex_OpenPort("my BTW", 19200, 200), -1);
    const std::string expected = "Kavex_OpenPort(" + r.link + ",19200,200) = " + std::to_string(h) +
                                 "\r\nKavex_ClosePort(" + std::to_string(h) + ")\r\n" +
                                 "Kavex_OpenPort(my BTW,19200,200) = -1\r\n";
    EXPECT_EQ(viewer.Stop(), expected);
}
