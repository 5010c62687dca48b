#include "sim/vpcd_card.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kavex::sim {

namespace {

constexpr std::chrono::milliseconds kFirstPause{100};
constexpr std::chrono::milliseconds kLongestPause{2000};
constexpr int kConnectTimeoutMs = 1000;

enum Control : uint8_t { kPowerOff = 0, kPowerOn = 1, kReset = 2, kAtrRequest = 4 };

int MsUntil(Clock::time_point due)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left) + 1;
}

} // namespace

VpcdCard::VpcdCard(std::shared_ptr<Card> card) : slot_(std::move(card)) {}

VpcdCard::~VpcdCard()
{
    Stop();
}

void VpcdCard::Start(const std::string& host, uint16_t port)
{
    if (thread_.joinable()) throw std::logic_error("VpcdCard already running");
    host_ = host;
    port_ = port;
    wake_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
    stop_ = false;
    thread_ = std::thread(&VpcdCard::Run, this);
}

void VpcdCard::Stop()
{
    if (!thread_.joinable()) return;
    stop_ = true;
    const uint64_t one = 1;
    while (::write(wake_fd_, &one, sizeof one) < 0 && errno == EINTR) {}
    thread_.join();
    ::close(wake_fd_);
    wake_fd_ = -1;
}

bool VpcdCard::Connected() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return connected_;
}

bool VpcdCard::WaitConnected(bool connected, std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(mu_);
    return cv_.wait_for(lock, timeout, [&] { return connected_ == connected; });
}

void VpcdCard::SetConnected(bool on)
{
    std::lock_guard<std::mutex> lock(mu_);
    connected_ = on;
    cv_.notify_all();
}

void VpcdCard::Pause(std::chrono::milliseconds d)
{
    pollfd p{wake_fd_, POLLIN, 0};
    ::poll(&p, 1, static_cast<int>(d.count()));
}

void VpcdCard::Run()
{
    std::chrono::milliseconds pause = kFirstPause;
    while (!stop_.load()) {
        const int fd = ConnectOnce();
        if (fd < 0) {
            Pause(pause);
            pause = std::min(pause * 2, kLongestPause);
            continue;
        }
        pause = kFirstPause;
        if (const auto a = slot_.Activate(true)) atr_ = AtrFromAts(a->ats);
        slot_.Note("connected to the vpcd driver at " + host_ + ":" + std::to_string(port_));
        SetConnected(true);
        const End end = Serve(fd);
        ::close(fd);
        SetConnected(false);
        slot_.PowerOff();
        if (end == End::Stopped) break;
        slot_.Note(end == End::CardMute ? "card mute: left the reader" : "the vpcd driver went away");
        Pause(pause);
    }
}

int VpcdCard::ConnectOnce()
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host_.c_str(), std::to_string(port_).c_str(), &hints, &found) != 0) return -1;
    int fd = -1;
    for (addrinfo* ai = found; ai && fd < 0 && !stop_.load(); ai = ai->ai_next) {
        fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, ai->ai_protocol);
        if (fd < 0) continue;
        if (::connect(fd, ai->ai_addr, ai->ai_addrlen) != 0) {
            bool ok = false;
            if (errno == EINPROGRESS) {
                pollfd p[2] = {{fd, POLLOUT, 0}, {wake_fd_, POLLIN, 0}};
                if (::poll(p, 2, kConnectTimeoutMs) > 0 && (p[0].revents & POLLOUT)) {
                    int err = 0;
                    socklen_t len = sizeof err;
                    ok = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0;
                }
            }
            if (!ok) {
                ::close(fd);
                fd = -1;
            }
        }
    }
    ::freeaddrinfo(found);
    return fd;
}

bool VpcdCard::SendMessage(int fd, const Bytes& payload)
{
    Bytes m{static_cast<uint8_t>(payload.size() >> 8), static_cast<uint8_t>(payload.size() & 0xFF)};
    m.insert(m.end(), payload.begin(), payload.end());
    size_t done = 0;
    while (done < m.size()) {
        const ssize_t n = ::send(fd, m.data() + done, m.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, kConnectTimeoutMs) > 0) continue;
        }
        return false;
    }
    return true;
}

VpcdCard::End VpcdCard::Serve(int fd)
{
    Bytes input;
    std::optional<std::pair<Clock::time_point, Bytes>> due; // a delayed answer
    uint8_t buf[4096];
    while (!stop_.load()) {
        if (due && Clock::now() >= due->first) {
            if (!SendMessage(fd, due->second)) return End::DriverGone;
            due.reset();
        }
        // One message at a time: the next is taken once the answer is out.
        while (!due && input.size() >= 2) {
            const size_t len = (static_cast<size_t>(input[0]) << 8) | input[1];
            if (input.size() < 2 + len) break;
            const Bytes payload(input.begin() + 2, input.begin() + 2 + static_cast<std::ptrdiff_t>(len));
            input.erase(input.begin(), input.begin() + 2 + static_cast<std::ptrdiff_t>(len));
            if (payload.size() == 1) {
                switch (payload[0]) {
                case kPowerOff:
                    slot_.PowerOff();
                    slot_.Note("power off");
                    break;
                case kPowerOn:
                case kReset:
                    if (const auto a = slot_.Activate(true)) atr_ = AtrFromAts(a->ats);
                    slot_.Note(payload[0] == kPowerOn ? "power on" : "reset");
                    break;
                case kAtrRequest:
                    // The driver asks for it every few hundred milliseconds to see
                    // whether the card is still there: not worth a log line.
                    if (!SendMessage(fd, atr_)) return End::DriverGone;
                    break;
                default: slot_.Note("unknown control " + ToHex(payload)); break;
                }
                continue;
            }
            if (payload.empty()) continue;
            CardSlot::Answer a = slot_.Apdu(payload);
            if (a.mute) return End::CardMute;
            if (a.delay.count() > 0) {
                due.emplace(Clock::now() + a.delay, std::move(a.bytes));
            } else if (!SendMessage(fd, a.bytes)) {
                return End::DriverGone;
            }
        }
        pollfd p[2] = {{fd, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
        const int r = ::poll(p, 2, due ? MsUntil(due->first) : -1);
        if (r < 0 && errno != EINTR) return End::DriverGone;
        if (p[1].revents & POLLIN) continue; // stop_ is checked above
        if (p[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n == 0) return End::DriverGone;
            if (n < 0) {
                if (errno == EINTR || errno == EAGAIN) continue;
                return End::DriverGone;
            }
            input.insert(input.end(), buf, buf + n);
        }
    }
    return End::Stopped;
}

} // namespace kavex::sim
