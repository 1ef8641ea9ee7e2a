#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "site/backup.h"
#include "site/commission_report.h"
#include "site/device_selector.h"
#include "site/site_run.h"

namespace quelvar::site {

// One module of a backup or a restore as it ended: which, where it answered
// (or answers now, after a restore) and how its row went.
struct ModuleRow {
    std::string mac;      // as named when it was never found
    std::string address;
    RowResult row;
};

struct BackingUp {
    std::filesystem::path folder;
    std::vector<BackupEntry> earlier;    // the folder's manifest before: kept for modules not saved again
    std::vector<DeviceSelector> named;   // empty: every module the search finds
    bool replaceFiles = false;           // a file of a module there already is replaced
    // The search the caller made just before (the window's, whose modules
    // its question counted): the backup starts from it instead of searching
    // again. nullopt: the backup searches.
    std::optional<discovery::SearchResult> searched;
};

struct BackupOutcome {
    std::vector<ModuleRow> rows;  // the modules found, or named, in that order
    bool manifestWritten = true;
};

// The modules a run over a search works on: every one the search found, or
// those named (nullopt for one found nowhere; one named by an address the
// search did not reach is asked there).
std::vector<std::optional<discovery::DeviceEntry>> ModulesOfRun(
    const std::vector<DeviceSelector>& named, const discovery::SearchResult& searched,
    const RunOptions& options);

// Saves the setup records of every module of the search, or of those named
// (one named by an address the search did not reach is asked there), into
// `folder`, `options.jobs` at once, each into the file PlanBackupEntry
// names; a module's file of the earlier backup under another name is removed
// once the manifest names the new one. The manifest (backup.json) is kept
// true as modules end, and keeps the earlier entries of modules not saved
// again. No module: no row, and no manifest is written.
BackupOutcome Backup(const BackingUp& job, const RunOptions& options, RunEvents& events);

// A restore, checked before anything is sent: every entry of the manifest,
// the bytes of each file that matches the SHA-256 the backup saved, or why
// that entry cannot be restored.
struct RestorePlan {
    std::filesystem::path folder;
    std::vector<BackupEntry> entries;
    std::vector<std::vector<std::uint8_t>> bytes;  // of each entry; empty where `problems` says why
    std::vector<ops::Reason> problems;

    std::size_t restorable() const;
};
RestorePlan PlanRestore(const std::filesystem::path& folder, std::vector<BackupEntry> manifest);

// Applies each checked file to the module with its MAC address, wherever the
// search finds it now, `options.jobs` at once (see ops::CommissionModule).
// With `report`, a report of the rows (as a commissioning's, with each row's
// place in the manifest for its line) is kept true while the run goes.
struct RestoreOutcome {
    std::vector<ModuleRow> rows;  // in the manifest's order
    bool reportWritten = true;    // false: the report could not be written
};
RestoreOutcome Restore(const RestorePlan& plan, const RunOptions& options, RunEvents& events,
                       const std::optional<std::filesystem::path>& report = std::nullopt);

}  // namespace quelvar::site
