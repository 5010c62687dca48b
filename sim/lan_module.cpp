#include "sim/lan_module.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace kavex::sim {

namespace {

constexpr uint16_t kModulePort = 30718;
constexpr size_t kRecordSize = 126;
constexpr size_t kInfoSize = 32;

void Put32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

uint32_t Get32(const uint8_t* p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

bool Matches(const uint8_t* d, size_t n, std::initializer_list<uint8_t> head)
{
    return n >= head.size() && std::equal(head.begin(), head.end(), d);
}

} // namespace

std::string DottedAddress(uint32_t a)
{
    char t[16];
    std::snprintf(t, sizeof t, "%u.%u.%u.%u", a >> 24, (a >> 16) & 0xFF, (a >> 8) & 0xFF, a & 0xFF);
    return t;
}

bool ParseAddress(const std::string& text, uint32_t& out)
{
    in_addr a{};
    if (inet_pton(AF_INET, text.c_str(), &a) != 1) return false;
    out = ntohl(a.s_addr);
    return true;
}

LanModule::LanModule(LanModuleConfig config, std::string stateFile) : stateFile_(std::move(stateFile))
{
    if (!stateFile_.empty()) {
        std::ifstream in(stateFile_);
        std::string line;
        while (std::getline(in, line)) {
            const size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
            if (key == "identity" && value.size() <= 16) config.identity = value;
            if (key == "address") ParseAddress(value, config.address);
            if (key == "gateway") ParseAddress(value, config.gateway);
            if (key == "hostBits") config.hostBits = std::atoi(value.c_str()) & 0xFF;
            if (key == "tcpPort") config.tcpPort = static_cast<uint16_t>(std::atoi(value.c_str()));
        }
    }
    active_ = config;
    BuildRecords(config);
}

LanModule::~LanModule()
{
    Stop();
}

void LanModule::BuildRecords(const LanModuleConfig& c)
{
    record0_.assign(kRecordSize, 0);
    record2_.assign(kRecordSize, 0);
    record3_.assign(kRecordSize, 0);
    Put32(record0_.data(), c.address);
    record0_[6] = static_cast<uint8_t>(c.hostBits);
    Put32(record0_.data() + 12, c.gateway);
    record0_[20] = static_cast<uint8_t>(c.tcpPort & 0xFF);
    record0_[21] = static_cast<uint8_t>(c.tcpPort >> 8);
    char id[16] = {};
    std::memcpy(id, c.identity.data(), std::min<size_t>(16, c.identity.size()));
    std::memcpy(record0_.data() + 112, id, 8);
    std::memcpy(record0_.data() + 84, id + 8, 8);
    std::memcpy(record3_.data() + 102, id + 8, 8);
    std::memcpy(record2_.data() + 93, c.typeName.data(), std::min<size_t>(kRecordSize - 94, c.typeName.size()));
}

LanModuleConfig LanModule::FromRecords() const
{
    LanModuleConfig c = active_;
    c.address = Get32(record0_.data());
    c.hostBits = record0_[6];
    c.gateway = Get32(record0_.data() + 12);
    c.tcpPort = static_cast<uint16_t>(record0_[20] | (record0_[21] << 8));
    c.identity = std::string(reinterpret_cast<const char*>(record0_.data() + 112), 8) +
                 std::string(reinterpret_cast<const char*>(record0_.data() + 84), 8);
    c.identity = c.identity.substr(0, std::min(c.identity.size(), c.identity.find('\0')));
    return c;
}

void LanModule::Save() const
{
    if (stateFile_.empty()) return;
    std::ofstream out(stateFile_, std::ios::trunc);
    out << "identity=" << active_.identity << "\naddress=" << DottedAddress(active_.address)
        << "\nhostBits=" << active_.hostBits << "\ngateway=" << DottedAddress(active_.gateway)
        << "\ntcpPort=" << active_.tcpPort << "\n";
}

void LanModule::Start(const std::string& bindAddress)
{
    if (thread_.joinable()) throw std::logic_error("LanModule already running");
    uint32_t host = 0;
    if (!ParseAddress(bindAddress, host)) throw std::invalid_argument("LanModule: bad address " + bindAddress);
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "socket");
    const int one = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(kModulePort);
    addr.sin_addr.s_addr = htonl(host);
    if (bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        const int e = errno;
        ::close(fd_);
        fd_ = -1;
        throw std::system_error(e, std::generic_category(), "bind UDP " + bindAddress + ":30718");
    }
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    stop_ = false;
    thread_ = std::thread(&LanModule::Run, this);
}

void LanModule::Stop()
{
    if (!thread_.joinable()) return;
    stop_ = true;
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
    thread_.join();
    ::close(fd_);
    ::close(wakeFd_);
    fd_ = wakeFd_ = -1;
}

LanModuleConfig LanModule::Active() const
{
    std::lock_guard<std::mutex> lock(mu_);
    return active_;
}

void LanModule::OnRestart(std::function<void(const LanModuleConfig&)> hook)
{
    std::lock_guard<std::mutex> lock(mu_);
    hook_ = std::move(hook);
}

void LanModule::Run()
{
    uint8_t buf[2048];
    while (!stop_.load()) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (!(fds[0].revents & POLLIN)) continue;
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t n = recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n <= 0) continue;
        Handle(buf, static_cast<size_t>(n), ntohl(from.sin_addr.s_addr), ntohs(from.sin_port));
    }
}

void LanModule::Reply(uint32_t to, uint16_t port, uint8_t code, const Record& payload)
{
    std::vector<uint8_t> d = {0x00, 0x00, 0x00, code};
    d.insert(d.end(), payload.begin(), payload.end());
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(to);
    sendto(fd_, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
}

void LanModule::Handle(const uint8_t* d, size_t n, uint32_t from, uint16_t port)
{
    if (n < 4) return;
    const uint8_t code = d[3];
    std::unique_lock<std::mutex> lock(mu_);
    if (Matches(d, n, {0x00, 0x01, 0x00}) && n == 4) {
        if (code == 0xF8) return Reply(from, port, 0xF9, record0_);
        if (code == 0xE2) return Reply(from, port, 0xD2, record2_);
        if (code == 0xE3) return Reply(from, port, 0xD3, record3_);
        if (code == 0xF6) {
            Record info(kInfoSize, 0);
            std::memcpy(info.data() + 11, active_.maker.data(), std::min<size_t>(3, active_.maker.size()));
            std::memcpy(info.data() + 20, active_.hardware.data(), 6);
            return Reply(from, port, 0xF7, info);
        }
        return;
    }
    if (Matches(d, n, {0x00, 0x00, 0x00, 0xFD}) && n >= 4 + kRecordSize) {
        record0_.assign(d + 4, d + 4 + kRecordSize);
        return Reply(from, port, 0xFB, {});
    }
    if (Matches(d, n, {0x00, 0x01, 0x00, 0xC3}) && n >= 4 + kRecordSize) {
        record3_.assign(d + 4, d + 4 + kRecordSize);
        return Reply(from, port, 0xB3, {});
    }
    static const uint8_t kSetup[] = {0x00, 0x00, 0x00, 0xFC, 'I', 'P', '-', 'S', 'E', 'T', 'U', 'P'};
    if (n >= 14 && std::memcmp(d, kSetup, sizeof kSetup) == 0) {
        const uint8_t* p = d + 14;
        if (d[12] == 'E' && d[13] == 'X' && n >= 14 + 36) {
            if (!std::equal(p, p + 6, active_.hardware.begin())) return;
            Put32(record0_.data(), Get32(p + 6));
            record0_[20] = p[10];
            record0_[21] = p[11];
            const uint32_t mask = Get32(p + 12);
            int bits = 0;
            while (bits < 32 && !(mask & (1u << bits))) ++bits;
            record0_[6] = static_cast<uint8_t>(bits);
            Put32(record0_.data() + 12, Get32(p + 16));
            std::memcpy(record0_.data() + 112, p + 20, 8);
            std::memcpy(record0_.data() + 84, p + 28, 8);
            std::memcpy(record3_.data() + 102, p + 28, 8);
        } else if (d[12] == 0 && d[13] == 0 && n >= 14 + 6) {
            if (p[0] != active_.hardware[4] || p[1] != active_.hardware[5]) return;
            Put32(record0_.data(), Get32(p + 2));
        } else {
            return;
        }
        // The module takes a new address by restarting.
        lock.unlock();
        return Restart();
    }
    if (n == 6 && Matches(d, n, {0x00, 0x00, 0x00, 0x03, 'X', '3'})) {
        lock.unlock();
        Restart();
    }
}

void LanModule::Restart()
{
    std::function<void(const LanModuleConfig&)> hook;
    LanModuleConfig now;
    {
        std::lock_guard<std::mutex> lock(mu_);
        active_ = FromRecords();
        Save();
        hook = hook_;
        now = active_;
    }
    ++restarts_;
    if (hook) hook(now);
}

} // namespace kavex::sim
