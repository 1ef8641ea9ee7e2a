#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/site_audit.h"
#include "app/site_view.h"
#include "discovery/search.h"
#include "ops/events.h"
#include "platform/language.h"
#include "site/run_preparation.h"

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

    // What the run itself takes, as site prepared it for its task.
    site::PreparedCommission commission;
    site::BackingUp backup;  // with the modules the search found, by MAC
    site::PreparedRestore restore;
    PreparedAudit audit;

    // The report a commissioning, a restore or an audit keeps.
    const std::filesystem::path& report() const {
        if (task == SiteTask::Audit) return audit.report;
        return task == SiteTask::Restore ? restore.report : commission.report;
    }
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
// The reference read, the report's place checked, and the modules lined up:
// a backup folder's read from its files, a sheet's by MAC, or those a
// search finds (`events` hears it). Only that search is sent.
std::optional<PreparedRun> PrepareAudit(const SiteForm& form, platform::Language language,
                                        ops::Events& events, CheckProblem& problem);
// Whether the modules of an audit come from a backup folder: a folder, or
// a backup's manifest named.
bool AuditsBackup(const std::string& modules);

// What a search left out, as notes: replies beyond what it keeps, a time
// limit reached while replies still came.
std::vector<std::string> SearchLeftOut(const discovery::SearchResult& result,
                                       platform::Language language);

}  // namespace quelvar::app
