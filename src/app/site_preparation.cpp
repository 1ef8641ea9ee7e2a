// The Site window's side of preparing a run: what the form names is handed
// to site's preparation, and what that found becomes the table's first
// lines, the notes and the one question. A backup searches here, so that
// its question counts the modules it will save.
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

// Why site's preparation would not go on, in the window's language.
std::optional<PreparedRun> refuse(CheckProblem& problem, const ops::Reason& why, Language language) {
    return refuse(problem, ops::WordsOf(why, language));
}

// A sheet's rows as the table first shows them.
std::vector<SiteLine> sheetLines(const site::CommissionSheet& sheet) {
    std::vector<SiteLine> lines;
    for (const site::SheetRow& row : sheet.rows) {
        lines.push_back(
            moduleLine(discovery::FormatMac(row.mac), "", platform::formatIpv4(row.address), row.file));
    }
    return lines;
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

// The search a backup or an audit lines its modules up from; nullopt when
// it could not be made or found none, having said why.
std::optional<ops::SearchReport> searchSite(const PreparedRun& run, Language language,
                                            ops::Events& events, CheckProblem& problem) {
    ops::SearchReport searched = ops::Search(run.scope, events);
    problem.details = SearchLeftOut(searched.result, language);
    if (searched.outcome.kind == ops::OutcomeKind::SocketError) {
        const std::optional<ops::Message> message = ops::MessageFor(searched.outcome, language);
        refuse(problem, SiteSay(SiteMessage::SearchFailed, language,
                                {message ? message->text : std::string()}));
        return std::nullopt;
    }
    if (searched.result.modules.empty()) {
        refuse(problem, SiteSay(SiteMessage::NoneFound, language));
        return std::nullopt;
    }
    return searched;
}

site::DeviceSelector byMac(const discovery::MacAddress& mac) {
    site::DeviceSelector named;
    named.kind = site::DeviceSelector::Kind::Mac;
    named.mac = mac;
    return named;
}

// An audit's modules from the backup folder or sheet the form names, or
// from a search; their lines, and the one question when any is to be read.
bool lineUpAudit(PreparedRun& run, const SiteForm& form, Language language, ops::Events& events,
                 CheckProblem& problem) {
    PreparedAudit& audit = run.audit;
    ops::Reason why;
    if (AuditsBackup(form.resume)) {
        std::filesystem::path folder = platform::pathFromUtf8(form.resume);
        std::error_code error;
        if (!std::filesystem::is_directory(folder, error)) folder = folder.parent_path();
        audit.backupFolder = platform::utf8Of(folder);
        std::optional<std::vector<site::AuditedSource>> read =
            site::ReadBackupForAudit(audit.backupFolder, why);
        if (!read) return refuse(problem, why, language), false;
        audit.backup = std::move(*read);
        for (const site::AuditedSource& source : audit.backup) {
            run.lines.push_back(moduleLine(source.mac, source.address, "", ""));
        }
        run.count = run.lines.size();
        return true;  // nothing is sent: no question
    }
    if (!form.resume.empty()) {
        std::optional<std::vector<site::DeviceSelector>> rows = site::ModulesOfSheet(form.resume, why);
        if (!rows) return refuse(problem, why, language), false;
        audit.named = std::move(*rows);
        for (const site::DeviceSelector& named : audit.named) {
            run.lines.push_back(moduleLine(discovery::FormatMac(named.mac), "", "", ""));
        }
    } else {
        const std::optional<ops::SearchReport> searched = searchSite(run, language, events, problem);
        if (!searched) return false;
        // The run reads exactly the modules the question counts.
        for (const discovery::DeviceEntry& module : searched->result.modules) {
            audit.named.push_back(byMac(module.mac));
            run.lines.push_back(moduleLine(discovery::FormatMac(module.mac), module.ipText, "", ""));
        }
    }
    run.steps.assign(run.lines.size(), 1);
    run.count = run.lines.size();
    run.question = SiteSay(SiteMessage::ConfirmAudit, language,
                           {std::to_string(run.count), form.source});
    return true;
}

}  // namespace

bool AuditsBackup(const std::string& modules) {
    if (modules.empty()) return false;
    const std::filesystem::path path = platform::pathFromUtf8(modules);
    std::error_code error;
    return path.filename() == site::kManifestName || std::filesystem::is_directory(path, error);
}

std::optional<PreparedRun> PrepareAudit(const SiteForm& form, Language language,
                                        ops::Events& events, CheckProblem& problem) {
    if (form.source.empty()) return refuse(problem, SiteSay(SiteMessage::ChooseReference, language));
    std::optional<discovery::SearchScope> scope = SiteSearchScope(form, language, problem);
    if (!scope) return std::nullopt;
    PreparedRun run;
    run.task = SiteTask::Audit;
    run.scope = std::move(*scope);
    ops::Reason why;
    std::optional<site::RecordFile> reference = site::ReadRecordFile(form.source, why);
    if (!reference) return refuse(problem, why, language);
    run.audit.reference = std::move(*reference);
    run.audit.referenceName = form.source;
    // As a commissioning's: an empty field keeps it beside the reference.
    run.audit.report = form.report.empty() ? DefaultAuditReportFor(platform::pathFromUtf8(form.source))
                                           : platform::pathFromUtf8(form.report);
    if (const std::string cannot = site::WhyCannotCreate(run.audit.report); !cannot.empty()) {
        return refuse(problem,
                      {{ops::FactKind::ReportNotCreatable, {platform::utf8Of(run.audit.report), cannot}}},
                      language);
    }
    if (!lineUpAudit(run, form, language, events, problem)) return std::nullopt;
    return run;
}

std::optional<PreparedRun> PrepareCommission(const SiteForm& form, Language language,
                                             CheckProblem& problem) {
    std::optional<PreparedRun> begun = beginRun(SiteTask::Commission, form, language, problem);
    if (!begun) return std::nullopt;
    PreparedRun& run = *begun;
    run.commission = site::PrepareCommission({form.source, form.resume, form.report});
    const site::PreparedCommission& commission = run.commission;
    if (commission.sheet) run.lines = sheetLines(*commission.sheet);
    for (const ops::Reason& bad : commission.details) {
        problem.details.push_back(ops::WordsOf(bad, language));
    }
    for (const auto& [index, row] : commission.plan.kept) {
        site::RowResult kept = row.row;
        kept.reason = {{ops::FactKind::PassedEarlier, {}}};
        run.lines[index] = EndedLine(run.lines[index], kept, language);
    }
    if (!commission.problem.empty()) {
        problem.lines = run.lines;
        return refuse(problem, commission.problem, language);
    }
    for (const site::SheetRow& row : commission.sheet->rows) {
        const bool file = !row.file.empty();
        run.steps.push_back(1 + (file ? 1 : 0) + (file && form.verify ? 1 : 0));
    }
    run.count = commission.plan.toRun.size();
    run.notes = site::RowsOutsideNetworks(commission.sheet->rows, commission.plan.toRun, language);
    run.question = SiteSay(SiteMessage::ConfirmCommission, language,
                           {std::to_string(run.count), form.source});
    return begun;
}

std::optional<PreparedRun> PrepareBackup(const SiteForm& form, Language language,
                                         ops::Events& events, CheckProblem& problem) {
    std::optional<PreparedRun> begun = beginRun(SiteTask::Backup, form, language, problem);
    if (!begun) return std::nullopt;
    PreparedRun& run = *begun;
    // The window asks once for the whole backup, and that answer covers
    // replacing the files of the modules it saves.
    site::PreparedBackup prepared = site::PrepareBackup({form.source, {}, true});
    if (!prepared.problem.empty()) return refuse(problem, prepared.problem, language);
    run.backup = std::move(prepared.job);
    bool there = prepared.manifestThere;

    const std::optional<ops::SearchReport> searched = searchSite(*begun, language, events, problem);
    if (!searched) return std::nullopt;
    // The run saves exactly the modules the question counts, from this search.
    run.backup.searched = searched->result;
    for (const discovery::DeviceEntry& module : searched->result.modules) {
        const site::BackupEntry entry = site::PlanBackupEntry(module);
        there = there || isThere(run.backup.folder / platform::pathFromUtf8(entry.file));
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
    // The report field is the commissioning's: a restore's report has a place of its own.
    run.restore = site::PrepareRestore(form.source, "");
    if (run.restore.plan) {
        const site::RestorePlan& plan = *run.restore.plan;
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
    }
    if (!run.restore.problem.empty()) {
        problem.lines = run.lines;
        return refuse(problem, run.restore.problem, language);
    }
    run.count = run.restore.plan->restorable();
    run.question = SiteSay(SiteMessage::ConfirmRestore, language,
                           {std::to_string(run.count), form.source});
    return begun;
}

std::vector<std::string> SearchLeftOut(const discovery::SearchResult& result, Language language) {
    std::vector<std::string> notes;
    for (const ops::Fact& left : ops::SearchLeftOut(result)) notes.push_back(ops::WordsOf(left, language));
    return notes;
}

}  // namespace quelvar::app
