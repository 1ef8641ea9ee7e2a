// Checking what the Site window's form names, before anything is sent: the
// sheet and an earlier report, the backup folder and its modules, the
// backup to restore and its files.
#include "app/site_preparation.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "app/site_run_lines.h"
#include "app/site_texts.h"
#include "discovery/address_range.h"
#include "ops/messages.h"
#include "ops/retries.h"
#include "ops/search.h"
#include "platform/utf8.h"
#include "site/backup.h"
#include "site/commission_checks.h"
#include "site/handover_words.h"
#include "site/user_file.h"

namespace quelvar::app {

namespace {

using Language = platform::Language;

// A module's line before anything is sent to it.
SiteLine moduleLine(std::string mac, std::string before, std::string after, std::string file) {
    SiteLine line;
    line.mac = std::move(mac);
    line.before = std::move(before);
    line.after = std::move(after);
    line.file = std::move(file);
    return line;
}

std::optional<PreparedRun> refuse(CheckProblem& problem, std::string message) {
    problem.message = std::move(message);
    return std::nullopt;
}

// The sheet, its conflicts counted as malformed rows; nullopt with every bad
// row named in `problem`, and the rows that read lined up all the same.
std::optional<site::CommissionSheet> readSheet(const std::string& name, Language language,
                                               CheckProblem& problem) {
    std::string why;
    std::optional<std::string> text =
        site::ReadUserFile(name, site::kMaxSheetBytes, "commissioning sheet", why);
    if (!text) {
        problem.message = why;
        return std::nullopt;
    }
    site::CommissionSheet sheet = site::ReadCommissionSheet(*text);
    if (!sheet.errors.empty()) {
        problem.message = SiteSay(SiteMessage::SheetRowsBad, language,
                                  {std::to_string(sheet.errors.size()), name});
        for (const ops::Fact& error : sheet.errors) {
            problem.details.push_back(name + ": " + ops::WordsOf(error, language));
        }
        for (const site::SheetRow& row : sheet.rows) {
            problem.lines.push_back(moduleLine(discovery::FormatMac(row.mac), "",
                                               platform::formatIpv4(row.address), row.file));
        }
        return std::nullopt;
    }
    if (sheet.rows.empty()) {
        problem.message = SiteSay(SiteMessage::SheetEmpty, language, {name});
        return std::nullopt;
    }
    return sheet;
}

// The report of an earlier run, which must be of this sheet.
std::optional<site::Report> readEarlierReport(const std::string& name,
                                              const std::string& sheetName,
                                              const site::CommissionSheet& sheet,
                                              CheckProblem& problem) {
    std::string why;
    std::optional<std::string> text = site::ReadUserFile(name, site::kMaxReportBytes, "report", why);
    std::optional<site::Report> report;
    if (text) report = site::ParseReport(*text, why);
    if (report) why = site::ReportMismatch(*report, sheetName, sheet);
    if (!why.empty()) {
        problem.message = text ? name + " " + why : why;
        return std::nullopt;
    }
    return report;
}

// The manifest in `folder`; nullopt with why when it does not read.
std::optional<std::vector<site::BackupEntry>> readManifest(const std::filesystem::path& folder,
                                                           std::string& why) {
    const std::string name = platform::utf8Of(folder / site::kManifestName);
    std::optional<std::string> text =
        site::ReadUserFile(name, site::kMaxManifestBytes, "backup manifest", why);
    if (!text) return std::nullopt;
    std::optional<std::vector<site::BackupEntry>> manifest = site::ParseManifest(*text, why);
    if (!manifest) why = name + " " + why;
    return manifest;
}

bool isThere(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

}  // namespace

std::optional<discovery::SearchScope> SiteSearchScope(const SiteForm& form, Language language,
                                                      CheckProblem& problem) {
    discovery::SearchScope scope = site::RunSearchScope(ops::Retries::Persistent());
    if (!form.range.empty()) {
        discovery::RangeError error;
        std::optional<std::vector<platform::Ipv4Octets>> range =
            discovery::ParseAddressRange(form.range, error);
        if (!range) {
            problem.message =
                SiteSay(SiteMessage::RangeBad, language, {ops::WordsOf(ops::FactOf(error), language)});
            return std::nullopt;
        }
        scope.range = std::move(*range);
    }
    return scope;
}

namespace {

// What every run needs first: a source named, and the search it starts from.
std::optional<PreparedRun> beginRun(SiteTask task, const SiteForm& form, Language language,
                                    CheckProblem& problem) {
    if (form.source.empty()) {
        const SiteMessage choose =
            task == SiteTask::Commission ? SiteMessage::ChooseSheet : SiteMessage::ChooseFolder;
        return refuse(problem, SiteSay(choose, language));
    }
    std::optional<discovery::SearchScope> scope = SiteSearchScope(form, language, problem);
    if (!scope) return std::nullopt;
    PreparedRun run;
    run.task = task;
    run.scope = std::move(*scope);
    return run;
}

}  // namespace

std::optional<PreparedRun> PrepareCommission(const SiteForm& form, Language language,
                                             CheckProblem& problem) {
    std::optional<PreparedRun> begun = beginRun(SiteTask::Commission, form, language, problem);
    if (!begun) return std::nullopt;
    PreparedRun& run = *begun;
    std::optional<site::CommissionSheet> sheet = readSheet(form.source, language, problem);
    if (!sheet) return std::nullopt;
    run.sheet = std::make_shared<site::CommissionSheet>(std::move(*sheet));
    const std::filesystem::path sheetPath = platform::pathFromUtf8(form.source);
    run.sheetName = platform::utf8Of(sheetPath.filename());
    run.sheetFolder = sheetPath.parent_path();

    std::optional<site::Report> earlier;
    if (!form.resume.empty() &&
        !(earlier = readEarlierReport(form.resume, run.sheetName, *run.sheet, problem))) {
        return std::nullopt;
    }
    run.plan = site::PlanSheet(*run.sheet, earlier);
    // The report goes on in the file of the run it resumes unless named anew.
    // A sheet typed into its field keeps its report beside it, as one picked
    // with Browse does.
    const std::string& report = form.report.empty() ? form.resume : form.report;
    run.report = report.empty() ? DefaultReportFor(platform::pathFromUtf8(form.source))
                                : platform::pathFromUtf8(report);

    for (const site::SheetRow& row : run.sheet->rows) {
        run.lines.push_back(
            moduleLine(discovery::FormatMac(row.mac), "", platform::formatIpv4(row.address), row.file));
        const bool file = !row.file.empty();
        run.steps.push_back(1 + (file ? 1 : 0) + (file && form.verify ? 1 : 0));
    }
    for (const auto& [index, row] : run.plan.kept) {
        site::RowResult kept = row.row;
        kept.reason = {{ops::FactKind::PassedEarlier, {}}};
        run.lines[index] = EndedLine(run.lines[index], kept, language);
    }
    run.count = run.plan.toRun.size();
    if (run.count == 0) {
        problem.lines = run.lines;
        return refuse(problem, SiteSay(SiteMessage::NothingToDo, language, {form.resume}));
    }
    run.notes = site::RowsOutsideNetworks(run.sheet->rows, run.plan.toRun, language);
    run.question = SiteSay(SiteMessage::ConfirmCommission, language,
                           {std::to_string(run.count), form.source});
    return begun;
}

std::optional<PreparedRun> PrepareBackup(const SiteForm& form, Language language,
                                         ops::Events& events, CheckProblem& problem) {
    std::optional<PreparedRun> begun = beginRun(SiteTask::Backup, form, language, problem);
    if (!begun) return std::nullopt;
    PreparedRun& run = *begun;
    const std::filesystem::path folder = platform::pathFromUtf8(form.source);
    std::error_code error;
    if (isThere(folder) && !std::filesystem::is_directory(folder, error)) {
        return refuse(problem, SiteSay(SiteMessage::FolderIsFile, language, {form.source}));
    }
    run.backup.folder = folder;
    // The window asks once for the whole backup, and that answer covers
    // replacing the files of the modules it saves; a manifest that cannot be
    // read, whose entries for the other modules would be lost, is not replaced.
    run.backup.replaceFiles = true;
    bool there = isThere(folder / site::kManifestName);
    if (there) {
        std::string why;
        std::optional<std::vector<site::BackupEntry>> earlier = readManifest(folder, why);
        if (!earlier) {
            return refuse(problem, SiteSay(SiteMessage::ManifestNotReplaced, language,
                                           {form.source, why}));
        }
        run.backup.earlier = std::move(*earlier);
    }

    const ops::SearchReport searched = ops::Search(run.scope, events);
    problem.details = SearchLeftOut(searched.result, language);
    if (searched.outcome.kind == ops::OutcomeKind::SocketError) {
        const std::optional<ops::Message> message = ops::MessageFor(searched.outcome, language);
        return refuse(problem, SiteSay(SiteMessage::SearchFailed, language,
                                       {message ? message->text : std::string()}));
    }
    if (searched.result.modules.empty()) {
        return refuse(problem, SiteSay(SiteMessage::NoneFound, language));
    }
    // The run saves exactly the modules the question counts, from this search.
    run.backup.searched = searched.result;
    for (const discovery::DeviceEntry& module : searched.result.modules) {
        const site::BackupEntry entry = site::PlanBackupEntry(module);
        there = there || isThere(folder / platform::pathFromUtf8(entry.file));
        run.lines.push_back(moduleLine(discovery::FormatMac(module.mac), module.ipText, "", entry.file));
        run.steps.push_back(1);
        site::DeviceSelector named;
        named.mac = module.mac;
        run.backup.named.push_back(named);
    }
    run.count = run.lines.size();
    run.question = SiteSay(SiteMessage::ConfirmBackup, language,
                           {std::to_string(run.count), form.source});
    if (there) run.question += "\n\n" + SiteSay(SiteMessage::BackupThere, language);
    return begun;
}

std::optional<PreparedRun> PrepareRestore(const SiteForm& form, Language language,
                                          CheckProblem& problem) {
    std::optional<PreparedRun> begun = beginRun(SiteTask::Restore, form, language, problem);
    if (!begun) return std::nullopt;
    PreparedRun& run = *begun;
    const std::filesystem::path folder = platform::pathFromUtf8(form.source);
    std::string why;
    std::optional<std::vector<site::BackupEntry>> manifest = readManifest(folder, why);
    if (!manifest) return refuse(problem, SiteSay(SiteMessage::NotABackup, language, {form.source, why}));

    // Every file is checked against the manifest now, before the question.
    run.restore = site::PlanRestore(folder, std::move(*manifest));
    const site::RestorePlan& plan = *run.restore;
    for (std::size_t i = 0; i < plan.entries.size(); ++i) {
        SiteLine line = moduleLine(discovery::FormatMac(plan.entries[i].mac),
                                   plan.entries[i].address, "", plan.entries[i].file);
        if (!plan.problems[i].empty()) {
            line.result = std::string(site::StateName(site::RowState::Failed, language));
            line.reason = ops::WordsOf(plan.problems[i], language);
            line.look = LineLook::Failed;
        }
        run.lines.push_back(std::move(line));
        run.steps.push_back(form.verify ? 2 : 1);
    }
    run.count = plan.restorable();
    if (run.count == 0) {
        problem.lines = run.lines;
        return refuse(problem, SiteSay(SiteMessage::NothingRestorable, language, {form.source}));
    }
    // The report field is the commissioning's: a restore's report has a place of its own.
    run.report = DefaultRestoreReportFor(folder);
    run.question = SiteSay(SiteMessage::ConfirmRestore, language,
                           {std::to_string(run.count), form.source});
    return begun;
}

std::vector<std::string> SearchLeftOut(const discovery::SearchResult& result, Language language) {
    std::vector<std::string> notes;
    for (const ops::Fact& left : ops::SearchLeftOut(result)) notes.push_back(ops::WordsOf(left, language));
    return notes;
}

std::filesystem::path DefaultReportFor(const std::filesystem::path& sheet) {
    std::filesystem::path report = sheet;
    report.replace_filename(platform::pathFromUtf8(platform::utf8Of(sheet.stem()) + "-report.json"));
    return report;
}

std::filesystem::path DefaultRestoreReportFor(const std::filesystem::path& folder) {
    std::filesystem::path named = folder.lexically_normal();
    if (!named.has_filename()) named = named.parent_path();
    named.replace_filename(
        platform::pathFromUtf8(platform::utf8Of(named.filename()) + "-restore-report.json"));
    return named;
}

}  // namespace quelvar::app
