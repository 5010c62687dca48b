#include "sdk/support/trace.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kavex {
namespace {

using Clock = std::chrono::steady_clock;

// A viewer's receive queue holds only about ten datagrams, so a line of
// any length needs it to read while we send. A viewer that makes no
// progress for kStallBudget, or needs more than kLineBudget for the whole
// line, costs us that line rather than stalling the SDK call.
constexpr auto kStallBudget = std::chrono::milliseconds(100);
constexpr auto kLineBudget = std::chrono::milliseconds(1000);

// Another process holds the lock only while it sends one line (bounded by
// kLineBudget), so waiting longer than this means it is stopped in a
// debugger or similar; we drop our line rather than wait for it.
constexpr auto kLockBudget = std::chrono::milliseconds(1500);

std::mutex g_settingsMutex;

std::string& SocketName()
{
    static std::string name = kTraceSocketName;
    return name;
}

std::string& LockPath()
{
    static std::string path = kTraceLockPath;
    return path;
}

std::string CurrentSocketName()
{
    std::lock_guard<std::mutex> guard(g_settingsMutex);
    return SocketName();
}

std::string CurrentLockPath()
{
    std::lock_guard<std::mutex> guard(g_settingsMutex);
    return LockPath();
}

class UniqueFd {
public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    int fd_;
};

// Keeps the texts of tracing processes (and threads: each holder opens its
// own file description) from interleaving at the viewer. flock() rather
// than a named semaphore because the kernel drops it when a holder dies.
class TraceLock {
public:
    TraceLock() : fd_(OpenLockFile())
    {
        if (!fd_.valid()) return;
        const auto deadline = Clock::now() + kLockBudget;
        for (;;) {
            if (::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0) {
                held_ = true;
                return;
            }
            if (errno != EWOULDBLOCK && errno != EINTR) return;
            if (Clock::now() >= deadline) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~TraceLock()
    {
        if (held_) ::flock(fd_.get(), LOCK_UN);
    }
    TraceLock(const TraceLock&) = delete;
    TraceLock& operator=(const TraceLock&) = delete;

    // Without a lock file at all we cannot coordinate, and tracing anyway
    // beats losing every line; only a lock that someone else keeps holding
    // is a reason to drop ours.
    bool MaySend() const { return held_ || !fd_.valid(); }

private:
    static int OpenLockFile()
    {
        const std::string path = CurrentLockPath();
        // Read-only is enough for flock(). Opening the existing file without
        // O_CREAT matters: with fs.protected_regular, O_CREAT on another
        // user's file in sticky /tmp fails even though the file is 0666.
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd >= 0 || errno != ENOENT) return fd;
        fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0) {
            // The umask would otherwise lock other users' tracers out.
            ::fchmod(fd, 0666);
            return fd;
        }
        if (errno == EEXIST) return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        return -1;
    }

    UniqueFd fd_;
    bool held_ = false;
};

bool SendMessage(int fd, const uint8_t (&message)[kTraceMessageSize], Clock::time_point lineDeadline)
{
    const auto deadline = std::min(lineDeadline, Clock::now() + kStallBudget);
    for (;;) {
        const ssize_t sent = ::send(fd, message, sizeof message, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent == static_cast<ssize_t>(sizeof message)) return true;
        if (sent >= 0) return false;
        if (errno == EINTR) continue;
        // Anything but a full queue (the viewer quit, for one) ends the line.
        if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd waiter{fd, POLLOUT, 0};
        ::poll(&waiter, 1, static_cast<int>(left.count()) + 1);
    }
}

void Send(const char* text, size_t length)
{
    if (length == 0) return;

    sockaddr_un address{};
    const socklen_t addressLength = TraceSocketAddress(CurrentSocketName(), &address);
    if (addressLength == 0) return;

    UniqueFd sock(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!sock.valid()) return;
    // The cheap common case: no viewer runs, connect() is refused at once.
    if (::connect(sock.get(), reinterpret_cast<const sockaddr*>(&address), addressLength) != 0) return;

    TraceLock lock;
    if (!lock.MaySend()) return;

    const auto deadline = Clock::now() + kLineBudget;
    for (size_t pos = 0; pos < length; pos += 4) {
        uint8_t message[kTraceMessageSize] = {};
        const size_t chunk = std::min<size_t>(4, length - pos);
        // First word 0; the second holds the text bytes little-endian,
        // which on the wire is simply text order with zero padding.
        std::memcpy(message + 4, text + pos, chunk);
        if (!SendMessage(sock.get(), message, deadline)) return;
    }
}

} // namespace

socklen_t TraceSocketAddress(const std::string& name, sockaddr_un* address)
{
    *address = sockaddr_un{};
    address->sun_family = AF_UNIX;
    // Leading NUL selects the abstract namespace; the name is not terminated.
    if (name.empty() || name.size() + 1 > sizeof address->sun_path) return 0;
    std::memcpy(address->sun_path + 1, name.data(), name.size());
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
}

void SetTraceSocketNameForTesting(const std::string& name)
{
    std::lock_guard<std::mutex> guard(g_settingsMutex);
    SocketName() = name.empty() ? std::string(kTraceSocketName) : name;
}

void SetTraceLockPathForTesting(const std::string& path)
{
    std::lock_guard<std::mutex> guard(g_settingsMutex);
    LockPath() = path.empty() ? std::string(kTraceLockPath) : path;
}

void TraceLine(const char* fmt, ...)
{
    if (fmt == nullptr) return;
    // Tracing sits between a failing call and the caller's look at errno.
    const int savedErrno = errno;

    char text[kTraceMaxText + 1];
    va_list args;
    va_start(args, fmt);
    const int formatted = std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    if (formatted > 0) Send(text, std::strlen(text));

    errno = savedErrno;
}

} // namespace kavex
