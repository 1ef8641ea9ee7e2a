// The tool's operations over the links technicians have: ten simulated
// modules on a LAN that loses or delays Ethernet frames below both kernels'
// TCP and ARP (quelvar-wire between two private namespaces, see
// scripts/lossy-lan), searched and commissioned as the console does it.
// Every result is checked against what the modules really hold, read from
// the simulator itself: a row that passes must have its module at its new
// address with the file's records, a refused address must have been held,
// and a note on a module left half written must name every record of the
// file it holds.
//
// Runs in the PC namespace of scripts/lossy-lan (bench/lossy-link starts it
// there, once per link); the modules live in its LAN namespace, served by a
// thread of this program that entered it.
//   bench_lossy_link LINK_NAME
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ops/commission_module.h"
#include "ops/search.h"
#include "ops/set_ip_address.h"
#include "records/rec_file.h"
#include "sim/farm.h"
#include "sim/module.h"

namespace {

using namespace quelvar;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kModules = 10;
constexpr int kSearches = 10;

platform::Ipv4Octets moduleAddress(int index) {
    return {10, 84, 7, static_cast<std::uint8_t>(10 + index)};
}
platform::Ipv4Octets commissionedAddress(int index) {
    return {10, 84, 7, static_cast<std::uint8_t>(110 + index)};
}

std::vector<sim::ModuleConfig> modules() {
    std::vector<sim::ModuleConfig> result;
    for (int i = 0; i < kModules; ++i) {
        sim::ModuleConfig module = sim::DefaultModule(i);
        module.address = moduleAddress(i);
        result.push_back(module);
    }
    return result;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A farm whose whole life runs on a thread inside the LAN namespace: its
// sockets, its serving threads and the addresses it claims belong there.
class LanFarm {
  public:
    LanFarm(const std::string& lanNamespace, const std::string& adapter)
        : thread_([this, lanNamespace, adapter] { run(lanNamespace, adapter); }) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return started_.has_value(); });
    }
    ~LanFarm() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    int started() const { return *started_; }
    sim::Farm& farm() { return *farm_; }

  private:
    void run(const std::string& lanNamespace, const std::string& adapter) {
        int error = 0;
        const int handle = ::open(("/run/netns/" + lanNamespace).c_str(), O_RDONLY | O_CLOEXEC);
        if (handle < 0 || ::setns(handle, CLONE_NEWNET) != 0) error = errno;
        if (handle >= 0) ::close(handle);
        if (error == 0) {
            farm_.emplace(modules());
            farm_->allowAnyAddress(true);
            farm_->claimAddressesOn(adapter);
            farm_->keepDatagrams(false);
            error = farm_->start();
        }
        std::unique_lock lock(mutex_);
        started_ = error;
        changed_.notify_all();
        changed_.wait(lock, [&] { return stop_; });
        if (farm_) farm_->stop();  // its claimed addresses leave the LAN here
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<int> started_;
    bool stop_ = false;
    std::optional<sim::Farm> farm_;
    std::thread thread_;
};

discovery::SearchScope consoleScope(const ops::Retries& retries) {
    discovery::SearchScope scope;
    scope.rounds = retries.searchRounds;
    scope.mergeRepeats = true;
    return scope;
}

// Modules found by the console's search, of kModules, summed over kSearches,
// the first of them right after the link came up. `each` lists every
// search's count and how long it took.
int searchFigure(const ops::Retries& retries, std::string& each) {
    ops::NoEvents events;
    int found = 0;
    for (int run = 0; run < kSearches; ++run) {
        const auto start = Clock::now();
        const discovery::SearchResult result = ops::Search(consoleScope(retries), events).result;
        const int count = static_cast<int>(result.modules.size());
        char text[48];
        std::snprintf(text, sizeof text, "%s%d in %.1f s (%d requests)", run == 0 ? "" : ", ",
                      count, secondsSince(start), result.requests);
        each += text;
        found += count;
    }
    return found;
}

// A row's trace and notes, kept so that a failed row can say where it stopped.
class TraceEvents : public ops::NoEvents {
  public:
    void begun(ops::Operation) override { trace.clear(); }
    void log(std::string_view text) override { ops::AppendCapped(trace, text); }
    void note(const ops::Reason& note) override {
        notes.push_back(ops::WordsOf(note, platform::Language::English));
    }
    std::string lastLine() const {
        std::string text = trace;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        const auto start = text.find_last_of('\n');
        return start == std::string::npos ? text : text.substr(start + 1);
    }
    std::string allNotes() const {
        std::string joined;
        for (const std::string& note : notes) joined += (joined.empty() ? "" : "; ") + note;
        return joined;
    }
    std::string trace;
    std::vector<std::string> notes;
};

// The record numbers a note on a half-written module names ("records 0,
// 2-5 of site.rec written and record 6 may have been, not reset").
std::set<int> namedRecords(const std::string& note) {
    std::set<int> named;
    static const std::regex kList(R"(records? ([0-9, -]+?)(?: of | may))");
    static const std::regex kRun(R"(([0-9]+)(?:-([0-9]+))?)");
    for (auto list = std::sregex_iterator(note.begin(), note.end(), kList);
         list != std::sregex_iterator(); ++list) {
        const std::string numbers = (*list)[1];
        for (auto run = std::sregex_iterator(numbers.begin(), numbers.end(), kRun);
             run != std::sregex_iterator(); ++run) {
            const int first = std::stoi((*run)[1]);
            const int last = (*run)[2].matched ? std::stoi((*run)[2]) : first;
            for (int number = first; number <= last && number - first < 256; ++number) {
                named.insert(number);
            }
        }
    }
    return named;
}

struct RowFigures {
    int passed = 0;        // passed, and the module truly holds address and records
    int falseSuccess = 0;  // passed although the module does not
    int halfWritten = 0;   // a module left with some of the file's records and no reset after
    int namedTooFew = 0;   // a half-written module holds a record of the file its note left out
    double slowestRow = 0;
    std::vector<std::string> failures;  // why the rows that did not pass failed
};

RowFigures commissionFigure(sim::Farm& farm, const std::filesystem::path& file,
                            const std::map<int, sim::Bytes>& records,
                            const ops::Retries& retries) {
    ops::NoEvents searchEvents;
    discovery::SearchScope scope = consoleScope(retries);
    // As `commission` searches: on until every module of the sheet answered.
    for (int i = 0; i < kModules; ++i) scope.wanted.push_back(farm.module(i).mac);
    const discovery::SearchResult searched = ops::Search(scope, searchEvents).result;
    const std::vector<discovery::DeviceEntry>& found = searched.modules;
    const ops::Retries rowRetries = ops::AfterSearch(retries, searched);

    std::vector<std::map<int, sim::Bytes>> before(kModules);
    for (int i = 0; i < kModules; ++i) before[static_cast<std::size_t>(i)] = farm.module(i).records;
    std::vector<ops::CommissionResult> results(kModules);
    std::vector<TraceEvents> traces(kModules);
    std::vector<double> seconds(kModules);
    std::vector<std::thread> rows;
    for (int i = 0; i < kModules; ++i) {
        rows.emplace_back([&, i] {
            const auto start = Clock::now();
            ops::CommissionPlan plan;
            plan.mac = farm.module(i).mac;
            plan.address = commissionedAddress(i);
            plan.file = file;
            plan.verify = true;
            const auto row = static_cast<std::size_t>(i);
            results[row] = ops::CommissionModule(found, plan, rowRetries, traces[row]);
            seconds[row] = secondsSince(start);
        });
    }
    for (std::thread& row : rows) row.join();

    RowFigures figures;
    for (int i = 0; i < kModules; ++i) {
        const auto row = static_cast<std::size_t>(i);
        const sim::ModuleConfig truth = farm.module(i);
        const bool holds = truth.address == commissionedAddress(i);
        std::set<int> fromFile;  // the file's records the module holds now and did not before
        for (const auto& [number, data] : records) {
            auto held = truth.records.find(number);
            auto had = before[row].find(number);
            if (held != truth.records.end() && held->second == data &&
                (had == before[row].end() || had->second != data)) {
                fromFile.insert(number);
            }
        }
        const bool written = fromFile.size() == records.size();
        const bool passed = results[row].state == ops::CommissionResult::State::Passed;
        figures.slowestRow = std::max(figures.slowestRow, seconds[row]);
        if (passed && holds && written) ++figures.passed;
        if (passed && !(holds && written)) ++figures.falseSuccess;
        if (!fromFile.empty() && !written && farm.resets(i) == 0) ++figures.halfWritten;
        if (!fromFile.empty() && !written) {
            std::set<int> named;
            for (const std::string& note : traces[row].notes) named.merge(namedRecords(note));
            for (int number : fromFile) {
                if (!named.contains(number)) {
                    ++figures.namedTooFew;
                    break;
                }
            }
        }
        if (!passed) {
            const std::string stopped = traces[row].lastLine();
            const std::string notes = traces[row].allNotes();
            figures.failures.push_back("row " + std::to_string(i + 1) + ": " +
                                       ops::WordsOf(results[row].reason, platform::Language::English) +
                                       (stopped.empty() ? "" : " [trace: " + stopped + "]") +
                                       (notes.empty() ? "" : " [notes: " + notes + "]"));
            if (std::getenv("QUELVAR_BENCH_TRACES") != nullptr) {
                std::printf("--- row %d trace:\n%s\n", i + 1, traces[row].trace.c_str());
            }
        }
    }
    return figures;
}

// Of kModules set-ip commands onto an address another module holds, how many
// sent the IP-SETUP command all the same (the check must not conclude "free"
// by losing the holder's answers). A module that did not even answer the
// check before is no such case: nothing was sent to it.
int heldAddressFigure(sim::Farm& farm, const ops::Retries& retries,
                      std::vector<std::string>& reasons) {
    ops::NoEvents events;
    const discovery::SearchResult searched = ops::Search(consoleScope(retries), events).result;
    const std::vector<discovery::DeviceEntry>& found = searched.modules;
    const ops::Retries checkRetries = ops::AfterSearch(retries, searched);
    int sent = 0;
    for (int i = 0; i < kModules; ++i) {
        const discovery::DeviceEntry* device = nullptr;
        for (const auto& entry : found) {
            if (entry.mac == farm.module(i).mac) device = &entry;
        }
        if (device == nullptr) continue;
        const platform::Ipv4Octets held = farm.module((i + 1) % kModules).address;
        ops::SetIpResult result = ops::SetIpAddress(*device, held, checkRetries, events);
        if (result.outcome.kind != ops::OutcomeKind::AddressInUse &&
            result.outcome.kind != ops::OutcomeKind::DeviceNotAnswering) {
            ++sent;
            reasons.push_back("set-ip onto the held address " + platform::formatIpv4(held) +
                              ": " + ops::DescribeOutcome(result.outcome));
        }
    }
    return sent;
}

}  // namespace

int main(int argc, char** argv) {
    const char* lan = std::getenv("QUELVAR_LAN_NETNS");
    const char* adapter = std::getenv("QUELVAR_LAN_ADAPTER");
    if (argc != 2 || lan == nullptr || adapter == nullptr) {
        std::fprintf(stderr, "usage: scripts/lossy-lan --link SETTINGS -- bench_lossy_link NAME "
                             "(bench/lossy-link runs it)\n");
        return 2;
    }
    const std::string name = argv[1];
    char pattern[] = "/tmp/quelvar-bench-lossy-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 1;
    const std::filesystem::path folder = pattern;
    const std::map<int, sim::Bytes> records = sim::DefaultRecords(0x42);
    std::vector<records::Record> list;
    for (const auto& [number, data] : records) {
        list.push_back({static_cast<std::uint8_t>(number), data});
    }
    const std::filesystem::path file = folder / "site.rec";
    if (records::SaveFileReplacing(file, records::EncodeRecords(list)) !=
        records::SaveResult::Saved) {
        return 1;
    }

    const ops::Retries retries = ops::Retries::Persistent();
    const auto start = Clock::now();
    int found = 0;
    std::string searches;
    int heldSent = 0;
    std::vector<std::string> reasons;
    RowFigures rows;
    {
        LanFarm lanFarm(lan, adapter);
        if (lanFarm.started() != 0) {
            std::fprintf(stderr, "the simulated modules did not start on the LAN: %s\n",
                         std::strerror(lanFarm.started()));
            return 1;
        }
        found = searchFigure(retries, searches);
        heldSent = heldAddressFigure(lanFarm.farm(), retries, reasons);
    }
    {
        LanFarm lanFarm(lan, adapter);
        if (lanFarm.started() != 0) return 1;
        rows = commissionFigure(lanFarm.farm(), file, records, retries);
    }
    std::printf("%-22s %12d %10d %12d %12d %12d %10d %10.0f %8.0f\n", name.c_str(), found,
                rows.passed, rows.falseSuccess, rows.halfWritten, rows.namedTooFew, heldSent,
                rows.slowestRow, secondsSince(start));
    std::printf("  %s, modules found by each search: %s\n", name.c_str(), searches.c_str());
    for (const std::string& reason : rows.failures) std::printf("  %s, %s\n", name.c_str(), reason.c_str());
    for (const std::string& reason : reasons) std::printf("  %s, %s\n", name.c_str(), reason.c_str());
    std::filesystem::remove_all(folder);
    return rows.falseSuccess + rows.namedTooFew + heldSent == 0 ? 0 : 1;
}
