// Round trip and CPU cost of reader exchanges over a pty against the
// simulated reader. The simulator runs in this process on its own thread;
// the CPU figures count only the SDK's threads (the calling thread and the
// serial monitor thread), so they show busy waiting where there is any.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "kavex.h"
#include "sim/lan_module.h"
#include "sim/pty_reader.h"
#include "sim/tcp_reader.h"
#include "sim/test_card.h"
#include "sim/netns_lab.h"

namespace {

using Clock = std::chrono::steady_clock;

long long ThreadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// CPU time of every thread of this process with the given name, from the
// scheduler's nanosecond accounting.
long long NamedThreadsCpuNs(const std::string& name)
{
    long long total = 0;
    DIR* dir = opendir("/proc/self/task");
    if (!dir) return 0;
    while (dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        const std::string base = std::string("/proc/self/task/") + e->d_name;
        std::string comm;
        std::ifstream(base + "/comm") >> comm;
        if (comm != name) continue;
        long long runNs = 0;
        std::ifstream(base + "/schedstat") >> runNs;
        total += runNs;
    }
    closedir(dir);
    return total;
}

long long SdkCpuNs()
{
    return ThreadCpuNs() + NamedThreadsCpuNs("kavex-serial") + NamedThreadsCpuNs("kavex-tcp");
}

struct Reader {
    Reader() : pty(kavex::sim::ReaderConfig{}, std::make_shared<kavex::sim::TestCard>())
    {
        link = "/tmp/kavex-bench-" + std::to_string(getpid());
        pty.Start(link);
        handle = Kavex_OpenPort(link.c_str(), 115200, 1000);
    }
    ~Reader() { Kavex_ClosePort(handle); }
    kavex::sim::PtyReader pty;
    std::string link;
    int handle = -1;
};

double Percentile(std::vector<double> v, double p)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())));
    return v[i];
}

void BM_IdentifyRoundTrip(benchmark::State& state)
{
    Reader r;
    if (r.handle <= 0) {
        state.SkipWithError("no simulated reader");
        return;
    }
    std::vector<double> latencies;
    unsigned char ident[8];
    const long long cpu0 = SdkCpuNs();
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (Kavex_GetDeviceIdent(r.handle, ident, sizeof ident) != 4) state.SkipWithError("exchange failed");
        latencies.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    const long long cpu = SdkCpuNs() - cpu0;
    state.counters["median_us"] = Percentile(latencies, 0.5);
    state.counters["p99_us"] = Percentile(latencies, 0.99);
    state.counters["sdk_cpu_us_per_exchange"] =
        static_cast<double>(cpu) / 1000.0 / static_cast<double>(std::max<size_t>(1, latencies.size()));
}
BENCHMARK(BM_IdentifyRoundTrip)->Iterations(2000)->Unit(benchmark::kMicrosecond);

void BM_WaitForDelayedAnswer(benchmark::State& state)
{
    Reader r;
    if (r.handle <= 0) {
        state.SkipWithError("no simulated reader");
        return;
    }
    r.pty.Sim().SetPersistentFault(kavex::sim::Fault::Delay(std::chrono::milliseconds(100)));
    unsigned char ident[8];
    long long cpu = 0;
    for (auto _ : state) {
        const long long cpu0 = SdkCpuNs();
        if (Kavex_GetDeviceIdent(r.handle, ident, sizeof ident) != 4) state.SkipWithError("exchange failed");
        cpu += SdkCpuNs() - cpu0;
    }
    state.counters["sdk_cpu_us_per_100ms_wait"] =
        static_cast<double>(cpu) / 1000.0 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_WaitForDelayedAnswer)->Iterations(20)->Unit(benchmark::kMillisecond);

// The same round trip to a LAN reader over TCP on loopback.
void BM_IdentifyRoundTripTcp(benchmark::State& state)
{
    kavex::sim::TcpReader reader(kavex::sim::ReaderConfig{}, std::make_shared<kavex::sim::TestCard>());
    reader.Start("127.0.0.1", 0);
    const std::string name = "127.0.0.1-" + std::to_string(reader.Port());
    const int handle = Kavex_OpenPort(name.c_str(), 19200, 1000);
    if (handle <= 0) {
        state.SkipWithError("no simulated LAN reader");
        return;
    }
    std::vector<double> latencies;
    unsigned char ident[8];
    const long long cpu0 = SdkCpuNs();
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (Kavex_GetDeviceIdent(handle, ident, sizeof ident) != 4) state.SkipWithError("exchange failed");
        latencies.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    const long long cpu = SdkCpuNs() - cpu0;
    state.counters["median_us"] = Percentile(latencies, 0.5);
    state.counters["p99_us"] = Percentile(latencies, 0.99);
    state.counters["sdk_cpu_us_per_exchange"] =
        static_cast<double>(cpu) / 1000.0 / static_cast<double>(std::max<size_t>(1, latencies.size()));
    Kavex_ClosePort(handle);
}
BENCHMARK(BM_IdentifyRoundTripTcp)->Iterations(2000)->Unit(benchmark::kMicrosecond);

// How long the search takes with one module answering at once: it should
// end 500 ms after that answer. The module sits in a network namespace of
// its own, so nothing is broadcast on a real network (needs root).
void BM_SearchLanDevicesOneModule(benchmark::State& state)
{
    const std::string why = kavex::sim::NetnsLab::Unavailable();
    if (!why.empty()) {
        state.SkipWithError(why.c_str());
        return;
    }
    kavex::sim::NetnsLab lab;
    if (!lab.ok || !lab.Connect("h0", "10.77.0.1/24", "m0", "10.77.0.2/24")) {
        state.SkipWithError("cannot create network namespaces");
        return;
    }
    kavex::sim::LanModuleConfig config;
    kavex::sim::ParseAddress("10.77.0.2", config.address);
    std::unique_ptr<kavex::sim::LanModule> module;
    {
        kavex::sim::InNetns in(lab.moduleNs);
        module = std::make_unique<kavex::sim::LanModule>(config);
        module->Start();
    }
    kavex::sim::InNetns host(lab.hostNs);
    std::vector<double> durations;
    char buffer[2500];
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (Kavex_SearchAllLanDevices(buffer, sizeof buffer) <= 1) state.SkipWithError("module not found");
        durations.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    state.counters["median_ms"] = Percentile(durations, 0.5);
    state.counters["max_ms"] = Percentile(durations, 1.0);
    module.reset();
}
BENCHMARK(BM_SearchLanDevicesOneModule)->Iterations(10)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
