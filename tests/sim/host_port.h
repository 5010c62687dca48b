// Test helpers: the host side of a simulated reader's pseudo-terminal,
// opened by path with plain termios, as the SDK would.
#pragma once

#include "sim/frames.h"
#include "tests/support/sim_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace kavex::sim::testing {

using kavex::test::UniqueLinkPath;

inline bool PathExists(const std::string& p)
{
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0;
}

// The host side: the serial device opened by path with plain termios.
class HostPort {
public:
    explicit HostPort(const std::string& path)
    {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) return;
        termios t{};
        ::tcgetattr(fd_, &t);
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, B19200);
        ::cfsetospeed(&t, B19200);
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        ::tcsetattr(fd_, TCSANOW, &t);
        ::tcflush(fd_, TCIOFLUSH);
    }
    ~HostPort() { Close(); }
    void Close()
    {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    void Write(const Bytes& b) { ASSERT_EQ(::write(fd_, b.data(), b.size()), static_cast<ssize_t>(b.size())); }

    // Reads whatever arrives until `n` bytes are there or the time is up.
    Bytes Read(size_t n, std::chrono::milliseconds timeout)
    {
        Bytes out;
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (out.size() < n) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
            uint8_t buf[512];
            const ssize_t k = ::read(fd_, buf, sizeof buf);
            if (k <= 0) break;
            out.insert(out.end(), buf, buf + k);
        }
        return out;
    }

    // Reads one complete answer frame.
    std::optional<DecodedAnswer> ReadAnswer(int variant, std::chrono::milliseconds timeout = std::chrono::seconds(1))
    {
        Bytes acc;
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end) {
            if (auto d = DecodeAnswerFrame(variant, acc)) return d;
            const Bytes more =
                Read(acc.size() + 1,
                     std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()));
            if (more.empty()) break;
            acc.insert(acc.end(), more.begin(), more.end());
        }
        return DecodeAnswerFrame(variant, acc);
    }

    // One request, one answer.
    std::optional<DecodedAnswer> Ask(int variant, uint8_t command, const Bytes& data = {})
    {
        Write(BuildRequestFrame(variant, 1, command, data));
        return ReadAnswer(variant);
    }

private:
    int fd_ = -1;
};

} // namespace kavex::sim::testing
