#include "site/backup_run.h"

#include <algorithm>

#include "ops/commission_module.h"
#include "ops/search.h"
#include "ops/whereabouts.h"
#include "platform/utf8.h"
#include "site/running_file.h"

namespace quelvar::site {

namespace {

RowResult failedRow(ops::Reason why) {
    RowResult row;
    row.state = RowState::Failed;
    row.reason = std::move(why);
    return row;
}

}  // namespace

std::vector<std::optional<discovery::DeviceEntry>> ModulesOfRun(
    const std::vector<DeviceSelector>& named, const discovery::SearchResult& searched,
    const RunOptions& options) {
    std::vector<std::optional<discovery::DeviceEntry>> modules;
    if (named.empty()) {
        modules.assign(searched.modules.begin(), searched.modules.end());
        return modules;
    }
    for (const DeviceSelector& selector : named) {
        std::optional<discovery::DeviceEntry> module;
        if (const discovery::DeviceEntry* found = FindDevice(searched.modules, selector)) {
            module = *found;
        } else if (selector.kind == DeviceSelector::Kind::Address) {
            // Not among the search's answers: asked at its address, as a module named by one is.
            ops::Occupant occupant = ops::WhoAnswersAt(selector.address, options.retries);
            if (!occupant.modules.empty()) module = occupant.modules.front();
        }
        modules.push_back(std::move(module));
    }
    return modules;
}

BackupOutcome Backup(const BackingUp& job, const RunOptions& options, RunEvents& events) {
    const discovery::SearchResult searched =
        job.searched ? *job.searched : ops::Search(options.search, events.runEvents()).result;
    events.searched(searched);
    const ops::Retries retries = ops::AfterSearch(options.retries, searched);
    std::vector<std::optional<discovery::DeviceEntry>> modules =
        ModulesOfRun(job.named, searched, options);
    BackupOutcome outcome;
    // The search has said why; a manifest of nothing would only stand in the way.
    if (modules.empty()) return outcome;

    // Kept true as modules end: a run that is killed leaves a manifest that
    // matches every file it had replaced a moment before.
    const std::vector<BackupEntry>& earlier = job.earlier;
    RunningFile<BackupEntry> manifest(job.folder / kManifestName, modules.size(),
                                      [&earlier](const std::vector<BackupEntry>& ended) {
                                          return ManifestText(MergeManifest(ended, earlier));
                                      });
    std::vector<BackupEntry> entries(modules.size());
    outcome.rows.resize(modules.size());
    std::vector<std::size_t> toSave;
    for (std::size_t i = 0; i < modules.size(); ++i) {
        BackupEntry& entry = entries[i];
        ModuleRow& row = outcome.rows[i];
        if (!modules[i]) {
            // Named and found nowhere.
            const DeviceSelector& selector = job.named[i];
            if (selector.kind == DeviceSelector::Kind::Mac) entry.mac = selector.mac;
            entry.reason = {{ops::FactKind::NotFound, {}}};
            row = {selector.text(), "", failedRow(entry.reason)};
            manifest.keep(i, entry);
            continue;
        }
        const discovery::DeviceEntry& module = *modules[i];
        entry = PlanBackupEntry(module);
        row = {discovery::FormatMac(module.mac), module.ipText, {}};
        std::error_code error;
        if (!job.replaceFiles &&
            std::filesystem::exists(job.folder / platform::pathFromUtf8(entry.file), error)) {
            entry.reason = {{ops::FactKind::FileThere, {entry.file}}};
            row.row = failedRow(entry.reason);
            manifest.keep(i, entry);
            continue;
        }
        toSave.push_back(i);
    }

    SiteRows rows;
    rows.count = toSave.size();
    rows.names = [&](std::size_t n) {
        const ModuleRow& row = outcome.rows[toSave[n]];
        return RowNames{row.mac, 0, row.address, false};
    };
    rows.logName = [&](std::size_t n) { return ModuleLogName(modules[toSave[n]]->mac); };
    rows.body = [&](std::size_t n, ops::Events& rowEvents) {
        BackupEntry& entry = entries[toSave[n]];
        const discovery::DeviceEntry& module = *modules[toSave[n]];
        rowEvents.step("save");
        RowResult result;
        result.steps = {"save"};
        result.before = result.after = module.ipText;
        const ops::Outcome saved = BackUpModule(module, job.folder, entry, retries, rowEvents);
        result.state = saved.succeeded() ? RowState::Passed : RowState::Failed;
        result.reason = saved.succeeded() ? ops::Reason{{ops::FactKind::Saved, {entry.file}}}
                                          : entry.reason;
        result.product = entry.product;
        result.firmware = entry.firmware;
        result.sha256 = entry.sha256;
        return result;
    };
    rows.ended = [&](std::size_t n, const RowResult& result) {
        BackupEntry& entry = entries[toSave[n]];
        entry.started = result.started;
        entry.seconds = result.seconds;
        manifest.record(toSave[n], entry);
    };
    rows.meanwhile = [&] { manifest.writeDue(); };
    const std::vector<RowResult> results = RunSiteRows(rows, options, events);
    for (std::size_t n = 0; n < toSave.size(); ++n) {
        outcome.rows[toSave[n]].row = results[n];
        if (results[n].state == RowState::NotStarted) {
            entries[toSave[n]].reason = results[n].reason;
            manifest.keep(toSave[n], entries[toSave[n]]);
        }
    }
    outcome.manifestWritten = manifest.flush();
    // Only once the manifest on disk names the new files: a run killed before
    // leaves the old file beside the new one, never a manifest naming a file
    // that is gone. A file that cannot be removed is left; no manifest names
    // it, so no restore reads it.
    if (outcome.manifestWritten) {
        const std::vector<BackupEntry> written = MergeManifest(manifest.rows(), earlier);
        for (const std::string& file : ReplacedFiles(written, earlier)) {
            if (!IsPlainFileName(file)) continue;
            std::error_code error;
            std::filesystem::remove(job.folder / platform::pathFromUtf8(file), error);
        }
    }
    return outcome;
}

std::size_t RestorePlan::restorable() const {
    return static_cast<std::size_t>(
        std::count_if(problems.begin(), problems.end(), [](const ops::Reason& p) { return p.empty(); }));
}

RestorePlan PlanRestore(const std::filesystem::path& folder, std::vector<BackupEntry> manifest) {
    RestorePlan plan;
    plan.folder = folder;
    for (const BackupEntry& entry : manifest) {
        RestoreFile checked = CheckRestoreFile(folder, entry);
        plan.bytes.push_back(std::move(checked.bytes));
        plan.problems.push_back(std::move(checked.problem));
    }
    plan.entries = std::move(manifest);
    return plan;
}

RestoreOutcome Restore(const RestorePlan& plan, const RunOptions& options, RunEvents& events,
                       const std::optional<std::filesystem::path>& report) {
    RestoreOutcome outcome;
    std::vector<ModuleRow>& rows = outcome.rows;
    rows.resize(plan.entries.size());
    std::optional<ReportFile> reportFile;
    auto reported = [&](std::size_t i, const RowResult& row) {
        return ReportRow{static_cast<int>(i + 1), plan.entries[i].mac, plan.entries[i].file, row};
    };
    if (report) {
        reportFile.emplace(*report, platform::utf8Of(plan.folder.filename()), rows.size(),
                           std::vector<std::pair<std::size_t, ReportRow>>{}, ReportTask::Restore);
    }
    std::vector<std::size_t> toRestore;
    discovery::SearchScope scope = options.search;
    for (std::size_t i = 0; i < plan.entries.size(); ++i) {
        rows[i].mac = discovery::FormatMac(plan.entries[i].mac);
        if (!plan.problems[i].empty()) {
            rows[i].row = failedRow(plan.problems[i]);
            if (reportFile) reportFile->keep(i, reported(i, rows[i].row));
            continue;
        }
        toRestore.push_back(i);
        scope.wanted.push_back(plan.entries[i].mac);
    }
    const ops::SearchReport searched = ops::Search(scope, events.runEvents());
    events.searched(searched.result);

    SiteRows site;
    site.count = toRestore.size();
    site.names = [&](std::size_t n) {
        return RowNames{rows[toRestore[n]].mac, 0, "", false};
    };
    site.logName = [&](std::size_t n) { return ModuleLogName(plan.entries[toRestore[n]].mac); };
    site.body = [&](std::size_t n, ops::Events& rowEvents) {
        // The module with this MAC address, wherever it is now; never another one.
        const BackupEntry& entry = plan.entries[toRestore[n]];
        ops::CommissionPlan restore;
        restore.mac = entry.mac;
        restore.file = plan.folder / platform::pathFromUtf8(entry.file);
        restore.fileBytes = plan.bytes[toRestore[n]];
        restore.verify = options.verify;
        restore.stopRequested = [&events] { return events.stopRequested(); };
        return RowOf(ops::CommissionModule(searched.result.modules, restore,
                                           ops::AfterSearch(options.retries, searched.result),
                                           rowEvents));
    };
    site.ended = [&](std::size_t n, const RowResult& result) {
        if (reportFile) reportFile->record(toRestore[n], reported(toRestore[n], result));
    };
    site.meanwhile = [&] {
        if (reportFile) reportFile->writeDue();
    };
    const std::vector<RowResult> results = RunSiteRows(site, options, events);
    for (std::size_t n = 0; n < toRestore.size(); ++n) {
        rows[toRestore[n]].row = results[n];
        rows[toRestore[n]].address = results[n].after;
        if (reportFile && results[n].state == RowState::NotStarted) {
            reportFile->keep(toRestore[n], reported(toRestore[n], results[n]));
        }
    }
    if (reportFile) outcome.reportWritten = reportFile->flush();
    return outcome;
}

}  // namespace quelvar::site
