#include "sdk/transports/lan_channel.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <ifaddrs.h>
#include <net/if_arp.h>
#include <netpacket/packet.h>
#include <mutex>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <sys/socket.h>
#include <unistd.h>

namespace kavex::lan {

namespace {

std::mutex overrideLock;
std::optional<std::vector<LanAdapter>> adapterOverride;

constexpr std::chrono::milliseconds kIdlePeriod(10);

std::vector<LanAdapter> AdaptersFromEnvironment(const char* text)
{
    std::vector<LanAdapter> list;
    std::string all = text;
    size_t start = 0;
    while (start <= all.size()) {
        const size_t comma = std::min(all.find(',', start), all.size());
        const std::string item = all.substr(start, comma - start);
        const size_t slash = item.find('/');
        LanAdapter a;
        a.address = item.substr(0, slash);
        a.mask = slash == std::string::npos ? "255.255.255.0" : item.substr(slash + 1);
        a.index = static_cast<int>(list.size()) + 1;
        if (ParseDotted(a.address) && ParseDotted(a.mask)) list.push_back(a);
        start = comma + 1;
    }
    return list;
}

std::string TextOf(const sockaddr* sa)
{
    return DottedText(ntohl(reinterpret_cast<const sockaddr_in*>(sa)->sin_addr.s_addr));
}

std::vector<LanAdapter> SystemAdapters()
{
    std::vector<LanAdapter> list;
    ifaddrs* all = nullptr;
    if (getifaddrs(&all) != 0) return list;
    // The hardware type of an interface comes with its link-layer entry.
    std::set<std::string> ethernet;
    for (ifaddrs* i = all; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_PACKET) continue;
        const auto* ll = reinterpret_cast<const sockaddr_ll*>(i->ifa_addr);
        // Wireless adapters report the Ethernet type as well.
        if (ll->sll_hatype == ARPHRD_ETHER || ll->sll_hatype == ARPHRD_IEEE80211) ethernet.insert(i->ifa_name);
    }
    for (ifaddrs* i = all; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !i->ifa_netmask) continue;
        if (!(i->ifa_flags & IFF_UP) || (i->ifa_flags & IFF_LOOPBACK) || !ethernet.count(i->ifa_name)) continue;
        LanAdapter a;
        a.address = TextOf(i->ifa_addr);
        a.mask = TextOf(i->ifa_netmask);
        a.index = static_cast<int>(if_nametoindex(i->ifa_name));
        if (a.address != "0.0.0.0") list.push_back(a);
    }
    freeifaddrs(all);
    return list;
}

} // namespace

std::vector<LanAdapter> LanAdapters()
{
    {
        std::lock_guard<std::mutex> lock(overrideLock);
        if (adapterOverride) return *adapterOverride;
    }
    if (const char* env = std::getenv("KAVEX_LAN_ADAPTERS")) return AdaptersFromEnvironment(env);
    return SystemAdapters();
}

void SetLanAdapterOverride(std::optional<std::vector<LanAdapter>> adapters)
{
    std::lock_guard<std::mutex> lock(overrideLock);
    adapterOverride = std::move(adapters);
}

LanChannel::~LanChannel()
{
    Close();
}

bool LanChannel::Open(const LanAdapter& adapter)
{
    Close();
    const auto address = ParseDotted(adapter.address);
    if (!address) return false;
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(*address);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    adapter_ = adapter;
    return true;
}

void LanChannel::Close()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool LanChannel::SendTo(uint32_t address, const Bytes& datagram)
{
    if (fd_ < 0) return false;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kModulePort);
    to.sin_addr.s_addr = htonl(address);
    ssize_t n;
    do {
        n = sendto(fd_, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(datagram.size());
}

bool LanChannel::Broadcast(const Bytes& datagram)
{
    // A socket bound to an adapter's address sends the limited broadcast
    // out of that adapter alone.
    return SendTo(0xFFFFFFFFu, datagram);
}

std::optional<Datagram> LanChannel::Receive(std::chrono::steady_clock::time_point deadline, const IdleFn& idle)
{
    using Clock = std::chrono::steady_clock;
    if (fd_ < 0) return std::nullopt;
    uint8_t buffer[2048];
    for (;;) {
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        const ssize_t n = recvfrom(fd_, buffer, sizeof buffer, MSG_TRUNC, reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n >= 0) {
            // An oversized datagram is no answer of a module; drop it whole
            // rather than read its cut front as one.
            if (static_cast<size_t>(n) > sizeof buffer) continue;
            Datagram d;
            d.from = ntohl(from.sin_addr.s_addr);
            d.data.assign(buffer, buffer + n);
            return d;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return std::nullopt;
        const auto now = Clock::now();
        if (now >= deadline) return std::nullopt;
        auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        if (idle) wait = std::min<std::chrono::milliseconds>(wait, kIdlePeriod);
        pollfd p{fd_, POLLIN, 0};
        const int r = poll(&p, 1, static_cast<int>(wait.count()));
        if (r < 0 && errno != EINTR) return std::nullopt;
        if (idle) idle();
    }
}

} // namespace kavex::lan
