// backup and restore: the run prepared (site::PrepareBackup,
// site::PrepareRestore), the question asked, the run itself (site::Backup,
// site::Restore), and its summary.
#include <algorithm>
#include <ostream>

#include "platform/utf8.h"
#include "site/run_preparation.h"
#include "ui/console/commands.h"
#include "ui/console/console_run.h"
#include "ui/console/interrupt.h"
#include "ui/console/row_table.h"

namespace quelvar::ui::console {

namespace {

// One line per module in the order given, then how many of them passed.
void printTable(const Console& console, const std::vector<site::ModuleRow>& rows,
                TableText passedWhat) {
    std::vector<TableRow> lines;
    for (const site::ModuleRow& row : rows) lines.push_back({{row.mac, row.address}, &row.row});
    PrintRowTable(console.out, console.language, {{TableText::Mac, 17}, {TableText::Address, 15}},
                  lines, passedWhat);
}

int exitStatus(const ConsoleRun& run, const std::vector<site::ModuleRow>& rows) {
    if (run.interrupted()) return kExitInterrupted;
    const bool allPassed = std::all_of(rows.begin(), rows.end(),
                                       [](const site::ModuleRow& row) { return row.row.passed(); });
    return allPassed && !rows.empty() ? kExitSuccess : kExitFailure;
}

}  // namespace

int RunBackupCommand(Console& console, ConsoleEvents& events) {
    const Options& options = console.options;
    const site::PreparedBackup prepared =
        site::PrepareBackup({options.file, options.devices, options.yes});
    if (ops::DecidingKind(prepared.problem) == ops::FactKind::BackupThere) {
        console.err << ops::WordsOf(prepared.problem, console.language) << ": "
                    << TableTextIn(TableText::ReplaceBackup, console.language) << '\n';
        return kExitFailure;
    }
    if (!prepared.problem.empty()) {
        Tell(console, prepared.problem);
        return kExitUsage;
    }
    if (std::optional<ops::Fact> notMade = site::MakeBackupFolder(prepared.job.folder)) {
        Tell(console, {*notMade});
        return kExitFailure;
    }
    std::optional<std::filesystem::path> logFolder;
    if (!PrepareLogFolder(console, logFolder)) return kExitFailure;
    InterruptHandler interrupt;
    ConsoleRun run(console, events);
    const site::BackupOutcome outcome = site::Backup(prepared.job, run.options(logFolder), run);
    if (outcome.rows.empty()) {
        // The search has said why.
        Tell(console, {{ops::FactKind::NoModuleToBackUp, {}}});
        return kExitFailure;
    }
    if (!outcome.manifestWritten) {
        Tell(console, {{ops::FactKind::FileNotWrittenNamed,
                        {platform::utf8Of(prepared.job.folder / site::kManifestName)}}});
    }
    printTable(console, outcome.rows, TableText::ModulesSaved);
    const bool fileThere =
        std::any_of(outcome.rows.begin(), outcome.rows.end(), [](const site::ModuleRow& row) {
            return ops::DecidingKind(row.row.reason) == ops::FactKind::FileThere;
        });
    if (fileThere) console.err << TableTextIn(TableText::ReplaceFiles, console.language) << '\n';
    const int status = exitStatus(run, outcome.rows);
    return status == kExitSuccess && !outcome.manifestWritten ? kExitFailure : status;
}

int RunRestoreCommand(Console& console, ConsoleEvents& events) {
    const Options& options = console.options;
    const site::PreparedRestore prepared =
        site::PrepareRestore(options.file, options.report.value_or(""));
    if (!prepared.problem.empty()) {
        // The files that cannot be restored, each with why.
        if (prepared.plan) {
            std::vector<site::ModuleRow> rows;
            for (std::size_t i = 0; i < prepared.plan->entries.size(); ++i) {
                const site::BackupEntry& entry = prepared.plan->entries[i];
                site::RowResult result;
                result.state = site::RowState::Failed;
                result.reason = prepared.plan->problems[i];
                rows.push_back({FormatMac(entry.mac), entry.address, std::move(result)});
            }
            printTable(console, rows, TableText::ModulesRestored);
        }
        Tell(console, prepared.problem);
        return ops::DecidingKind(prepared.problem) == ops::FactKind::NothingRestorable ||
                       prepared.problem.front().kind == ops::FactKind::ReportNotCreatable
                   ? kExitFailure
                   : kExitUsage;
    }
    if (!options.yes &&
        !Confirm(console, platform::FillIn(TableTextIn(TableText::ConfirmRestore, console.language),
                                           {std::to_string(prepared.plan->restorable()),
                                            options.file}))) {
        return kExitFailure;
    }
    std::optional<std::filesystem::path> logFolder;
    if (!PrepareLogFolder(console, logFolder)) return kExitFailure;
    InterruptHandler interrupt;
    ConsoleRun run(console, events);
    const site::RestoreOutcome outcome =
        site::Restore(*prepared.plan, run.options(logFolder), run, prepared.report);
    if (!outcome.reportWritten) {
        Tell(console, {{ops::FactKind::ReportNotWritten, {platform::utf8Of(prepared.report)}}});
    }
    printTable(console, outcome.rows, TableText::ModulesRestored);
    const int status = exitStatus(run, outcome.rows);
    return status == kExitSuccess && !outcome.reportWritten ? kExitFailure : status;
}

}  // namespace quelvar::ui::console
