#include "sim/bt_module.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <deque>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace kavex::sim {

namespace {

constexpr uint8_t kRequestType = 0x52;
constexpr uint8_t kConfirmation = 0x43;
constexpr uint8_t kIndication = 0x69;

[[noreturn]] void ThrowErrno(const std::string& what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

Bytes DataIndication(const Bytes& frame)
{
    Bytes d{0x02, static_cast<uint8_t>(frame.size() & 0xFF), static_cast<uint8_t>(frame.size() >> 8)};
    d.insert(d.end(), frame.begin(), frame.end());
    return BuildModuleMessage(kIndication, 0x10, d);
}

} // namespace

Bytes BuildModuleMessage(uint8_t type, uint8_t code, const Bytes& data)
{
    Bytes m{0x02, type, code, static_cast<uint8_t>(data.size() & 0xFF), static_cast<uint8_t>(data.size() >> 8)};
    m.push_back(static_cast<uint8_t>(m[1] + m[2] + m[3] + m[4]));
    m.insert(m.end(), data.begin(), data.end());
    m.push_back(0x03);
    return m;
}

BtModulePty::BtModulePty(BtModuleConfig module, ReaderConfig reader, std::shared_ptr<Card> card)
    : sim_(std::move(reader), std::move(card)), config_(std::move(module))
{
}

BtModulePty::~BtModulePty()
{
    Stop();
}

void BtModulePty::Start(const std::string& link_path)
{
    if (thread_.joinable()) throw std::logic_error("BtModulePty already running");
    master_fd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_fd_ < 0) ThrowErrno("posix_openpt");
    if (::grantpt(master_fd_) != 0 || ::unlockpt(master_fd_) != 0) ThrowErrno("grantpt");
    char name[256];
    if (::ptsname_r(master_fd_, name, sizeof name) != 0) ThrowErrno("ptsname_r");
    slave_path_ = name;
    slave_fd_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_fd_ < 0) ThrowErrno("open " + slave_path_);
    termios tio{};
    if (::tcgetattr(slave_fd_, &tio) != 0) ThrowErrno("tcgetattr");
    ::cfmakeraw(&tio);
    if (::tcsetattr(slave_fd_, TCSANOW, &tio) != 0) ThrowErrno("tcsetattr");
    const int flags = ::fcntl(master_fd_, F_GETFL);
    if (flags < 0 || ::fcntl(master_fd_, F_SETFL, flags | O_NONBLOCK) != 0) ThrowErrno("fcntl");
    wake_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_fd_ < 0) ThrowErrno("eventfd");
    struct stat st {};
    if (::lstat(link_path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode))
        throw std::system_error(EEXIST, std::generic_category(), link_path + " exists and is not a symlink");
    ::unlink(link_path.c_str());
    if (::symlink(name, link_path.c_str()) != 0) ThrowErrno("symlink " + link_path);
    link_path_ = link_path;
    stop_ = false;
    thread_ = std::thread(&BtModulePty::Run, this);
}

void BtModulePty::Stop()
{
    if (thread_.joinable()) {
        stop_ = true;
        Wake();
        thread_.join();
        ::unlink(link_path_.c_str());
    }
    for (int* fd : {&master_fd_, &slave_fd_, &wake_fd_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

void BtModulePty::Wake()
{
    const uint64_t one = 1;
    while (wake_fd_ >= 0 && ::write(wake_fd_, &one, sizeof one) < 0 && errno == EINTR) {}
}

void BtModulePty::Disconnect()
{
    {
        std::lock_guard<std::mutex> lock(mu_);
        connected_ = false;
        QueueLocked(Clock::now(), BuildModuleMessage(kIndication, 0x0E, {0x00}));
    }
    Wake();
}

void BtModulePty::SendRaw(const Bytes& bytes)
{
    {
        std::lock_guard<std::mutex> lock(mu_);
        QueueLocked(Clock::now(), bytes);
    }
    Wake();
}

bool BtModulePty::Connected() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return connected_;
}

std::vector<BtRequest> BtModulePty::Requests() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return requests_;
}

std::vector<std::array<uint8_t, 6>> BtModulePty::ConnectRequests() const
{
    std::lock_guard<std::mutex> lock(mu_);
    std::vector<std::array<uint8_t, 6>> out;
    for (const BtRequest& r : requests_) {
        if (r.code != 0x0A || r.data.size() < 6) continue;
        std::array<uint8_t, 6> a{};
        std::copy(r.data.begin(), r.data.begin() + 6, a.begin());
        out.push_back(a);
    }
    return out;
}

void BtModulePty::QueueLocked(Clock::time_point due, Bytes bytes)
{
    out_.emplace(std::make_pair(due, out_seq_++), std::move(bytes));
}

const BtDevice* BtModulePty::FindLocked(const Bytes& data) const
{
    if (data.size() < 6) return nullptr;
    for (const BtDevice& d : config_.devices)
        if (std::equal(d.address.begin(), d.address.end(), data.begin())) return &d;
    return nullptr;
}

void BtModulePty::ReceiveLocked(const uint8_t* data, size_t len, Clock::time_point now)
{
    input_.insert(input_.end(), data, data + len);
    for (;;) {
        const auto start = std::find(input_.begin(), input_.end(), 0x02);
        input_.erase(input_.begin(), start);
        if (input_.size() < 6) return;
        const size_t n = input_[3] | static_cast<size_t>(input_[4]) << 8;
        const bool sound = static_cast<uint8_t>(input_[1] + input_[2] + input_[3] + input_[4]) == input_[5] &&
                           input_[1] == kRequestType;
        if (sound && input_.size() < n + 7) return;
        if (!sound || input_[6 + n] != 0x03) {
            input_.erase(input_.begin());
            continue;
        }
        BtRequest r{input_[2], Bytes(input_.begin() + 6, input_.begin() + 6 + static_cast<std::ptrdiff_t>(n)),
                    Bytes(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n + 7))};
        input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n + 7));
        requests_.push_back(r);
        HandleLocked(r, now);
    }
}

void BtModulePty::HandleLocked(const BtRequest& r, Clock::time_point now)
{
    switch (r.code) {
    case 0x26: QueueLocked(now, BuildModuleMessage(kIndication, 0x25, {0x00})); break;
    case 0x00:
        for (const BtDevice& d : config_.devices) {
            Bytes result(d.address.begin(), d.address.end());
            result.push_back(static_cast<uint8_t>(d.deviceClass & 0xFF));
            result.push_back(static_cast<uint8_t>(d.deviceClass >> 8 & 0xFF));
            result.push_back(static_cast<uint8_t>(d.deviceClass >> 16 & 0xFF));
            QueueLocked(now, BuildModuleMessage(kIndication, 0x01, result));
        }
        QueueLocked(now, BuildModuleMessage(kConfirmation, 0x00, {0x00}));
        break;
    case 0x02: {
        const BtDevice* d = FindLocked(r.data);
        Bytes answer{static_cast<uint8_t>(d ? 0x00 : 0x04)};
        answer.insert(answer.end(), r.data.begin(), r.data.begin() + std::min<size_t>(6, r.data.size()));
        answer.resize(7);
        const std::string name = d && names_answered_++ >= config_.emptyNames ? d->name : std::string();
        answer.push_back(static_cast<uint8_t>(name.size()));
        answer.insert(answer.end(), name.begin(), name.end());
        QueueLocked(now, BuildModuleMessage(kConfirmation, 0x02, answer));
        break;
    }
    case 0x0A: {
        const BtDevice* d = FindLocked(r.data);
        QueueLocked(now, BuildModuleMessage(kConfirmation, 0x0A, {0x00}));
        if (d) connected_ = true;
        QueueLocked(now + config_.connectDelay,
                    BuildModuleMessage(kIndication, 0x0B, {static_cast<uint8_t>(d ? 0 : 4)}));
        break;
    }
    case 0x0D:
        connected_ = false;
        QueueLocked(now, BuildModuleMessage(kConfirmation, 0x0D, {0x00}));
        QueueLocked(now, BuildModuleMessage(kIndication, 0x51, {0x00}));
        break;
    case 0x0F:
        QueueLocked(now, BuildModuleMessage(kConfirmation, 0x0F, {static_cast<uint8_t>(connected_ ? 0 : 1)}));
        if (connected_ && r.data.size() >= 3 && r.data[0] == 0x02) {
            const size_t len = std::min<size_t>(r.data[1] | r.data[2] << 8, r.data.size() - 3);
            sim_.Receive(r.data.data() + 3, len, now);
        }
        break;
    default: break;
    }
}

void BtModulePty::Run()
{
    std::deque<Bytes> queue;
    size_t offset = 0;
    uint8_t buf[4096];
    while (!stop_.load()) {
        const Clock::time_point now = Clock::now();
        {
            std::lock_guard<std::mutex> lock(mu_);
            while (!out_.empty() && out_.begin()->first.first <= now) {
                queue.push_back(std::move(out_.begin()->second));
                out_.erase(out_.begin());
            }
            for (Bytes& unit : sim_.TakeDueOutput(now))
                if (connected_) queue.push_back(DataIndication(unit));
        }
        while (!queue.empty()) {
            const Bytes& u = queue.front();
            const ssize_t n = ::write(master_fd_, u.data() + offset, u.size() - offset);
            if (n < 0) {
                if (errno == EINTR) continue;
                break; // EAGAIN: wait for POLLOUT
            }
            offset += static_cast<size_t>(n);
            if (offset == u.size()) {
                queue.pop_front();
                offset = 0;
            }
        }
        std::optional<Clock::time_point> due = sim_.NextOutputTime();
        {
            std::lock_guard<std::mutex> lock(mu_);
            if (!out_.empty() && (!due || out_.begin()->first.first < *due)) due = out_.begin()->first.first;
        }
        pollfd fds[2] = {{master_fd_, static_cast<short>(POLLIN | (queue.empty() ? 0 : POLLOUT)), 0},
                         {wake_fd_, POLLIN, 0}};
        timespec ts{};
        timespec* timeout = nullptr;
        if (due) {
            auto wait = std::max(*due - Clock::now(), Clock::duration::zero());
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
            ts.tv_sec = static_cast<time_t>(ns / 1000000000);
            ts.tv_nsec = static_cast<long>(ns % 1000000000);
            timeout = &ts;
        }
        if (::ppoll(fds, 2, timeout, nullptr) < 0) {
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
                if (n > 0) {
                    std::lock_guard<std::mutex> lock(mu_);
                    ReceiveLocked(buf, static_cast<size_t>(n), Clock::now());
                    continue;
                }
                if (n < 0 && errno == EINTR) continue;
                break;
            }
        }
    }
}

} // namespace kavex::sim
