#include "sim/pn532_pty.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <deque>
#include <numeric>
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

constexpr uint8_t kHostToPn532 = 0xD4;
constexpr uint8_t kPn532ToHost = 0xD5;

// Status bytes of the In... commands.
constexpr uint8_t kTimeout = 0x01;
constexpr uint8_t kWrongContext = 0x27;

constexpr uint8_t kAutoRats = 0x10;
constexpr uint8_t kMoreInformation = 0x40;
constexpr uint8_t kRats = 0xE0;

enum Command : uint8_t {
    kDiagnose = 0x00,
    kGetFirmwareVersion = 0x02,
    kGetGeneralStatus = 0x04,
    kReadRegister = 0x06,
    kWriteRegister = 0x08,
    kReadGpio = 0x0C,
    kWriteGpio = 0x0E,
    kSetSerialBaudRate = 0x10,
    kSetParameters = 0x12,
    kSamConfiguration = 0x14,
    kPowerDown = 0x16,
    kRfConfiguration = 0x32,
    kInDataExchange = 0x40,
    kInCommunicateThru = 0x42,
    kInDeselect = 0x44,
    kInListPassiveTarget = 0x4A,
    kInSelect = 0x4E,
    kInRelease = 0x52,
    kInPsl = 0x4C,
};

// IC PN532, firmware 1.6, supports ISO/IEC 14443 type A and B and ISO 18092.
const Bytes kFirmware{0x32, 0x01, 0x06, 0x07};
// The application level error frame (syntax error or unknown command).
const Bytes kErrorFrame{0x00, 0x00, 0xFF, 0x01, 0xFF, 0x7F, 0x81, 0x00};

uint8_t Sum(Bytes::const_iterator from, Bytes::const_iterator to)
{
    return static_cast<uint8_t>(std::accumulate(from, to, 0u));
}

// A UID as the anticollision cascade shows it: a cascade tag 0x88 before
// the first three bytes of each level but the last. Hosts select with it.
Bytes CascadeForm(const Bytes& uid)
{
    Bytes c;
    size_t at = 0;
    for (size_t left = uid.size(); left > 4; left -= 3, at += 3) {
        c.push_back(0x88);
        c.insert(c.end(), uid.begin() + static_cast<std::ptrdiff_t>(at),
                 uid.begin() + static_cast<std::ptrdiff_t>(at + 3));
    }
    c.insert(c.end(), uid.begin() + static_cast<std::ptrdiff_t>(at), uid.end());
    return c;
}

[[noreturn]] void ThrowErrno(const std::string& what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

} // namespace

Bytes Pn532Frame(const Bytes& body)
{
    Bytes f{0x00, 0x00, 0xFF};
    if (body.size() > 255) {
        const uint8_t m = static_cast<uint8_t>(body.size() >> 8), l = static_cast<uint8_t>(body.size() & 0xFF);
        f.insert(f.end(), {0xFF, 0xFF, m, l, static_cast<uint8_t>(-(m + l))});
    } else {
        const uint8_t len = static_cast<uint8_t>(body.size());
        f.insert(f.end(), {len, static_cast<uint8_t>(-len)});
    }
    f.insert(f.end(), body.begin(), body.end());
    f.push_back(static_cast<uint8_t>(-Sum(body.begin(), body.end())));
    f.push_back(0x00);
    return f;
}

Bytes Pn532Ack()
{
    return {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00};
}

Pn532Pty::Pn532Pty(std::shared_ptr<Card> card) : slot_(std::move(card)) {}

Pn532Pty::~Pn532Pty()
{
    Stop();
}

void Pn532Pty::Start(const std::string& link_path)
{
    if (thread_.joinable()) throw std::logic_error("Pn532Pty already running");
    master_fd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_fd_ < 0) ThrowErrno("posix_openpt");
    if (::grantpt(master_fd_) != 0 || ::unlockpt(master_fd_) != 0) ThrowErrno("grantpt");
    char name[256];
    if (::ptsname_r(master_fd_, name, sizeof name) != 0) ThrowErrno("ptsname_r");
    slave_path_ = name;
    // Our own slave fd keeps the line up while hosts open and close it.
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
    thread_ = std::thread(&Pn532Pty::Run, this);
}

void Pn532Pty::Stop()
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

bool Pn532Pty::FieldOn() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return fieldOn_;
}

void Pn532Pty::Wake()
{
    const uint64_t one = 1;
    while (wake_fd_ >= 0 && ::write(wake_fd_, &one, sizeof one) < 0 && errno == EINTR) {}
}

void Pn532Pty::QueueLocked(Clock::time_point due, Bytes bytes)
{
    out_.emplace(std::make_pair(due, outSeq_++), std::move(bytes));
}

void Pn532Pty::ReceiveLocked(const uint8_t* data, size_t len, Clock::time_point now)
{
    input_.insert(input_.end(), data, data + len);
    for (;;) {
        size_t start = 0;
        while (start + 1 < input_.size() && !(input_[start] == 0x00 && input_[start + 1] == 0xFF)) ++start;
        input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(start));
        if (input_.size() < 4) return;
        const uint8_t a = input_[2], b = input_[3];
        if (a == 0x00 && b == 0xFF) { // ACK: the host gives up the command
            input_.erase(input_.begin(), input_.begin() + 4);
            out_.clear();
            continue;
        }
        if (a == 0xFF && b == 0x00) { // NACK: the last answer again
            input_.erase(input_.begin(), input_.begin() + 4);
            if (!lastAnswer_.empty()) QueueLocked(now, lastAnswer_);
            continue;
        }
        size_t head = 4, size = a;
        if (a == 0xFF && b == 0xFF) {
            if (input_.size() < 7) return;
            head = 7;
            size = static_cast<size_t>(input_[4]) << 8 | input_[5];
            if (static_cast<uint8_t>(input_[4] + input_[5] + input_[6]) != 0) size = 0;
        } else if (static_cast<uint8_t>(a + b) != 0) {
            size = 0;
        }
        if (size == 0) { // not a frame after all: look for the next start code
            input_.erase(input_.begin(), input_.begin() + 2);
            continue;
        }
        if (input_.size() < head + size + 1) return;
        const auto body = input_.begin() + static_cast<std::ptrdiff_t>(head);
        const auto end = body + static_cast<std::ptrdiff_t>(size);
        const bool sound = static_cast<uint8_t>(Sum(body, end) + *end) == 0 && *body == kHostToPn532 && size >= 2;
        const Bytes frame(body, end);
        input_.erase(input_.begin(), end + 1);
        if (!sound) {
            slot_.Note("PN532: frame dropped (checksum or direction): " + ToHex(frame));
            continue;
        }
        QueueLocked(now, Pn532Ack());
        HandleLocked(frame[1], Bytes(frame.begin() + 2, frame.end()), now);
    }
}

void Pn532Pty::FieldLocked(bool on)
{
    if (on == fieldOn_) return;
    fieldOn_ = on;
    selected_ = false;
    chained_.clear();
    if (!on) slot_.PowerOff();
    slot_.Note(on ? "PN532: RF field on" : "PN532: RF field off");
}

Bytes Pn532Pty::ListPassiveTargetLocked(const Bytes& data)
{
    if (data[1] != 0x00) return {0x00}; // only 106 kbps type A cards here
    const bool powerUp = !fieldOn_;
    FieldLocked(true);
    selected_ = false;
    const auto card = slot_.Activate(powerUp);
    if (!card) return {0x00};
    const Bytes wanted(data.begin() + 2, data.end());
    if (!wanted.empty() && wanted != card->uid && wanted != CascadeForm(card->uid)) return {0x00};
    Bytes r{0x01,
            0x01,
            static_cast<uint8_t>(card->atqa >> 8),
            static_cast<uint8_t>(card->atqa & 0xFF),
            card->sak,
            static_cast<uint8_t>(card->uid.size())};
    r.insert(r.end(), card->uid.begin(), card->uid.end());
    ats_ = (card->sak & 0x20) ? card->ats : Bytes{};
    if (!ats_.empty() && (parameters_ & kAutoRats)) {
        r.push_back(static_cast<uint8_t>(ats_.size() + 1));
        r.insert(r.end(), ats_.begin(), ats_.end());
    }
    selected_ = true;
    slot_.Note("PN532: card selected, UID " + ToHex(card->uid));
    return r;
}

Bytes Pn532Pty::DataExchangeLocked(const Bytes& data, CardSlot::Answer* answer)
{
    if (!selected_ || (data[0] & 0x3F) != 0x01) return {kWrongContext};
    chained_.insert(chained_.end(), data.begin() + 1, data.end());
    if (data[0] & kMoreInformation) return {0x00};
    const Bytes request = std::move(chained_);
    chained_.clear();
    *answer = LooksLikeApdu(request) ? slot_.Apdu(request) : slot_.Native(request);
    if (answer->mute) return {kTimeout};
    Bytes r{0x00};
    r.insert(r.end(), answer->bytes.begin(), answer->bytes.end());
    return r;
}

void Pn532Pty::HandleLocked(uint8_t command, const Bytes& data, Clock::time_point now)
{
    Bytes r;
    CardSlot::Answer answer;
    auto error = [&] {
        QueueLocked(now, kErrorFrame);
        lastAnswer_ = kErrorFrame;
    };
    switch (command) {
    case kDiagnose:
        if (data.empty()) return error();
        r = data[0] == 0x00 ? data : Bytes{0x00};
        break;
    case kGetFirmwareVersion: r = kFirmware; break;
    case kGetGeneralStatus:
        r = {0x00, static_cast<uint8_t>(fieldOn_), static_cast<uint8_t>(selected_)};
        if (selected_) r.insert(r.end(), {0x01, 0x00, 0x00, 0x00});
        r.push_back(0x00);
        break;
    case kReadRegister:
        if (data.empty() || data.size() % 2) return error();
        for (size_t i = 0; i + 1 < data.size(); i += 2)
            r.push_back(registers_[static_cast<uint16_t>(data[i] << 8 | data[i + 1])]);
        break;
    case kWriteRegister:
        if (data.empty() || data.size() % 3) return error();
        for (size_t i = 0; i + 2 < data.size(); i += 3)
            registers_[static_cast<uint16_t>(data[i] << 8 | data[i + 1])] = data[i + 2];
        break;
    case kReadGpio: r = {0xFF, 0xFF, 0x00}; break;
    case kWriteGpio:
    case kSetSerialBaudRate:
    case kSamConfiguration: break;
    case kSetParameters:
        if (data.empty()) return error();
        parameters_ = data[0];
        break;
    case kPowerDown:
        FieldLocked(false);
        r = {0x00};
        break;
    case kRfConfiguration:
        if (data.empty()) return error();
        if (data[0] == 0x01 && data.size() >= 2) FieldLocked(data[1] & 0x01);
        break;
    case kInListPassiveTarget:
        if (data.size() < 2) return error();
        r = ListPassiveTargetLocked(data);
        break;
    case kInDataExchange:
        if (data.empty()) return error();
        r = DataExchangeLocked(data, &answer);
        break;
    case kInCommunicateThru:
        if (data.empty()) return error();
        if (selected_ && data[0] == kRats && !ats_.empty()) {
            r = {0x00, static_cast<uint8_t>(ats_.size() + 1)};
            r.insert(r.end(), ats_.begin(), ats_.end());
        } else {
            r = {kTimeout};
        }
        break;
    case kInSelect:
        if (data.empty()) return error();
        if (!fieldOn_ || !slot_.Activate(false)) {
            r = {kWrongContext};
            break;
        }
        selected_ = true;
        r = {0x00};
        break;
    case kInDeselect:
    case kInRelease:
        if (selected_) slot_.Activate(false); // the card forgets its authentication
        selected_ = false;
        chained_.clear();
        r = {0x00};
        break;
    case kInPsl: r = {0x00}; break;
    default: return error();
    }
    Bytes body{kPn532ToHost, static_cast<uint8_t>(command + 1)};
    body.insert(body.end(), r.begin(), r.end());
    Bytes frame = Pn532Frame(body);
    if (answer.corruptChecksum) frame[frame.size() - 2] ^= 0xFF;
    lastAnswer_ = frame;
    QueueLocked(now + answer.delay, std::move(frame));
}

void Pn532Pty::Run()
{
    std::deque<Bytes> queue;
    size_t offset = 0;
    uint8_t buf[4096];
    while (!stop_.load()) {
        timespec ts{};
        timespec* timeout = nullptr;
        {
            std::lock_guard<std::mutex> lock(mu_);
            const Clock::time_point now = Clock::now();
            while (!out_.empty() && out_.begin()->first.first <= now) {
                queue.push_back(std::move(out_.begin()->second));
                out_.erase(out_.begin());
            }
            if (!out_.empty()) {
                const auto ns =
                    std::chrono::duration_cast<std::chrono::nanoseconds>(out_.begin()->first.first - now).count();
                ts.tv_sec = static_cast<time_t>(ns / 1000000000);
                ts.tv_nsec = static_cast<long>(ns % 1000000000);
                timeout = &ts;
            }
        }
        while (!queue.empty()) {
            const Bytes& u = queue.front();
            const ssize_t n = ::write(master_fd_, u.data() + offset, u.size() - offset);
            if (n < 0) {
                if (errno == EINTR) continue;
                if (errno != EAGAIN) queue.clear();
                break;
            }
            offset += static_cast<size_t>(n);
            if (offset == u.size()) {
                queue.pop_front();
                offset = 0;
            }
        }
        pollfd fds[2] = {{master_fd_, static_cast<short>(POLLIN | (queue.empty() ? 0 : POLLOUT)), 0},
                         {wake_fd_, POLLIN, 0}};
        if (::ppoll(fds, 2, timeout, nullptr) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[1].revents & POLLIN) {
            uint64_t v;
            while (::read(wake_fd_, &v, sizeof v) < 0 && errno == EINTR) {}
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(master_fd_, buf, sizeof buf);
            if (n > 0) {
                std::lock_guard<std::mutex> lock(mu_);
                ReceiveLocked(buf, static_cast<size_t>(n), Clock::now());
            }
        } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            break; // cannot happen while we hold the slave open; never spin on it
        }
    }
}

} // namespace kavex::sim
