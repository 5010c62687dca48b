// The personalisation workload on a simulated reader whose pty carries bytes
// at the rate of a real serial line, against the bound that line sets: every
// byte of every frame in both directions at the line's character time, plus
// the card's processing times.
#include "bench/bench_table.h"
#include "bench/personalisation.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unistd.h>

#include "kavex.h"
#include "sim/desfire/desfire_card.h"
#include "sim/pty_reader.h"

namespace kavex::bench {

namespace {

using Clock = std::chrono::steady_clock;

// What crossed the line while the workload ran.
struct Traffic {
    std::mutex mu;
    size_t bytes = 0;
    size_t roundTrips = 0;
    Clock::duration cardTime{};
};

struct Run {
    double wallS = -1;
    double boundS = 0;
    size_t bytes = 0;
    size_t roundTrips = 0;
    std::string failure;
};

Run PersonaliseAt(int baud, const std::map<uint8_t, std::chrono::microseconds>& cardTimes)
{
    sim::desfire::DesfireCardOptions options;
    options.storageSize = kPersonalisationCardSize;
    sim::ReaderConfig config;
    config.card_times = cardTimes;
    sim::PtyReader pty(config, std::make_shared<sim::desfire::DesfireCard>(options));
    pty.SetLineEmulation(true);
    const std::string link = "/tmp/kavex-bench-line-" + std::to_string(getpid());
    pty.Start(link);

    Run run;
    // 8N1: ten bits a character.
    const int h = Kavex_OpenPort(link.c_str(), baud, 2000);
    if (h <= 0) {
        run.failure = "no reader";
        return run;
    }
    Traffic traffic;
    pty.Sim().SetLogSink([&](const sim::LogEntry& e) {
        std::lock_guard<std::mutex> lock(traffic.mu);
        traffic.bytes += e.raw.size();
        if (e.direction != sim::Direction::Received || e.outcome != sim::Outcome::Answered) return;
        ++traffic.roundTrips;
        if (e.command == sim::cmd::kDesfire && !e.data.empty()) {
            const auto it = cardTimes.find(e.data[0]);
            if (it != cardTimes.end()) traffic.cardTime += it->second;
        }
    });
    const auto t0 = Clock::now();
    const PersonalisationResult result = Personalise(h);
    const auto wall = Clock::now() - t0;
    pty.Sim().SetLogSink(nullptr);
    Kavex_ClosePort(h);

    std::lock_guard<std::mutex> lock(traffic.mu);
    run.failure = result.failure;
    run.wallS = std::chrono::duration<double>(wall).count();
    run.bytes = traffic.bytes;
    run.roundTrips = traffic.roundTrips;
    run.boundS =
        static_cast<double>(traffic.bytes) * 10.0 / baud + std::chrono::duration<double>(traffic.cardTime).count();
    return run;
}

} // namespace

Rows PersonalisationBenchmarks(int repetitions)
{
    // The card's own times are left at zero: the ratio then shows only what
    // the SDK adds to the line.
    const std::map<uint8_t, std::chrono::microseconds> cardTimes;
    Rows rows;
    for (const int baud : {9600, 19200, 57600, 115200}) {
        std::vector<double> wall, ratio;
        Run last;
        for (int i = 0; i < repetitions; ++i) {
            last = PersonaliseAt(baud, cardTimes);
            if (!last.failure.empty()) break;
            wall.push_back(last.wallS);
            ratio.push_back(last.wallS / last.boundS);
        }
        const std::string rate = std::to_string(baud) + " 8N1";
        if (!last.failure.empty()) {
            rows.push_back({"personalisation", rate, "failed: " + last.failure, ""});
            continue;
        }
        rows.push_back({"personalisation", rate + ": wall time", Format("%.3f s", Median(wall)), ""});
        rows.push_back({"personalisation", rate + ": wire-time bound", Format("%.3f s", last.boundS), ""});
        rows.push_back({"personalisation", rate + ": wall / bound", Format("%.3f", Median(ratio)), "<= 1.05"});
        rows.push_back({"personalisation", rate + ": round trips, bytes on the wire",
                        std::to_string(last.roundTrips) + ", " + std::to_string(last.bytes), ""});
    }
    return rows;
}

} // namespace kavex::bench
