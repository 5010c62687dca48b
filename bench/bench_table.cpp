#include "bench/bench_table.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <dirent.h>
#include <fstream>

namespace kavex::bench {

namespace {

long long ThreadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// CPU time of every thread of this process with one of the given names,
// from the scheduler's nanosecond accounting.
long long NamedThreadsCpuNs(std::initializer_list<const char*> names)
{
    long long total = 0;
    DIR* dir = opendir("/proc/self/task");
    if (!dir) return 0;
    while (dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        const std::string base = std::string("/proc/self/task/") + e->d_name;
        std::string comm;
        std::ifstream(base + "/comm") >> comm;
        if (std::none_of(names.begin(), names.end(), [&](const char* n) { return comm == n; })) continue;
        long long runNs = 0;
        std::ifstream(base + "/schedstat") >> runNs;
        total += runNs;
    }
    closedir(dir);
    return total;
}

} // namespace

double Median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string Format(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

long long SdkCpuNs()
{
    return ThreadCpuNs() + NamedThreadsCpuNs({"kavex-serial", "kavex-tcp"});
}

} // namespace kavex::bench
