#include "sdk/support/trace.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kavex {
namespace {

using Clock = std::chrono::steady_clock;
using Message = std::vector<uint8_t>;

// A private socket name per test, so that neither a real viewer on this
// machine nor a test running in parallel sees our messages.
std::string PrivateName(const char* tag)
{
    return std::string("kavex-test-") + tag + "-" + std::to_string(::getpid());
}

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        lockPath_ = "/tmp/" + PrivateName(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".lock";
        ::unlink(lockPath_.c_str());
        SetTraceLockPathForTesting(lockPath_);
    }
    void TearDown() override
    {
        SetTraceSocketNameForTesting("");
        SetTraceLockPathForTesting("");
        ::unlink(lockPath_.c_str());
    }
    std::string lockPath_;
};

// Binds a name like a viewer. Reading is optional: a viewer that never
// reads stands for one that does not keep up.
class FakeViewer {
public:
    explicit FakeViewer(const std::string& name)
    {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        const socklen_t length = TraceSocketAddress(name, &address);
        bound_ = fd_ >= 0 && length != 0 && ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), length) == 0;
        SetTraceSocketNameForTesting(name);
    }
    ~FakeViewer()
    {
        StopReading();
        if (fd_ >= 0) ::close(fd_);
    }
    bool bound() const { return bound_; }

    // The kernel queues only about ten datagrams for us, so anything longer
    // than 40 characters needs a reader running while TraceLine sends.
    void StartReading()
    {
        reader_ = std::thread([this] {
            for (;;) {
                const bool stopping = stop_.load();
                pollfd waiter{fd_, POLLIN, 0};
                if (::poll(&waiter, 1, stopping ? 0 : 10) <= 0) {
                    if (stopping) return;
                    continue;
                }
                ReadOne();
            }
        });
    }

    // The messages received since the last call. All messages of a
    // TraceLine that returned are queued already, so draining after it
    // returns sees every one that was sent.
    std::vector<Message> Collect()
    {
        StopReading();
        while (ReadOne()) {}
        std::lock_guard<std::mutex> guard(mutex_);
        return std::exchange(messages_, {});
    }

private:
    bool ReadOne()
    {
        uint8_t buffer[64];
        const ssize_t got = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0) return false;
        std::lock_guard<std::mutex> guard(mutex_);
        messages_.emplace_back(buffer, buffer + got);
        return true;
    }
    void StopReading()
    {
        stop_ = true;
        if (reader_.joinable()) reader_.join();
    }

    int fd_ = -1;
    bool bound_ = false;
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<Message> messages_;
};

Message Packed(const char (&four)[5])
{
    Message message = {0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) message.push_back(static_cast<uint8_t>(four[i]));
    return message;
}

std::string Text(const std::vector<Message>& messages)
{
    std::string text;
    for (const Message& message : messages) {
        if (message.size() != kTraceMessageSize) return "<bad message size>";
        for (size_t i = 4; i < 8; ++i) {
            if (message[i] != 0) text += static_cast<char>(message[i]);
        }
    }
    return text;
}

TEST_F(TraceTest, SendsFourBytesPerMessageLittleEndian)
{
    FakeViewer viewer(PrivateName("pack"));
    ASSERT_TRUE(viewer.bound());

    TraceLine("abcdefg");
    const std::vector<Message> seven = viewer.Collect();
    ASSERT_EQ(seven.size(), 2u);
    EXPECT_EQ(seven[0], Packed("abcd"));
    EXPECT_EQ(seven[1], Packed("efg\0"));

    // A multiple of four ends without a terminator message.
    TraceLine("%s%d", "Open", 1234);
    const std::vector<Message> eight = viewer.Collect();
    ASSERT_EQ(eight.size(), 2u);
    EXPECT_EQ(eight[0], Packed("Open"));
    EXPECT_EQ(eight[1], Packed("1234"));
}

TEST_F(TraceTest, EmptyTextSendsNothing)
{
    FakeViewer viewer(PrivateName("empty"));
    ASSERT_TRUE(viewer.bound());
    TraceLine("%s", "");
    EXPECT_TRUE(viewer.Collect().empty());
}

TEST_F(TraceTest, LongTextIsCutAt511Characters)
{
    FakeViewer viewer(PrivateName("long"));
    ASSERT_TRUE(viewer.bound());
    viewer.StartReading();

    std::string long_text;
    for (int i = 0; i < 600; ++i) long_text += static_cast<char>('A' + i % 26);
    TraceLine("%s", long_text.c_str());

    const std::vector<Message> messages = viewer.Collect();
    EXPECT_EQ(messages.size(), 128u);
    EXPECT_EQ(Text(messages), long_text.substr(0, 511));
}

TEST_F(TraceTest, WithoutViewerReturnsAtOnceAndKeepsErrno)
{
    SetTraceSocketNameForTesting(PrivateName("nobody"));
    const auto start = Clock::now();
    errno = ENOTTY;
    for (int i = 0; i < 100; ++i) TraceLine("Kavex_OpenPort(%s,%d,%d)", "COM3", 19200, 500);
    EXPECT_EQ(errno, ENOTTY);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(200));
}

TEST_F(TraceTest, ViewerThatDoesNotReadCannotStallTheCaller)
{
    FakeViewer viewer(PrivateName("stalled"));
    ASSERT_TRUE(viewer.bound());
    std::string long_text(400, 'x');

    const auto start = Clock::now();
    TraceLine("%s", long_text.c_str());
    TraceLine("%s", long_text.c_str());
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));

    // What did get through is whole messages from the start of the text.
    const std::vector<Message> messages = viewer.Collect();
    EXPECT_GT(messages.size(), 0u);
    EXPECT_LT(messages.size(), 200u);
    for (const Message& message : messages) EXPECT_EQ(message, Packed("xxxx"));
}

TEST_F(TraceTest, ConcurrentTracersDoNotInterleave)
{
    FakeViewer viewer(PrivateName("concurrent"));
    ASSERT_TRUE(viewer.bound());
    viewer.StartReading();

    const std::string a(64, 'a');
    const std::string b(64, 'b');
    std::thread other([&] {
        for (int i = 0; i < 20; ++i) TraceLine("%s", b.c_str());
    });
    for (int i = 0; i < 20; ++i) TraceLine("%s", a.c_str());
    other.join();

    const std::string text = Text(viewer.Collect());
    ASSERT_EQ(text.size(), 40 * 64u);
    for (size_t line = 0; line < 40; ++line) {
        const std::string chunk = text.substr(line * 64, 64);
        EXPECT_TRUE(chunk == a || chunk == b) << "line " << line << ": " << chunk;
    }
}

TEST_F(TraceTest, LineIsDroppedWhileAnotherTracerHoldsTheLock)
{
    FakeViewer viewer(PrivateName("locked"));
    ASSERT_TRUE(viewer.bound());

    // Created by the first trace, and usable by every user whatever the
    // umask of the process that happened to create it.
    const mode_t oldMask = ::umask(077);
    TraceLine("first\r\n");
    ::umask(oldMask);
    EXPECT_EQ(Text(viewer.Collect()), "first\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(lockPath_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666u);

    const int lockFd = ::open(lockPath_.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(lockFd, 0);
    ASSERT_EQ(::flock(lockFd, LOCK_EX), 0);
    const auto start = Clock::now();
    TraceLine("while locked\r\n");
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(viewer.Collect().empty());

    ::close(lockFd); // releases the lock, as a holder's death would
    TraceLine("after\r\n");
    EXPECT_EQ(Text(viewer.Collect()), "after\r\n");
}

// --- the kavex-trace program ----------------------------------------------

class ViewerProcess {
public:
    explicit ViewerProcess(const std::string& name)
    {
        int pipeFds[2];
        if (::pipe2(pipeFds, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        const std::string program = KAVEX_TRACE_PROGRAM;
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("--name"),
                        const_cast<char*>(name.c_str()), nullptr};
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        out_ = pipeFds[0];
    }
    ~ViewerProcess()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) ::close(out_);
    }
    bool started() const { return pid_ > 0; }

    // Reads stdout until it holds `expected` or the time is up.
    std::string ReadUntil(const std::string& expected, std::chrono::milliseconds limit)
    {
        const auto deadline = Clock::now() + limit;
        while (output_.find(expected) == std::string::npos && Clock::now() < deadline) {
            pollfd waiter{out_, POLLIN, 0};
            if (::poll(&waiter, 1, 50) <= 0) continue;
            char buffer[256];
            const ssize_t got = ::read(out_, buffer, sizeof buffer);
            if (got <= 0) break;
            output_.append(buffer, static_cast<size_t>(got));
        }
        return output_;
    }

    // Exit status, or -1 when it did not exit normally in time.
    int WaitExit(std::chrono::milliseconds limit)
    {
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }
    void Signal(int signal) { ::kill(pid_, signal); }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string output_;
};

bool WaitUntilListening(const std::string& name)
{
    sockaddr_un address{};
    const socklen_t length = TraceSocketAddress(name, &address);
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const bool listening = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
        ::close(fd);
        if (listening) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST_F(TraceTest, ViewerProgramPrintsTracedLines)
{
    const std::string name = PrivateName("program");
    ViewerProcess viewer(name);
    ASSERT_TRUE(viewer.started());
    ASSERT_TRUE(WaitUntilListening(name));
    SetTraceSocketNameForTesting(name);

    // The open trace has no line end of its own; "\r\n" straddles a
    // message boundary in the second text.
    TraceLine("Kavex_OpenPort(%s,%d,%d)", "COM3", 19200, 500);
    TraceLine(" = %d\r\n", 1);
    TraceLine("Kavex_ClosePort(%d)\r\n", 1);
    const std::string expected = "Kavex_OpenPort(COM3,19200,500) = 1\nKavex_ClosePort(1)\n";
    EXPECT_EQ(viewer.ReadUntil(expected, std::chrono::seconds(10)), expected);

    viewer.Signal(SIGTERM);
    EXPECT_EQ(viewer.WaitExit(std::chrono::seconds(10)), 0);
}

TEST_F(TraceTest, ViewerProgramRefusesATakenName)
{
    FakeViewer first(PrivateName("taken"));
    ASSERT_TRUE(first.bound());
    ViewerProcess second(PrivateName("taken"));
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.WaitExit(std::chrono::seconds(10)), 1);
}

} // namespace
} // namespace kavex
