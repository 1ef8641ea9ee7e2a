#include "site/run_preparation.h"

#include <system_error>
#include <utility>

#include "platform/utf8.h"
#include "site/commission_checks.h"
#include "site/user_file.h"

namespace quelvar::site {

namespace {

using K = ops::FactKind;

bool isThere(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// A report the run is to keep, tried before anything is sent: a run whose
// record could not be written is refused at the start, not at the end.
ops::Reason reportProblem(const std::filesystem::path& report) {
    const std::string why = WhyCannotCreate(report);
    if (why.empty()) return {};
    return {{K::ReportNotCreatable, {platform::utf8Of(report), why}}};
}

// The manifest in `folder`; nullopt with why (the file named) when it does not read.
std::optional<std::vector<BackupEntry>> readManifest(const std::filesystem::path& folder,
                                                     ops::Reason& why) {
    const std::string name = platform::utf8Of(folder / kManifestName);
    ops::Fact error;
    std::optional<std::string> text = ReadUserFile(name, kMaxManifestBytes, error);
    if (!text) {
        why = {std::move(error)};
        return std::nullopt;
    }
    std::optional<std::vector<BackupEntry>> manifest = ParseManifest(*text, error);
    if (!manifest) why = InFile(name, std::move(error));
    return manifest;
}

// The report of an earlier run, which must be of this sheet.
std::optional<Report> readEarlierReport(const std::string& name, const PreparedCommission& run,
                                        ops::Reason& why) {
    ops::Fact error;
    std::optional<std::string> text = ReadUserFile(name, kMaxReportBytes, error);
    if (!text) {
        why = {std::move(error)};
        return std::nullopt;
    }
    std::optional<Report> report = ParseReport(*text, error);
    if (!report) {
        why = InFile(name, std::move(error));
        return std::nullopt;
    }
    if (std::optional<ops::Fact> mismatch = ReportMismatch(*report, run.sheetName, *run.sheet)) {
        why = InFile(name, std::move(*mismatch));
        return std::nullopt;
    }
    return report;
}

}  // namespace

Commissioning PreparedCommission::job() const {
    return {*sheet, sheetName, sheetFolder, plan, report};
}

std::shared_ptr<const CommissionSheet> ReadSheetFile(const std::string& name, ops::Reason& problem,
                                                     std::vector<ops::Reason>& details) {
    ops::Fact error;
    std::optional<std::string> text = ReadUserFile(name, kMaxSheetBytes, error);
    if (!text) {
        problem = {std::move(error)};
        return nullptr;
    }
    auto sheet = std::make_shared<CommissionSheet>(ReadCommissionSheet(*text));
    if (!sheet->errors.empty()) {
        problem = {{K::SheetRowsBad, {std::to_string(sheet->errors.size()), name}}};
        for (const ops::Fact& bad : sheet->errors) details.push_back({{K::InSheet, {name}}, bad});
    } else if (sheet->rows.empty()) {
        problem = {{K::SheetEmpty, {name}}};
    }
    return sheet;
}

PreparedCommission PrepareCommission(const CommissionRequest& request) {
    PreparedCommission run;
    const std::filesystem::path sheetPath = platform::pathFromUtf8(request.sheet);
    run.sheetName = platform::utf8Of(sheetPath.filename());
    run.sheetFolder = sheetPath.parent_path();
    run.sheet = ReadSheetFile(request.sheet, run.problem, run.details);
    if (!run.problem.empty()) return run;
    const std::shared_ptr<const CommissionSheet>& sheet = run.sheet;

    std::optional<Report> earlier;
    if (!request.resume.empty() && !(earlier = readEarlierReport(request.resume, run, run.problem))) {
        return run;
    }
    // Rows an earlier run passed, as the sheet has them now, are not run again.
    run.plan = PlanSheet(*sheet, earlier);
    // The report goes on in the file of the run it resumes unless named anew.
    const std::string& report = request.report.empty() ? request.resume : request.report;
    run.report = report.empty() ? DefaultReportFor(sheetPath) : platform::pathFromUtf8(report);
    run.problem = reportProblem(run.report);
    if (run.problem.empty() && run.plan.toRun.empty()) run.problem = {{K::NothingToDo, {request.resume}}};
    return run;
}

PreparedBackup PrepareBackup(const BackupRequest& request) {
    PreparedBackup run;
    run.job.folder = platform::pathFromUtf8(request.folder);
    run.job.named = request.named;
    run.job.replaceFiles = request.replace;
    std::error_code error;
    if (isThere(run.job.folder) && !std::filesystem::is_directory(run.job.folder, error)) {
        run.problem = {{K::FolderIsFile, {request.folder}}};
        return run;
    }
    // A backup there already is replaced only when asked to, and then only
    // for the modules this run saves: the others keep their entries, so a
    // manifest that cannot be read, whose entries would be lost, is not replaced.
    const std::filesystem::path manifest = run.job.folder / kManifestName;
    run.manifestThere = isThere(manifest);
    if (!run.manifestThere) return run;
    if (!request.replace) {
        run.problem = {{K::BackupThere, {platform::utf8Of(manifest)}}};
        return run;
    }
    ops::Reason why;
    std::optional<std::vector<BackupEntry>> earlier = readManifest(run.job.folder, why);
    if (!earlier) {
        run.problem = {{K::ManifestNotReplaced, {}}};
        run.problem.insert(run.problem.end(), why.begin(), why.end());
        return run;
    }
    run.job.earlier = std::move(*earlier);
    return run;
}

std::optional<ops::Fact> MakeBackupFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (std::filesystem::is_directory(folder, error)) return std::nullopt;
    return ops::Fact{K::FolderNotMade, {platform::utf8Of(folder)}};
}

PreparedRestore PrepareRestore(const std::string& folder, const std::string& report) {
    PreparedRestore run;
    const std::filesystem::path path = platform::pathFromUtf8(folder);
    std::error_code error;
    if (!std::filesystem::is_directory(path, error)) {
        run.problem = {{K::NotABackupFolder, {folder}}};
        return run;
    }
    ops::Reason why;
    std::optional<std::vector<BackupEntry>> manifest = readManifest(path, why);
    if (!manifest) {
        run.problem = {{K::NotABackup, {folder}}};
        run.problem.insert(run.problem.end(), why.begin(), why.end());
        return run;
    }
    // Every file is checked against the manifest now, before the question.
    run.plan = PlanRestore(path, std::move(*manifest));
    run.report = report.empty() ? DefaultRestoreReportFor(path) : platform::pathFromUtf8(report);
    if (run.plan->restorable() == 0) {
        run.problem = {{K::NothingRestorable, {folder}}};
        return run;
    }
    run.problem = reportProblem(run.report);
    return run;
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

}  // namespace quelvar::site
