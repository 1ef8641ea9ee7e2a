// How the search copes with many modules answering at the same moment.
// Runs inside a private network namespace (bench/search starts it there).
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "ops/search.h"
#include "sim/farm.h"
#include "sim/module.h"

namespace {

using namespace quelvar;

}  // namespace

int main(int argc, char** argv) {
    int modules = argc > 1 ? std::stoi(argv[1]) : 256;
    int runs = argc > 2 ? std::stoi(argv[2]) : 20;

    std::vector<sim::ModuleConfig> configs;
    for (int i = 0; i < modules; ++i) configs.push_back(sim::DefaultModule(i));
    sim::Farm farm(configs);
    farm.keepDatagrams(false);  // not inspected here; keeps the figures about the search
    if (int error = farm.start(); error != 0) {
        std::fprintf(stderr, "simulated modules did not start: error %d\n", error);
        return 1;
    }

    ops::NoEvents events;
    std::printf("search: %d modules answering at once, %d runs\n", modules, runs);
    std::printf("%4s %8s %12s\n", "run", "listed", "beyond_ms");
    int complete = 0;
    double worstBeyond = 0;
    for (int run = 1; run <= runs; ++run) {
        auto start = std::chrono::steady_clock::now();
        // The window's search: one request, every reply kept up to its 256 lines.
        ops::SearchReport report = ops::Search(discovery::SearchScope{}, events);
        const int listed = static_cast<int>(report.result.modules.size());
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        // Every module answers at once, so the last reply lands within the
        // first milliseconds; what is beyond the quiet second is an upper bound
        // of the search's own cost.
        double beyond = ms - 1000.0;
        worstBeyond = std::max(worstBeyond, beyond);
        if (listed == std::min(modules, 256)) ++complete;
        std::printf("%4d %8d %12.1f\n", run, listed, beyond);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("runs listing every module (goal: all %d): %d\n", runs, complete);
    std::printf("worst time beyond the final quiet second (goal: < 50 ms): %.1f ms\n", worstBeyond);
    std::printf("peak memory of this process (search + %d simulated modules): %ld KiB\n", modules,
                usage.ru_maxrss);
    return complete == runs ? 0 : 1;
}
