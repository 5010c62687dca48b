#include "sim/pty_reader.h"

#include "sim/line_timing.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <deque>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace kavex::sim {

namespace {

[[noreturn]] void ThrowErrno(const std::string& what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

void CloseFd(int& fd)
{
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// True when `link` is a symlink whose target is `target`.
bool LinkPointsTo(const std::string& link, const std::string& target)
{
    char buf[4096];
    const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
    if (n < 0) return false;
    buf[n] = 0;
    return target == buf;
}

// Bytes crossing the emulated line in one direction, each with the time its
// last stop bit is through.
class TimedLine {
public:
    // Bytes due this close together go out together, at the time the last
    // of them is due: one wake-up per burst rather than per byte, and no
    // byte early.
    static constexpr Clock::duration kBurst = std::chrono::milliseconds(1);

    // Queues bytes that enter the line at `start` (or once it is free).
    // The last of them always ends a burst: a frame is through exactly when
    // the line has carried it.
    void Add(const uint8_t* data, size_t size, Clock::time_point start, Clock::duration char_time)
    {
        Clock::time_point t = std::max(start, free_);
        for (size_t i = 0; i < size; ++i) {
            t += char_time;
            bytes_.push_back({t, data[i], i + 1 == size});
        }
        free_ = t;
    }
    // Hands each byte through by `now` to `receive` with its own time: a
    // thread that wakes late must not make the bytes it catches up on look
    // like a pause in the middle of a frame.
    template <class Receive>
    void TakeDueEach(Clock::time_point now, Receive&& receive)
    {
        while (!bytes_.empty() && bytes_.front().due <= now) {
            receive(bytes_.front().byte, bytes_.front().due);
            bytes_.pop_front();
        }
    }
    // Moves the bytes through by `now` to `out`; *last gets the time the
    // last of them was through.
    void TakeDue(Clock::time_point now, Bytes& out, Clock::time_point* last)
    {
        while (!bytes_.empty() && bytes_.front().due <= now) {
            *last = bytes_.front().due;
            out.push_back(bytes_.front().byte);
            bytes_.pop_front();
        }
    }
    // When the next burst is due.
    std::optional<Clock::time_point> Next() const
    {
        if (bytes_.empty()) return std::nullopt;
        Clock::time_point next = bytes_.front().due;
        for (const Timed& b : bytes_) {
            if (b.due > bytes_.front().due + kBurst) break;
            next = b.due;
            if (b.endsBurst) break;
        }
        return next;
    }

private:
    struct Timed {
        Clock::time_point due;
        uint8_t byte;
        bool endsBurst;
    };
    std::deque<Timed> bytes_;
    Clock::time_point free_{};
};

Clock::duration CharTimeOf(int fd)
{
    const std::optional<LineTiming> timing = ReadLineTiming(fd);
    return timing ? std::chrono::duration_cast<Clock::duration>(timing->CharTime()) : Clock::duration::zero();
}

} // namespace

PtyReader::PtyReader(ReaderConfig config, std::shared_ptr<Card> card) : sim_(std::move(config), std::move(card)) {}

PtyReader::~PtyReader()
{
    Stop();
}

bool PtyReader::Running() const
{
    return thread_.joinable() && !stop_.load();
}

bool PtyReader::WaitUntilWritten(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(written_mu_);
    return written_cv_.wait_for(lock, timeout, [this] { return written_; });
}

void PtyReader::SetWritten(bool written)
{
    {
        std::lock_guard<std::mutex> lock(written_mu_);
        written_ = written;
    }
    if (written) written_cv_.notify_all();
}

void PtyReader::Start(const std::string& link_path)
{
    std::lock_guard<std::mutex> lock(control_mu_);
    // A thread that ended on a hang-up has closed its pty already.
    if (thread_.joinable() && stop_.load()) thread_.join();
    if (thread_.joinable()) throw std::logic_error("PtyReader already running");
    if (link_path.empty()) throw std::invalid_argument("PtyReader: empty link path");

    struct Guard {
        PtyReader* self;
        bool armed = true;
        ~Guard()
        {
            if (armed) self->CloseFds();
        }
    } guard{this};

    master_fd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_fd_ < 0) ThrowErrno("posix_openpt");
    if (::grantpt(master_fd_) != 0) ThrowErrno("grantpt");
    if (::unlockpt(master_fd_) != 0) ThrowErrno("unlockpt");
    char name[256];
    if (::ptsname_r(master_fd_, name, sizeof name) != 0) ThrowErrno("ptsname_r");
    slave_path_ = name;

    // Our own slave fd: keeps the line alive while the host opens and
    // closes its side, and carries the raw-mode settings.
    slave_fd_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_fd_ < 0) ThrowErrno("open " + slave_path_);
    termios tio{};
    if (::tcgetattr(slave_fd_, &tio) != 0) ThrowErrno("tcgetattr");
    ::cfmakeraw(&tio);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(slave_fd_, TCSANOW, &tio) != 0) ThrowErrno("tcsetattr");

    const int flags = ::fcntl(master_fd_, F_GETFL);
    if (flags < 0 || ::fcntl(master_fd_, F_SETFL, flags | O_NONBLOCK) != 0) ThrowErrno("fcntl O_NONBLOCK");

    wake_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_fd_ < 0) ThrowErrno("eventfd");

    // The link: replace a stale symlink atomically; refuse anything else.
    struct stat st {};
    if (::lstat(link_path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode))
        throw std::system_error(EEXIST, std::generic_category(), link_path + " exists and is not a symlink");
    const std::string tmp = link_path + ".kavexsim-" + std::to_string(::getpid()) + "-" + std::to_string(master_fd_);
    ::unlink(tmp.c_str());
    if (::symlink(name, tmp.c_str()) != 0) ThrowErrno("symlink " + tmp);
    if (::rename(tmp.c_str(), link_path.c_str()) != 0) {
        const int e = errno;
        ::unlink(tmp.c_str());
        throw std::system_error(e, std::generic_category(), "rename to " + link_path);
    }
    link_path_ = link_path;

    sim_.DiscardPendingOutput();
    stop_ = false;
    try {
        thread_ = std::thread(&PtyReader::Run, this);
    } catch (...) {
        if (LinkPointsTo(link_path_, slave_path_)) ::unlink(link_path_.c_str());
        throw;
    }
    guard.armed = false;
}

void PtyReader::Stop()
{
    Shutdown(true);
}

void PtyReader::Vanish()
{
    Shutdown(true);
}

void PtyReader::SetLineEmulation(bool on)
{
    line_emulation_ = on;
    std::lock_guard<std::mutex> lock(control_mu_);
    if (thread_.joinable()) Wake();
}

void PtyReader::Wake()
{
    const uint64_t one = 1;
    while (::write(wake_fd_, &one, sizeof one) < 0 && errno == EINTR) {}
}

void PtyReader::Shutdown(bool remove_link)
{
    std::lock_guard<std::mutex> lock(control_mu_);
    if (!thread_.joinable()) {
        CloseFds();
        return;
    }
    stop_ = true;
    Wake();
    thread_.join();
    // The link goes first, so a host that reacts to the hang-up by reopening
    // finds no device.
    if (remove_link && LinkPointsTo(link_path_, slave_path_)) ::unlink(link_path_.c_str());
    CloseFds();
    sim_.DiscardPendingOutput();
    SetWritten(true);
}

// On the I/O thread: the line goes as in Vanish(), the link first.
void PtyReader::HangUp()
{
    if (LinkPointsTo(link_path_, slave_path_)) ::unlink(link_path_.c_str());
    CloseFd(master_fd_);
    CloseFd(slave_fd_);
    sim_.DiscardPendingOutput();
    stop_ = true;
    SetWritten(true);
}

void PtyReader::CloseFds()
{
    CloseFd(master_fd_);
    CloseFd(slave_fd_);
    CloseFd(wake_fd_);
}

void PtyReader::Run()
{
    // Line emulation wakes the thread for every burst, a millisecond or
    // less apart; the default slack of 50 us would make each of them late.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    std::deque<Bytes> queue; // write units not yet (fully) written
    size_t offset = 0;       // bytes of queue.front() already written
    uint8_t buf[4096];
    bool master_ok = true;
    TimedLine to_reader, to_host; // line emulation only
    Bytes through;                // what was still on the line when emulation was switched off

    while (!stop_.load()) {
        const bool emulate = line_emulation_.load();
        Clock::time_point now = Clock::now();
        if (emulate) {
            // The request bytes the line has carried by now, each at the
            // time it was through.
            Clock::time_point last{};
            to_reader.TakeDueEach(now, [this](uint8_t b, Clock::time_point due) { sim_.Receive(&b, 1, due); });
            auto units = sim_.TakeDueOutputWithTimes(Clock::now());
            if (!units.empty()) {
                const Clock::duration char_time = CharTimeOf(slave_fd_);
                for (auto& [due, u] : units) to_host.Add(u.data(), u.size(), due, char_time);
            }
            now = Clock::now();
            Bytes unit;
            to_host.TakeDue(now, unit, &last);
            if (!unit.empty() && master_ok) queue.push_back(std::move(unit));
        } else {
            // Switched off: what is still on the emulated line passes at once.
            if (to_reader.Next()) {
                Clock::time_point last{};
                through.clear();
                to_reader.TakeDue(Clock::time_point::max(), through, &last);
                sim_.Receive(through, now);
            }
            if (to_host.Next()) {
                Bytes unit;
                Clock::time_point last{};
                to_host.TakeDue(Clock::time_point::max(), unit, &last);
                if (master_ok) queue.push_back(std::move(unit));
            }
            for (Bytes& u : sim_.TakeDueOutput(now))
                if (master_ok) queue.push_back(std::move(u));
        }
        while (master_ok && !queue.empty()) {
            const Bytes& u = queue.front();
            const ssize_t n = ::write(master_fd_, u.data() + offset, u.size() - offset);
            if (n < 0) {
                if (errno == EINTR) continue;
                if (errno == EAGAIN) break; // wait for POLLOUT
                queue.clear();              // the line is gone; drop the output
                offset = 0;
                break;
            }
            offset += static_cast<size_t>(n);
            if (offset == u.size()) {
                queue.pop_front();
                offset = 0;
            }
        }

        SetWritten(!master_ok || (queue.empty() && !sim_.HasPendingOutput()));

        pollfd fds[2];
        fds[0].fd = master_ok ? master_fd_ : -1;
        fds[0].events = static_cast<short>(POLLIN | (queue.empty() ? 0 : POLLOUT));
        fds[0].revents = 0;
        fds[1].fd = wake_fd_;
        fds[1].events = POLLIN;
        fds[1].revents = 0;

        timespec ts{};
        timespec* timeout = nullptr;
        std::optional<Clock::time_point> due = sim_.NextOutputTime();
        for (const auto& line : {to_reader.Next(), to_host.Next()})
            if (line && (!due || *line < *due)) due = line;
        if (due) {
            auto wait = *due - Clock::now();
            if (wait < Clock::duration::zero()) wait = Clock::duration::zero();
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
            ts.tv_sec = static_cast<time_t>(ns / 1000000000);
            ts.tv_nsec = static_cast<long>(ns % 1000000000);
            timeout = &ts;
        }
        const int r = ::ppoll(fds, 2, timeout, nullptr);
        if (r < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[1].revents & POLLIN) {
            uint64_t v;
            while (::read(wake_fd_, &v, sizeof v) < 0 && errno == EINTR) {}
        }
        if (fds[0].revents & POLLIN) {
            for (;;) {
                const ssize_t n = ::read(master_fd_, buf, sizeof buf);
                if (n > 0 && emulate) {
                    to_reader.Add(buf, static_cast<size_t>(n), Clock::now(), CharTimeOf(slave_fd_));
                    continue;
                }
                if (n > 0) {
                    sim_.Receive(buf, static_cast<size_t>(n), Clock::now());
                    if (sim_.TakeHangUp()) return HangUp();
                    continue;
                }
                if (n < 0 && errno == EINTR) continue;
                if (n < 0 && errno == EAGAIN) break; // drained
                master_ok = false;                   // EOF/EIO: cannot happen while we hold the slave
                break;
            }
        } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            // Cannot happen while we hold the slave open; never spin on it.
            master_ok = false;
            queue.clear();
            offset = 0;
        }
    }
}

} // namespace kavex::sim
