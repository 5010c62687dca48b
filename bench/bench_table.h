// What the benchmarks share: one row of the table `make bench` prints,
// medians of repeated runs, and the CPU time of the SDK's own threads.
#pragma once

#include <string>
#include <vector>

namespace kavex::bench {

struct Row {
    std::string group;  // "exchange", "personalisation", "crypto", ...
    std::string what;   // the figure
    std::string value;  // measured, already formatted
    std::string target; // what it should be, empty when there is no target
};

using Rows = std::vector<Row>;

double Median(std::vector<double> values);
std::string Format(const char* format, double value);

// CPU time, in nanoseconds, of the calling thread and of every thread of
// this process the SDK names for its links (serial and TCP monitors).
long long SdkCpuNs();

Rows ExchangeBenchmarks(int repetitions);
Rows PersonalisationBenchmarks(int repetitions);
Rows CryptoBenchmarks(int repetitions);

} // namespace kavex::bench
