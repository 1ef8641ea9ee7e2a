#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ops/facts.h"
#include "site/backup_run.h"
#include "site/commission_run.h"

namespace quelvar::site {

// Everything a run settles before anything is sent, for every front-end:
// the files it reads are read and checked, the files it writes are placed.
// A preparation that cannot go on says why in `problem`, as facts the
// front-end words; what did read stands all the same, for it to show.

struct CommissionRequest {
    std::string sheet;
    std::string resume;  // the report of an earlier run; empty: none
    std::string report;  // empty: the report resumed, otherwise beside the sheet
};

struct PreparedCommission {
    std::shared_ptr<const CommissionSheet> sheet;  // null when it did not read
    std::string sheetName;                         // its file name, as reports name it
    std::filesystem::path sheetFolder;
    SheetPlan plan;
    std::filesystem::path report;
    ops::Reason problem;               // empty: ready to run
    std::vector<ops::Reason> details;  // each row of the sheet that cannot be used

    // The job of the run; the sheet must be there.
    Commissioning job() const;
};

// A commissioning sheet file read and checked, for every run that takes one:
// its rows, or null with why when the file does not read. A sheet that
// does read but has rows that cannot be used (each named in `details`) or
// none still comes back, with why in `problem`.
std::shared_ptr<const CommissionSheet> ReadSheetFile(const std::string& name, ops::Reason& problem,
                                                     std::vector<ops::Reason>& details);

// The sheet with its conflicts, the earlier report (of this sheet), the
// rows left to run, and a report that can be written. A plan with no row
// left to run is ready but for NothingToDo, the last problem checked.
PreparedCommission PrepareCommission(const CommissionRequest& request);

struct BackupRequest {
    std::string folder;
    std::vector<DeviceSelector> named;  // empty: every module the search finds
    bool replace = false;  // a backup there already may be replaced, for the modules saved
};

struct PreparedBackup {
    BackingUp job;
    bool manifestThere = false;  // the folder holds a backup already
    ops::Reason problem;
};

// The folder (a folder or nothing yet) and what a backup there holds: its
// manifest, whose entries of other modules the new one keeps, is replaced
// only when asked and only when it reads. Nothing is made yet.
PreparedBackup PrepareBackup(const BackupRequest& request);

// The backup's folder made where it is missing, just before the run.
std::optional<ops::Fact> MakeBackupFolder(const std::filesystem::path& folder);

struct PreparedRestore {
    std::optional<RestorePlan> plan;  // every entry, its file checked
    std::filesystem::path report;
    ops::Reason problem;
};

// The backup's manifest read and every file of it checked against its
// SHA-256; a report that can be written, beside the folder unless named.
PreparedRestore PrepareRestore(const std::string& folder, const std::string& report);

// Where a run's report goes when the user names none: beside the sheet
// ("NAME-report.json"), or beside a restore's backup folder
// ("FOLDER-restore-report.json", the backup itself left as it was).
std::filesystem::path DefaultReportFor(const std::filesystem::path& sheet);
std::filesystem::path DefaultRestoreReportFor(const std::filesystem::path& folder);

}  // namespace quelvar::site
