// The host's network adapters and a UDP socket on one of them, through
// which the SDK talks to the network modules of LAN readers.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sdk/transports/lan_protocol.h"

namespace kavex::lan {

// One IPv4 address of an Ethernet or wireless adapter that is up.
struct LanAdapter {
    std::string address;
    std::string mask;
    int index = 0;
};

// The adapters of this host, or those set below. Readers are only looked
// for on Ethernet and wireless adapters: never on loopback, tunnels and
// the like.
std::vector<LanAdapter> LanAdapters();
// Replaces the host's adapters for the calls that follow (nothing: the
// host's own again). Tests hand in only adapters they created, so that no
// request of theirs ever leaves on a real network. The environment
// variable KAVEX_LAN_ADAPTERS ("address/mask,address/mask") does the same
// for programs on the shared library.
void SetLanAdapterOverride(std::optional<std::vector<LanAdapter>> adapters);

// Runs while a caller waits for datagrams, so that a GUI stays painted.
using IdleFn = std::function<void()>;

// A broadcast-capable UDP socket bound to one adapter address.
class LanChannel {
public:
    LanChannel() = default;
    ~LanChannel();
    LanChannel(const LanChannel&) = delete;
    LanChannel& operator=(const LanChannel&) = delete;

    bool Open(const LanAdapter& adapter);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    const LanAdapter& Adapter() const { return adapter_; }

    bool SendTo(uint32_t address, const Bytes& datagram);
    // Out of this adapter only, to every module on its network.
    bool Broadcast(const Bytes& datagram);
    // The next datagram, waiting at most until the deadline; the idle
    // function runs at least every 10 ms meanwhile.
    std::optional<Datagram> Receive(std::chrono::steady_clock::time_point deadline, const IdleFn& idle);

private:
    int fd_ = -1;
    LanAdapter adapter_;
};

} // namespace kavex::lan
