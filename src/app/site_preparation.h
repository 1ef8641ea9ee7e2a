#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/site_view.h"
#include "discovery/search.h"
#include "ops/events.h"
#include "platform/language.h"
#include "site/backup_run.h"
#include "site/commission_run.h"

namespace quelvar::app {

// A run of the Site window checked and ready: the lines it shows before
// anything is sent, what the run takes, and the one question that starts it.
struct PreparedRun {
    SiteTask task = SiteTask::Commission;
    std::vector<SiteLine> lines;
    std::vector<std::string> notes;  // worth saying before the question, stopping nothing
    std::vector<int> steps;   // of each line: the steps its row takes, for its bar
    std::size_t count = 0;    // the modules the run works on
    std::string question;     // the confirmation, with the count
    discovery::SearchScope scope;

    // Commissioning: the sheet (held where the job can point at it), the
    // plan of its rows and the report kept.
    std::shared_ptr<site::CommissionSheet> sheet;
    std::string sheetName;
    std::filesystem::path sheetFolder;
    site::SheetPlan plan;
    std::optional<std::filesystem::path> report;

    // Backing up: the folder, the modules the search found (by MAC) and the
    // entries of a backup there already.
    site::BackingUp backup;

    // Restoring: every entry of the manifest with its checked bytes.
    std::optional<site::RestorePlan> restore;
};

// What went wrong in a check, for the box and the status line; the notes
// get every line of `details`.
struct CheckProblem {
    std::string message;
    std::vector<std::string> details;
    std::vector<SiteLine> lines;  // what could be lined up all the same (a sheet's good rows)
};

// The search the form asks for: every adapter, or the address range.
std::optional<discovery::SearchScope> SiteSearchScope(const SiteForm& form,
                                                      platform::Language language,
                                                      CheckProblem& problem);

// Checks what the form names and lines it up; nothing is sent to a module.
// A backup searches (`events` hears the search) to find its modules.
std::optional<PreparedRun> PrepareCommission(const SiteForm& form, platform::Language language,
                                             CheckProblem& problem);
std::optional<PreparedRun> PrepareBackup(const SiteForm& form, platform::Language language,
                                         ops::Events& events, CheckProblem& problem);
std::optional<PreparedRun> PrepareRestore(const SiteForm& form, platform::Language language,
                                          CheckProblem& problem);

// What a search left out, as notes: replies beyond what it keeps, a time
// limit reached while replies still came.
std::vector<std::string> SearchLeftOut(const discovery::SearchResult& result,
                                       platform::Language language);

// The report a sheet's run keeps when the user names none: beside the
// sheet, "NAME-report.json".
std::filesystem::path DefaultReportFor(const std::filesystem::path& sheet);

// The report a restore keeps when the user names none: beside the backup's
// folder, "FOLDER-restore-report.json", so that the backup itself is left as
// it was.
std::filesystem::path DefaultRestoreReportFor(const std::filesystem::path& folder);

}  // namespace quelvar::app
