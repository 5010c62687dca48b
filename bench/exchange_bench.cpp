// What one reader exchange costs: the round trip of a 5-byte echo over a pty
// (the floor for any program on the machine), the SDK's identification
// round trip against the simulated reader on a pty and over TCP on
// loopback, and the SDK's CPU time per exchange and while it waits.
#include "bench/bench_table.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "kavex.h"
#include "sim/lan_module.h"
#include "sim/netns_lab.h"
#include "sim/pty_reader.h"
#include "sim/tcp_reader.h"
#include "sim/test_card.h"

namespace kavex::bench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kExchanges = 2000;

double Micros(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

// Reads exactly n bytes, waiting in poll().
bool ReadAll(int fd, uint8_t* buf, size_t n)
{
    size_t got = 0;
    while (got < n) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 1000) <= 0) return false;
        const ssize_t k = ::read(fd, buf + got, n - got);
        if (k <= 0) return false;
        got += static_cast<size_t>(k);
    }
    return true;
}

// Median round trip of 5 bytes written to a pty's slave, echoed by a thread
// on its master.
double EchoFloorMicros()
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) throw std::runtime_error("no pty");
    const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    ::tcgetattr(slave, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(slave, TCSANOW, &t);
    std::atomic<bool> stop{false};
    std::thread echo([&] {
        uint8_t buf[5];
        while (!stop.load()) {
            if (!ReadAll(master, buf, sizeof buf)) continue;
            [[maybe_unused]] const ssize_t n = ::write(master, buf, sizeof buf);
        }
    });
    std::vector<double> rtt;
    const uint8_t out[5] = {0x02, 0x01, 0xF0, 0x00, 0xF1};
    uint8_t in[5];
    for (int i = 0; i < kExchanges; ++i) {
        const auto t0 = Clock::now();
        if (::write(slave, out, sizeof out) != sizeof out || !ReadAll(slave, in, sizeof in)) break;
        rtt.push_back(Micros(Clock::now() - t0));
    }
    stop = true;
    [[maybe_unused]] const ssize_t n = ::write(slave, out, sizeof out);
    echo.join();
    ::close(slave);
    ::close(master);
    return Median(rtt);
}

struct RoundTrip {
    double medianUs = 0;
    double cpuUsPerExchange = 0;
};

RoundTrip IdentifyRoundTrips(int handle)
{
    std::vector<double> rtt;
    unsigned char ident[16];
    const long long cpu0 = SdkCpuNs();
    for (int i = 0; i < kExchanges; ++i) {
        const auto t0 = Clock::now();
        if (Kavex_GetDeviceIdent(handle, ident, sizeof ident) < 0) break;
        rtt.push_back(Micros(Clock::now() - t0));
    }
    RoundTrip r;
    r.cpuUsPerExchange = static_cast<double>(SdkCpuNs() - cpu0) / 1000.0 / static_cast<double>(kExchanges);
    r.medianUs = rtt.size() == kExchanges ? Median(rtt) : -1;
    return r;
}

RoundTrip PtyRoundTrips()
{
    sim::PtyReader pty(sim::ReaderConfig{}, std::make_shared<sim::TestCard>());
    const std::string link = "/tmp/kavex-bench-" + std::to_string(getpid());
    pty.Start(link);
    const int h = Kavex_OpenPort(link.c_str(), 115200, 1000);
    if (h <= 0) return {-1, -1};
    const RoundTrip r = IdentifyRoundTrips(h);
    Kavex_ClosePort(h);
    return r;
}

RoundTrip TcpRoundTrips()
{
    sim::TcpReader reader(sim::ReaderConfig{}, std::make_shared<sim::TestCard>());
    reader.Start("127.0.0.1", 0);
    const std::string name = "127.0.0.1-" + std::to_string(reader.Port());
    const int h = Kavex_OpenPort(name.c_str(), 19200, 1000);
    if (h <= 0) return {-1, -1};
    const RoundTrip r = IdentifyRoundTrips(h);
    Kavex_ClosePort(h);
    return r;
}

// SDK CPU time while one exchange waits 100 ms for its answer.
double CpuPerDelayedAnswerUs()
{
    sim::PtyReader pty(sim::ReaderConfig{}, std::make_shared<sim::TestCard>());
    const std::string link = "/tmp/kavex-bench-" + std::to_string(getpid());
    pty.Start(link);
    const int h = Kavex_OpenPort(link.c_str(), 115200, 1000);
    if (h <= 0) return -1;
    pty.Sim().SetPersistentFault(sim::Fault::Delay(std::chrono::milliseconds(100)));
    unsigned char ident[16];
    constexpr int kWaits = 10;
    const long long cpu0 = SdkCpuNs();
    for (int i = 0; i < kWaits; ++i) Kavex_GetDeviceIdent(h, ident, sizeof ident);
    const double us = static_cast<double>(SdkCpuNs() - cpu0) / 1000.0 / kWaits;
    Kavex_ClosePort(h);
    return us;
}

// How long the LAN search takes with one module answering at once (it ends
// 500 ms after that answer). The module sits in a network namespace of its
// own, so nothing is broadcast on a real network; needs root.
double LanSearchMs(std::string& why)
{
    why = sim::NetnsLab::Unavailable();
    if (!why.empty()) return -1;
    sim::NetnsLab lab;
    if (!lab.ok || !lab.Connect("h0", "10.77.0.1/24", "m0", "10.77.0.2/24")) {
        why = "cannot create network namespaces";
        return -1;
    }
    sim::LanModuleConfig config;
    sim::ParseAddress("10.77.0.2", config.address);
    std::unique_ptr<sim::LanModule> module;
    {
        sim::InNetns in(lab.moduleNs);
        module = std::make_unique<sim::LanModule>(config);
        module->Start();
    }
    sim::InNetns host(lab.hostNs);
    char buffer[2500];
    const auto t0 = Clock::now();
    const bool found = Kavex_SearchAllLanDevices(buffer, sizeof buffer) > 1;
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    module.reset();
    if (!found) why = "module not found";
    return found ? ms : -1;
}

} // namespace

Rows ExchangeBenchmarks(int repetitions)
{
    std::vector<double> floor, pty, ptyCpu, tcp, tcpCpu, ratio, wait, search;
    std::string searchWhy;
    for (int i = 0; i < repetitions; ++i) {
        // Measured back to back, so that both see the same load.
        floor.push_back(EchoFloorMicros());
        const RoundTrip p = PtyRoundTrips();
        pty.push_back(p.medianUs);
        ptyCpu.push_back(p.cpuUsPerExchange);
        ratio.push_back(p.medianUs / floor.back());
        const RoundTrip t = TcpRoundTrips();
        tcp.push_back(t.medianUs);
        tcpCpu.push_back(t.cpuUsPerExchange);
        wait.push_back(CpuPerDelayedAnswerUs());
        const double s = LanSearchMs(searchWhy);
        if (s >= 0) search.push_back(s);
    }
    Rows rows = {
        {"exchange", "pty echo of 5 bytes, round trip (floor)", Format("%.1f us", Median(floor)), ""},
        {"exchange", "SDK identification over a pty, round trip", Format("%.1f us", Median(pty)), ""},
        {"exchange", "SDK round trip / floor", Format("%.2f", Median(ratio)), "<= 1.5"},
        {"exchange", "SDK CPU per exchange (pty)", Format("%.1f us", Median(ptyCpu)), "<= 20 us"},
        {"exchange", "SDK identification over TCP loopback, round trip", Format("%.1f us", Median(tcp)), ""},
        {"exchange", "SDK CPU per exchange (TCP)", Format("%.1f us", Median(tcpCpu)), ""},
        {"exchange", "SDK CPU while waiting 100 ms for an answer", Format("%.1f us", Median(wait)), ""},
    };
    rows.push_back({"exchange", "LAN search, one module answering",
                    search.empty() ? "skipped: " + searchWhy : Format("%.0f ms", Median(search)), "~500 ms"});
    return rows;
}

} // namespace kavex::bench
