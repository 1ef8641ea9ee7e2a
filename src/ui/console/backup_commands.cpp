// backup and restore: every module of a site saved side by side into a
// folder with a manifest, and each file applied again to the module with its
// MAC address, wherever that module now is.
#include <cstdint>
#include <iomanip>
#include <ostream>

#include "ops/commission_module.h"
#include "ops/whereabouts.h"
#include "platform/utf8.h"
#include "site/backup.h"
#include "site/running_file.h"
#include "ui/console/commands.h"
#include "ui/console/file_reading.h"
#include "ui/console/interrupt.h"
#include "ui/console/module_lookup.h"
#include "ui/console/row_run.h"

namespace quelvar::ui::console {

namespace {

using site::BackupEntry;

// A manifest of a thousand modules takes about half a megabyte.
constexpr std::size_t kMaxManifestBytes = 16 << 20;

struct Line {
    std::string mac;
    std::string address;
    RowOutcome outcome;
};

// One line per module in the order given, then how many of them passed.
void printTable(std::ostream& out, const std::vector<Line>& lines, const char* passedWord) {
    std::size_t passed = 0;
    out << std::left << std::setw(4) << "ROW" << ' ' << std::setw(17) << "MAC" << ' '
        << std::setw(15) << "ADDRESS" << ' ' << std::setw(6) << "RESULT" << ' ' << "DETAIL\n";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        if (line.outcome.state == RowOutcome::State::Passed) ++passed;
        const std::string detail = line.outcome.state == RowOutcome::State::NotStarted
                                       ? "not started (interrupted)"
                                       : line.outcome.detail;
        out << std::left << std::setw(4) << i + 1 << ' ' << std::setw(17) << line.mac << ' '
            << std::setw(15) << line.address << ' ' << std::setw(6) << StateWord(line.outcome.state)
            << ' ' << detail << '\n';
    }
    out << passed << " of " << lines.size() << " module(s) " << passedWord << '\n';
    out.flush();
}

int exitStatus(const RowRun& run, const std::vector<Line>& lines) {
    if (run.interrupted()) return kExitInterrupted;
    for (const Line& line : lines) {
        if (line.outcome.state != RowOutcome::State::Passed) return kExitFailure;
    }
    return lines.empty() ? kExitFailure : kExitSuccess;
}

// The modules a backup saves: every one the search found, or those named
// (nullopt for one found nowhere).
std::vector<std::optional<discovery::DeviceEntry>> modulesToSave(Console& console,
                                                                 ConsoleEvents& events) {
    ops::SearchReport searched = SearchModules(console, events);
    std::vector<std::optional<discovery::DeviceEntry>> modules;
    if (console.options.devices.empty()) {
        for (const discovery::DeviceEntry& entry : searched.result.modules) {
            modules.push_back(entry);
        }
        return modules;
    }
    for (const DeviceSelector& selector : console.options.devices) {
        std::optional<discovery::DeviceEntry> module;
        if (const discovery::DeviceEntry* found = FindDevice(searched.result.modules, selector)) {
            module = *found;
        } else if (selector.kind == DeviceSelector::Kind::Address) {
            // Not among the search's answers: asked at its address, as a module named by one is.
            ops::Occupant occupant = ops::WhoAnswersAt(selector.address, console.retries);
            if (!occupant.modules.empty()) module = occupant.modules.front();
        }
        modules.push_back(std::move(module));
    }
    return modules;
}

}  // namespace

int RunBackupCommand(Console& console, ConsoleEvents& events) {
    const Options& options = console.options;
    const std::filesystem::path folder = platform::pathFromUtf8(options.file);
    std::error_code error;
    if (std::filesystem::exists(folder, error) && !std::filesystem::is_directory(folder, error)) {
        console.err << options.file << " is a file, not a folder for a backup\n";
        return kExitUsage;
    }
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error)) {
        console.err << "cannot create the folder " << options.file << '\n';
        return kExitFailure;
    }
    // A backup there already is replaced only when asked to, and then only
    // for the modules this run saves: the others keep their entries.
    const std::filesystem::path manifestPath = folder / site::kManifestName;
    std::vector<BackupEntry> earlier;
    if (std::filesystem::exists(manifestPath, error)) {
        if (!options.yes) {
            console.err
                << platform::utf8Of(manifestPath)
                << " is there already: give --yes to replace that backup, or another folder\n";
            return kExitFailure;
        }
        // Its entries are kept for the modules not saved again: a manifest
        // that cannot be read would lose them, so it is not replaced.
        std::optional<std::string> text = ReadNamedFile(
            platform::utf8Of(manifestPath), kMaxManifestBytes, "backup manifest", console.err);
        if (!text) return kExitUsage;
        std::string why;
        std::optional<std::vector<BackupEntry>> parsed = site::ParseManifest(*text, why);
        if (!parsed) {
            console.err << platform::utf8Of(manifestPath) << " " << why
                        << ": not replaced; give another folder\n";
            return kExitUsage;
        }
        earlier = std::move(*parsed);
    }
    std::optional<std::filesystem::path> logFolder;
    if (!PrepareLogFolder(console, logFolder)) return kExitFailure;

    InterruptHandler interrupt;
    std::vector<std::optional<discovery::DeviceEntry>> modules = modulesToSave(console, events);
    events.eraseProgress();
    if (modules.empty()) {
        // The search has said why; a manifest of nothing would only stand in the way.
        console.err << "no module to back up\n";
        return kExitFailure;
    }

    // Kept true as modules end: a run that is killed leaves a manifest that
    // matches every file it had replaced a moment before.
    site::RunningFile<BackupEntry> manifest(
        manifestPath, modules.size(), [&earlier](const std::vector<BackupEntry>& ended) {
            return site::ManifestText(site::MergeManifest(ended, earlier));
        });
    std::vector<BackupEntry> entries(modules.size());
    std::vector<Line> lines(modules.size());
    std::vector<std::size_t> toSave;
    for (std::size_t i = 0; i < modules.size(); ++i) {
        BackupEntry& entry = entries[i];
        Line& line = lines[i];
        if (!modules[i]) {
            // Named on the command line and found nowhere.
            const DeviceSelector& selector = options.devices[i];
            if (selector.kind == DeviceSelector::Kind::Mac) entry.mac = selector.mac;
            entry.reason = "not found";
            line = {selector.text(), "", {RowOutcome::State::Failed, entry.reason}};
            manifest.keep(i, entry);
            continue;
        }
        const discovery::DeviceEntry& module = *modules[i];
        entry = site::PlanBackupEntry(module);
        line = {FormatMac(module.mac), module.ipText, {}};
        if (!options.yes &&
            std::filesystem::exists(folder / platform::pathFromUtf8(entry.file), error)) {
            entry.reason =
                entry.file + " is there already; not replaced (give --yes to replace it)";
            line.outcome = {RowOutcome::State::Failed, entry.reason};
            manifest.keep(i, entry);
            continue;
        }
        toSave.push_back(i);
    }

    auto moduleName = [&](std::size_t n) { return "module " + lines[toSave[n]].mac; };
    RowRun run(
        console, toSave.size(), moduleName,
        [&](std::size_t n) { return moduleName(n) + " " + lines[toSave[n]].address; },
        [&](std::size_t n) { return lines[toSave[n]].mac; });
    auto body = [&](std::size_t n, RowEvents& rowEvents) {
        BackupEntry& entry = entries[toSave[n]];
        ops::Outcome saved =
            site::BackUpModule(*modules[toSave[n]], folder, entry, console.retries, rowEvents);
        manifest.record(toSave[n], entry);
        if (!saved.succeeded()) return RowOutcome{RowOutcome::State::Failed, entry.reason};
        return RowOutcome{RowOutcome::State::Passed, "saved " + entry.file};
    };
    std::vector<RowOutcome> outcomes = run.run(
        body, logFolder, [&](std::size_t n) { return ModuleLogName(modules[toSave[n]]->mac); },
        [&] { manifest.writeDue(); });
    for (std::size_t n = 0; n < toSave.size(); ++n) {
        lines[toSave[n]].outcome = outcomes[n];
        if (outcomes[n].state == RowOutcome::State::NotStarted) {
            entries[toSave[n]].reason = "not started (interrupted)";
            manifest.keep(toSave[n], entries[toSave[n]]);
        }
    }

    int status = kExitSuccess;
    if (!manifest.flush()) {
        console.err << "cannot write " << platform::utf8Of(manifestPath) << '\n';
        status = kExitFailure;
    }
    printTable(console.out, lines, "saved");
    const int result = exitStatus(run, lines);
    return result != kExitSuccess ? result : status;
}

int RunRestoreCommand(Console& console, ConsoleEvents& events) {
    const Options& options = console.options;
    const std::filesystem::path folder = platform::pathFromUtf8(options.file);
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        console.err << options.file << " is no folder of a backup\n";
        return kExitUsage;
    }
    const std::string manifestName = platform::utf8Of(folder / site::kManifestName);
    std::optional<std::string> text =
        ReadNamedFile(manifestName, kMaxManifestBytes, "backup manifest", console.err);
    if (!text) return kExitUsage;
    std::string why;
    std::optional<std::vector<BackupEntry>> manifest = site::ParseManifest(*text, why);
    if (!manifest) {
        console.err << manifestName << " " << why << '\n';
        return kExitUsage;
    }

    // Every file is checked against the manifest before anything is sent.
    std::vector<Line> lines;
    std::vector<BackupEntry> toRestore;
    std::vector<std::vector<std::uint8_t>> checkedBytes;  // what is applied to each
    std::vector<std::size_t> lineOf;  // the line of each module to restore
    for (const BackupEntry& entry : *manifest) {
        lines.push_back({FormatMac(entry.mac), "", {}});
        site::RestoreFile checked = site::CheckRestoreFile(folder, entry);
        if (checked.problem.empty()) {
            toRestore.push_back(entry);
            checkedBytes.push_back(std::move(checked.bytes));
            lineOf.push_back(lines.size() - 1);
        } else {
            lines.back().outcome = {RowOutcome::State::Failed, std::move(checked.problem)};
        }
    }

    if (!options.yes && !Confirm(console, "Restore " + std::to_string(toRestore.size()) +
                                              " module(s) from " + options.file + "?")) {
        return kExitFailure;
    }
    std::optional<std::filesystem::path> logFolder;
    if (!PrepareLogFolder(console, logFolder)) return kExitFailure;
    InterruptHandler interrupt;
    std::vector<discovery::MacAddress> wanted;
    for (const auto& entry : toRestore) wanted.push_back(entry.mac);
    ops::SearchReport searched = SearchModules(console, events, std::move(wanted));
    events.eraseProgress();

    auto moduleName = [&](std::size_t n) { return "module " + FormatMac(toRestore[n].mac); };
    RowRun run(console, toRestore.size(), moduleName, moduleName,
               [&](std::size_t n) { return FormatMac(toRestore[n].mac); });
    auto body = [&](std::size_t n, RowEvents& rowEvents) {
        // The module with this MAC address, wherever it is now; never another one.
        ops::CommissionPlan plan;
        plan.mac = toRestore[n].mac;
        plan.file = folder / platform::pathFromUtf8(toRestore[n].file);
        plan.fileBytes = checkedBytes[n];
        plan.verify = options.verify;
        plan.stopRequested = [&run] { return run.stopRequested(); };
        ops::CommissionResult result =
            ops::CommissionModule(searched.result.modules, plan, console.retries, rowEvents);
        lines[lineOf[n]].address = result.after;
        return RowOutcome{RowStateOf(result.state), result.detail};
    };
    std::vector<RowOutcome> outcomes =
        run.run(body, logFolder, [&](std::size_t n) { return ModuleLogName(toRestore[n].mac); });
    for (std::size_t n = 0; n < toRestore.size(); ++n) lines[lineOf[n]].outcome = outcomes[n];
    printTable(console.out, lines, "restored");
    return exitStatus(run, lines);
}

}  // namespace quelvar::ui::console
