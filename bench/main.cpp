// kavex_bench: every benchmark of the SDK, simulator and engine in one run,
// printed as one table (make bench).
//
//   kavex_bench [--only exchange|personalisation|crypto] [--repetitions N]
//
// Figures are medians over the repetitions; the machine and its load are
// printed with them, since a shared machine makes every figure noisy.
#include "bench/bench_table.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

std::string CpuModel()
{
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
    return "unknown processor";
}

std::string LoadAverage()
{
    std::ifstream in("/proc/loadavg");
    double one = 0;
    in >> one;
    return kavex::bench::Format("%.2f", one);
}

void Print(const kavex::bench::Rows& rows)
{
    size_t what = 0, value = 0;
    for (const auto& r : rows) {
        what = std::max(what, r.what.size());
        value = std::max(value, r.value.size());
    }
    std::string group;
    for (const auto& r : rows) {
        if (r.group != group) {
            group = r.group;
            std::printf("\n%s\n", group.c_str());
        }
        std::printf("  %-*s  %-*s  %s\n", static_cast<int>(what), r.what.c_str(), static_cast<int>(value),
                    r.value.c_str(), r.target.empty() ? "" : ("target " + r.target).c_str());
    }
}

} // namespace

int main(int argc, char** argv)
{
    // OpenSSL reads its view of the processor when it is loaded: mask the
    // AES and carry-less multiply instructions before that, so that the
    // crypto figures compare software with software.
    if (!std::getenv("OPENSSL_ia32cap")) {
        setenv("OPENSSL_ia32cap", "~0x200000200000000", 1);
        // By its own path, so that its threads keep their names for perf.
        char self[4096];
        const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        if (n > 0) {
            self[n] = 0;
            execv(self, argv);
        }
    }
    std::string only;
    int repetitions = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--only") && i + 1 < argc) {
            only = argv[++i];
        } else if (!std::strcmp(argv[i], "--repetitions") && i + 1 < argc) {
            repetitions = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: kavex_bench [--only exchange|personalisation|crypto] [--repetitions N]\n");
            return 2;
        }
    }
    std::printf("%s, %u logical processors, load average %s at the start\n", CpuModel().c_str(),
                std::thread::hardware_concurrency(), LoadAverage().c_str());
    std::fflush(stdout);
    kavex::bench::Rows rows;
    auto run = [&](const char* group, kavex::bench::Rows (*bench)(int), int defaultRepetitions) {
        if (!only.empty() && only != group) return;
        const kavex::bench::Rows r = bench(repetitions > 0 ? repetitions : defaultRepetitions);
        rows.insert(rows.end(), r.begin(), r.end());
    };
    run("exchange", kavex::bench::ExchangeBenchmarks, 5);
    run("crypto", kavex::bench::CryptoBenchmarks, 5);
    // The 9600-baud run takes about 30 s; three make a median.
    run("personalisation", kavex::bench::PersonalisationBenchmarks, 3);
    Print(rows);
    std::printf("\nmedians of %s repetitions; load average %s at the end\n",
                repetitions > 0 ? std::to_string(repetitions).c_str() : "3 to 5", LoadAverage().c_str());
    return 0;
}
