// A full download and a full upload of eight setup records against one
// simulated module, compared with the time the protocol's fixed waits and
// the module's own pauses make unavoidable. Runs inside a private network
// namespace (bench/transfer starts it there).
#include <stdlib.h>
#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ops/apply_setup_records.h"
#include "ops/read_setup_records.h"
#include "ops/search.h"
#include "sim/farm.h"
#include "sim/module.h"

namespace {

using namespace quelvar;
using namespace std::chrono_literals;

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Measure {
    double wall = 0, cpuProcess = 0, cpuThread = 0;
};

template <typename F>
Measure Run(F&& body) {
    const double process = CpuSeconds(RUSAGE_SELF);
    const double thread = CpuSeconds(RUSAGE_THREAD);
    const auto start = std::chrono::steady_clock::now();
    body();
    Measure m;
    m.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.cpuProcess = CpuSeconds(RUSAGE_SELF) - process;
    m.cpuThread = CpuSeconds(RUSAGE_THREAD) - thread;
    return m;
}

void Report(const char* name, const Measure& m, double floor) {
    std::printf(
        "%-9s %7.3f s   floor %7.3f s   ratio %.4f (goal <= 1.03)   "
        "cpu %.3f s calling thread (%.2f%%), %.3f s with the sending thread and the "
        "simulator (%.2f%%) (goal < 2%%)\n",
        name, m.wall, floor, m.wall / floor, m.cpuThread, 100 * m.cpuThread / m.wall, m.cpuProcess,
        100 * m.cpuProcess / m.wall);
}

}  // namespace

int main() {
    char pattern[] = "/tmp/quelvar-bench-transfer-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 1;
    const std::filesystem::path folder = pattern;

    sim::ModuleConfig module = sim::DefaultModule(0);
    const double resetSilence = std::chrono::duration<double>(module.resetSilence).count();
    sim::Farm farm({module});
    if (farm.start() != 0) {
        std::fprintf(stderr, "the simulated module did not start (inside scripts/netns-run?)\n");
        return 1;
    }

    ops::NoEvents events;
    const ops::Retries retries = ops::Retries::Window();
    ops::SearchReport found = ops::Search(discovery::SearchScope{}, events);
    if (found.result.modules.empty()) {
        std::fprintf(stderr, "the simulated module did not answer the search\n");
        return 1;
    }
    const discovery::DeviceEntry device = found.result.modules.front();

    // The fixed waits of one monitor-mode entry: the banner comes 0.1 s after
    // the greeting and the wait for it ends after a quiet second; the wait
    // for the prompt ends after another quiet second.
    const double entry = 0.1 + 1.0 + 1.0;

    // Download: 100 ms before and 100 ms after each of the eight records.
    const std::filesystem::path file = folder / "module.rec";
    bool saved = false;
    Measure download = Run([&] {
        ops::ReadResult read = ops::ReadSetupRecords(device, retries, events);
        saved = read.outcome.succeeded() &&
                ops::SaveSetupRecordFile(file, read.image, events).succeeded();
    });
    const double downloadFloor = entry + 8 * 0.2;

    // Upload of that file: per record 100 ms after the command, 10 ms after
    // each of its 4 lines, the module's 1.5 s from the end record to its reply
    // (the tool's 10 ms pause and its quiet second both lie inside it), 100 ms
    // after the reply; then 100 ms after the reset. The module stays silent for its
    // reset time, so the first status query after the reset times out (1 s)
    // and is followed by a 1 s pause before the one that is answered.
    bool applied = false;
    Measure upload = Run([&] {
        applied = ops::ApplySetupRecordFile(device, file, retries, events).outcome.succeeded();
    });
    const double perRecord = 0.1 + 4 * 0.01 + 1.5 + 0.1;
    const double pings = resetSilence < 2.0 ? 2.0 : 2.0 * std::ceil(resetSilence / 2.0);
    const double uploadFloor = entry + 8 * perRecord + 0.1 + pings;

    std::printf("transfer of 8 setup records (%zu-byte file) against one simulated module\n",
                static_cast<std::size_t>(std::filesystem::file_size(file)));
    Report("download", download, downloadFloor);
    Report("upload", upload, uploadFloor);
    if (!saved || !applied) std::printf("a transfer failed: download %d, upload %d\n", saved, applied);
    farm.stop();
    std::filesystem::remove_all(folder);
    return 0;
}
