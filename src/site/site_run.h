#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "discovery/search.h"
#include "ops/commission_module.h"
#include "ops/events.h"
#include "ops/retries.h"
#include "platform/language.h"
#include "site/row_result.h"

namespace quelvar::site {

// What names a row while a run goes: the module it works on, its row of a
// sheet, and where the module is or is to be.
struct RowNames {
    std::string module;     // its MAC address
    int sheetRow = 0;       // its row of the sheet, from 1; 0: a run without a sheet
    std::string address;    // where it answers, or (`moving`) is to answer; may be empty
    bool moving = false;
};
// What marks a row's messages: "row 3" or "module 02-00-5E-10-00-02".
std::string RowName(const RowNames& names, platform::Language language);
// The module a row writes into: "02-00-5E-10-00-02 (row 3)", or its MAC
// address alone in a run without a sheet.
std::string RowModule(const RowNames& names, platform::Language language);
// A row's line while it runs: "row 3 02-00-5E-10-00-02 -> 127.0.1.12",
// "module 02-00-5E-10-00-02 127.0.0.2".
std::string RowLabel(const RowNames& names, platform::Language language);

// What a run over many modules tells whoever runs it, and asks of it. Rows
// call it from threads of their own, many at once: it must be safe for that.
class RunEvents {
  public:
    virtual ~RunEvents() = default;
    // The run's own operations (the search it starts from) report here.
    virtual ops::Events& runEvents() = 0;
    // The search the run starts from is over.
    virtual void searched(const discovery::SearchResult& result) { static_cast<void>(result); }
    // A row begins; its operations report to the events returned, which stay
    // valid until rowEnded.
    virtual ops::Events& rowBegun(std::size_t row, const RowNames& names) = 0;
    // The row has ended: its result, and every message its operations showed.
    virtual void rowEnded(std::size_t row, const RowResult& result) = 0;
    // Asked before each row starts and between a row's steps: a row not yet
    // begun is left not started, one under way ends after its current step.
    virtual bool stopRequested() { return false; }
    // About ten times a second on the thread that called the run, while rows run.
    virtual void watch() {}
};

// Rows at once unless the user says otherwise, in the console and the Site
// window alike. One row after the other, a backup of 200 modules takes
// about 13 minutes; a row's time is almost all the protocol's own waits.
inline constexpr unsigned kDefaultJobs = 8;

// The most modules a search of a run, or of the console, keeps: far beyond
// any site, and a bound on what a network full of repliers can cost.
inline constexpr std::size_t kSearchCapacity = 4096;

// The search every run and the console start from, whichever front-end
// asks: up to `retries.searchRounds` requests, a module that answers twice
// kept once, at most kSearchCapacity modules; over `range` when it is not
// empty, otherwise on every adapter.
discovery::SearchScope RunSearchScope(const ops::Retries& retries,
                                      std::vector<platform::Ipv4Octets> range = {});

// What every run takes besides its own inputs.
struct RunOptions {
    unsigned jobs = kDefaultJobs;  // rows at once; 0: one thread per row (see RunRows)
    ops::Retries retries = ops::Retries::Persistent();
    discovery::SearchScope search;                   // how the run finds its modules
    std::optional<std::filesystem::path> logFolder;  // each row's trace, as it goes
    bool verify = false;                             // read the records back and compare
};

// The row of a module brought into service (a commissioning or a restore).
RowResult RowOf(const ops::CommissionResult& done);

// "module-02-00-5E-10-00-02.log": the log of a backup's or restore's row.
std::string ModuleLogName(const discovery::MacAddress& mac);

// The rows of a run and what is done with each.
struct SiteRows {
    std::size_t count = 0;
    std::function<RowNames(std::size_t)> names;
    std::function<std::string(std::size_t)> logName;  // its log's file name in the log folder
    // What the row does, its operations reporting to `events`.
    std::function<RowResult(std::size_t index, ops::Events& events)> body;
    // The row has ended, before the sink hears of it (a report or manifest kept true).
    std::function<void(std::size_t index, const RowResult& result)> ended;
    // About ten times a second with the sink's watch().
    std::function<void()> meanwhile;
};

// The rows, `options.jobs` at once, each on a thread of its own: the body
// for every row that starts, its events those the sink gave for it and, with
// a log folder, its trace also into its log there, as it goes, so that a run
// that is killed leaves it. A row's seconds and log are filled in here; a row
// whose log could not be written fails. The results come back in row order,
// those not started as such.
std::vector<RowResult> RunSiteRows(const SiteRows& rows, const RunOptions& options,
                                   RunEvents& events);

}  // namespace quelvar::site
