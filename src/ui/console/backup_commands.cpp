// backup and restore: the folder and its manifest checked, the question
// asked, the run itself (site::Backup, site::Restore), and its summary.
#include <algorithm>
#include <ostream>

#include "platform/utf8.h"
#include "site/backup_run.h"
#include "site/user_file.h"
#include "ui/console/commands.h"
#include "ui/console/console_run.h"
#include "ui/console/interrupt.h"
#include "ui/console/row_table.h"

namespace quelvar::ui::console {

namespace {

// The manifest in `folder`; nullopt, told, when it does not read.
std::optional<std::vector<site::BackupEntry>> readManifest(Console& console,
                                                           const std::filesystem::path& folder,
                                                           const char* whenUnreadable) {
    const std::string name = platform::utf8Of(folder / site::kManifestName);
    std::optional<std::string> text =
        ReadNamedFile(console, name, site::kMaxManifestBytes, "backup manifest");
    if (!text) return std::nullopt;
    std::string why;
    std::optional<std::vector<site::BackupEntry>> manifest = site::ParseManifest(*text, why);
    if (!manifest) console.err << name << " " << why << whenUnreadable << '\n';
    return manifest;
}

// The folder a backup goes into, made when missing, and what its earlier
// manifest holds; an exit status when there is no going on.
std::optional<int> prepareBackupFolder(Console& console, const std::filesystem::path& folder,
                                       std::vector<site::BackupEntry>& earlier) {
    std::error_code error;
    if (std::filesystem::exists(folder, error) && !std::filesystem::is_directory(folder, error)) {
        console.err << console.options.file << " is a file, not a folder for a backup\n";
        return kExitUsage;
    }
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error)) {
        console.err << "cannot create the folder " << console.options.file << '\n';
        return kExitFailure;
    }
    // A backup there already is replaced only when asked to, and then only
    // for the modules this run saves: the others keep their entries, so a
    // manifest that cannot be read, whose entries would be lost, is not replaced.
    if (!std::filesystem::exists(folder / site::kManifestName, error)) return std::nullopt;
    if (!console.options.yes) {
        console.err << platform::utf8Of(folder / site::kManifestName)
                    << " is there already: give --yes to replace that backup, or another folder\n";
        return kExitFailure;
    }
    auto manifest = readManifest(console, folder, ": not replaced; give another folder");
    if (!manifest) return kExitUsage;
    earlier = std::move(*manifest);
    return std::nullopt;
}

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
    site::BackingUp job{platform::pathFromUtf8(console.options.file), {}, console.options.devices,
                        console.options.yes, std::nullopt};
    if (std::optional<int> status = prepareBackupFolder(console, job.folder, job.earlier)) {
        return *status;
    }
    std::optional<std::filesystem::path> logFolder;
    if (!PrepareLogFolder(console, logFolder)) return kExitFailure;
    InterruptHandler interrupt;
    ConsoleRun run(console, events);
    const site::BackupOutcome outcome = site::Backup(job, run.options(logFolder), run);
    if (outcome.rows.empty()) {
        // The search has said why.
        console.err << "no module to back up\n";
        return kExitFailure;
    }
    if (!outcome.manifestWritten) {
        console.err << "cannot write " << platform::utf8Of(job.folder / site::kManifestName)
                    << '\n';
    }
    printTable(console, outcome.rows, TableText::ModulesSaved);
    const bool fileThere =
        std::any_of(outcome.rows.begin(), outcome.rows.end(), [](const site::ModuleRow& row) {
            return ops::DecidingKind(row.row.reason) == ops::FactKind::FileThere;
        });
    if (fileThere) console.err << "give --yes to replace the files that are there already\n";
    const int status = exitStatus(run, outcome.rows);
    return status == kExitSuccess && !outcome.manifestWritten ? kExitFailure : status;
}

int RunRestoreCommand(Console& console, ConsoleEvents& events) {
    const std::filesystem::path folder = platform::pathFromUtf8(console.options.file);
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        console.err << console.options.file << " is no folder of a backup\n";
        return kExitUsage;
    }
    auto manifest = readManifest(console, folder, "");
    if (!manifest) return kExitUsage;
    // Every file is checked against the manifest before anything is sent.
    const site::RestorePlan plan = site::PlanRestore(folder, std::move(*manifest));
    if (!console.options.yes &&
        !Confirm(console, "Restore " + std::to_string(plan.restorable()) + " module(s) from " +
                              console.options.file + "?")) {
        return kExitFailure;
    }
    std::optional<std::filesystem::path> logFolder;
    if (!PrepareLogFolder(console, logFolder)) return kExitFailure;
    InterruptHandler interrupt;
    ConsoleRun run(console, events);
    const std::optional<std::filesystem::path> report =
        console.options.report ? std::optional(platform::pathFromUtf8(*console.options.report))
                               : std::nullopt;
    const site::RestoreOutcome outcome = site::Restore(plan, run.options(logFolder), run, report);
    if (!outcome.reportWritten) console.err << "cannot write the report " << *console.options.report << '\n';
    printTable(console, outcome.rows, TableText::ModulesRestored);
    const int status = exitStatus(run, outcome.rows);
    return status == kExitSuccess && !outcome.reportWritten ? kExitFailure : status;
}

}  // namespace quelvar::ui::console
