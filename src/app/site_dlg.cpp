#include "app/site_dlg.h"

#include <algorithm>
#include <map>
#include <system_error>

#include "app/site_texts.h"
#include "platform/utf8.h"
#include "records/sha256.h"
#include "site/audit_facts.h"
#include "site/audit_report.h"
#include "site/backup_run.h"
#include "site/running_file.h"
#include "site/run_preparation.h"
#include "site/commission_run.h"

namespace quelvar::app {

namespace {

// As many modules at once as the console allows.
constexpr int kMaxJobs = 1024;

std::vector<FileFilter> filters(SiteMessage kind, const char* pattern, platform::Language language) {
    const bool japanese = language == platform::Language::Japanese;
    return {{SiteSay(kind, language), pattern},
            {japanese ? "すべてのファイル (*.*)" : "All files (*.*)", "*.*"}};
}

std::filesystem::path folderOf(const std::string& file) {
    return platform::pathFromUtf8(file).parent_path();
}

// Which line each row of the run is. Commissioning and restoring run the
// lines their plan lets run, in order; a backup's or an audit's rows are the
// modules its own search finds again, known by their MAC.
SiteRunLines::LineOf LinesOfRows(const PreparedRun& prepared) {
    std::vector<std::size_t> order;
    if (prepared.task == SiteTask::Commission) order = prepared.commission.plan.toRun;
    const bool byMacOfRow = prepared.task == SiteTask::Backup || prepared.task == SiteTask::Audit;
    if (prepared.task == SiteTask::Restore) {
        for (std::size_t i = 0; i < prepared.restore.plan->problems.size(); ++i) {
            if (prepared.restore.plan->problems[i].empty()) order.push_back(i);
        }
    }
    if (!byMacOfRow) {
        return [order](std::size_t row, const site::RowNames&) -> std::optional<std::size_t> {
            if (row < order.size()) return order[row];
            return std::nullopt;
        };
    }
    std::map<std::string, std::size_t> byMac;
    for (std::size_t i = 0; i < prepared.lines.size(); ++i) byMac.emplace(prepared.lines[i].mac, i);
    return [byMac](std::size_t, const site::RowNames& names) -> std::optional<std::size_t> {
        const auto it = byMac.find(names.module);
        if (it == byMac.end()) return std::nullopt;
        return it->second;
    };
}

std::string Summary(const std::vector<SiteLine>& lines, platform::Language language) {
    std::size_t passed = 0, failed = 0, stopped = 0, notStarted = 0;
    for (const SiteLine& line : lines) {
        switch (line.look) {
            case LineLook::Passed:
                ++passed;
                break;
            case LineLook::Failed:
                ++failed;
                break;
            case LineLook::Stopped:
                ++stopped;
                break;
            case LineLook::Waiting:
            case LineLook::Running:
                ++notStarted;
                break;
        }
    }
    return SiteSay(SiteMessage::Summary, language,
                   {std::to_string(passed), std::to_string(failed), std::to_string(stopped),
                    std::to_string(notStarted)});
}

}  // namespace

SiteDlg::SiteDlg(SiteView& view, platform::Launcher& launcher, platform::Language language)
    : view_(view), launcher_(launcher), language_(language) {}

SiteDlg::~SiteDlg() = default;

void SiteDlg::OnInitDialog() {
    const SiteForm form;
    view_.setForm(form);
    clearTable(form.task);
    view_.setStatus("");
    clearNotes();
    setIdleControls(form.task);
}

void SiteDlg::OnTaskChanged() {
    const SiteTask before = task_;
    SiteForm form = view_.form();
    if (carryOver(before, form)) view_.setForm(form);
    taken_.clear();
    {
        std::lock_guard lock(mutex_);
        handover_.reset();
    }
    clearTable(form.task);
    view_.setStatus("");
    clearNotes();
    setIdleControls(form.task);
}

bool SiteDlg::carryOver(SiteTask before, SiteForm& form) {
    if ((before == SiteTask::Audit) == (form.task == SiteTask::Audit)) return false;
    // An audit's source is a reference file, which no other task takes; the
    // sheet or folder of the other tasks is where an audit's modules come
    // from (audit what was just commissioned or backed up), and back.
    std::string modules = before == SiteTask::Audit ? form.resume : form.source;
    const bool sheet = platform::pathFromUtf8(modules).extension() == ".csv";
    if (form.task != SiteTask::Audit && sheet != (form.task == SiteTask::Commission)) modules.clear();
    form.source = form.task == SiteTask::Audit ? std::string() : modules;
    form.resume = form.task == SiteTask::Audit ? modules : std::string();
    form.report.clear();  // it was beside the other task's source
    return true;
}

void SiteDlg::clearTable(SiteTask task) {
    task_ = task;
    {
        std::lock_guard lock(auditMutex_);
        audited_.clear();
        patterns_.clear();
    }
    view_.showRecordColumns({});
    view_.showLines({});
    view_.showAudit(task == SiteTask::Audit ? AuditPaneText({}, nullptr, language_) : std::string());
}

namespace {

// Where a task's report goes unless the user names another place; empty
// for a task whose report has a place of its own.
std::string reportBeside(SiteTask task, const std::string& source) {
    if (source.empty()) return {};
    const std::filesystem::path path = platform::pathFromUtf8(source);
    if (task == SiteTask::Commission) return platform::utf8Of(site::DefaultReportFor(path));
    if (task == SiteTask::Audit) return platform::utf8Of(DefaultAuditReportFor(path));
    return {};
}

// A sheet, a backup to restore, or an audit of a sheet's or a backup's
// modules is read as soon as it is named; a backup of the site, or an audit
// of the modules a search finds, waits for Check or Start, since lining its
// modules up means a search.
bool readsAtOnce(const SiteForm& form) {
    if (form.task == SiteTask::Backup) return false;
    return form.task != SiteTask::Audit || !form.resume.empty();
}

}  // namespace

void SiteDlg::OnBrowse() {
    SiteForm form = view_.form();
    std::optional<std::filesystem::path> chosen;
    switch (form.task) {
        case SiteTask::Commission:
            chosen = view_.openFileDialog(SiteSay(SiteMessage::SheetDialogTitle, language_),
                                          filters(SiteMessage::SheetFilter, "*.csv", language_),
                                          folderOf(form.source));
            break;
        case SiteTask::Backup:
            chosen = view_.chooseFolder(SiteSay(SiteMessage::BackupDialogTitle, language_),
                                        platform::pathFromUtf8(form.source));
            break;
        case SiteTask::Restore:
            chosen = view_.chooseFolder(SiteSay(SiteMessage::RestoreDialogTitle, language_),
                                        platform::pathFromUtf8(form.source));
            break;
        case SiteTask::Audit:
            chosen = view_.openFileDialog(SiteSay(SiteMessage::ReferenceDialogTitle, language_),
                                          filters(SiteMessage::RecordFilter, "*.rec", language_),
                                          folderOf(form.source));
            break;
    }
    if (!chosen) return;
    form.source = platform::utf8Of(*chosen);
    takeSource(form);
}

void SiteDlg::OnSourceEdited() {
    const SiteForm form = view_.form();
    if (form.source.empty() || form.source == taken_) return;  // nothing new to read
    // Neither the form is written back nor the controls disabled: the user
    // may be typing into the next field meanwhile. An empty report field
    // means beside the sheet.
    taken_ = form.source;
    if (!readsAtOnce(form)) return;
    clearNotes();
    static_cast<void>(check(form));
}

void SiteDlg::takeSource(SiteForm form) {
    // A sheet's or an audit's run keeps a report beside its source unless
    // the user names another; one placed beside the source before follows it.
    const std::string besideBefore = reportBeside(form.task, taken_);
    const std::string beside = reportBeside(form.task, form.source);
    if (!beside.empty() && (form.report.empty() || form.report == besideBefore)) form.report = beside;
    taken_ = form.source;
    view_.setForm(form);
    if (readsAtOnce(form)) OnCheck();
}

void SiteDlg::OnBrowseReport() {
    SiteForm form = view_.form();
    SaveDialogRequest request;
    const std::filesystem::path sheet = platform::pathFromUtf8(form.source);
    const std::string beside = reportBeside(form.task, form.source);
    request.defaultName = beside.empty() ? std::string("report.json")
                                         : platform::utf8Of(platform::pathFromUtf8(beside).filename());
    request.defaultExtension = "json";
    request.filters = filters(SiteMessage::ReportFilter, "*.json", language_);
    request.initialFolder = form.report.empty() ? sheet.parent_path() : folderOf(form.report);
    if (std::optional<std::filesystem::path> chosen = view_.saveFileDialog(request)) {
        form.report = platform::utf8Of(*chosen);
        view_.setForm(form);
    }
}

void SiteDlg::OnBrowseResume() {
    SiteForm form = view_.form();
    if (form.task == SiteTask::Audit) {
        // A sheet, or a backup known by its manifest: a folder chooser
        // would not take a sheet.
        std::vector<FileFilter> kinds = filters(SiteMessage::SheetFilter, "*.csv", language_);
        kinds.insert(kinds.begin() + 1, {SiteSay(SiteMessage::BackupFilter, language_), site::kManifestName});
        std::optional<std::filesystem::path> chosen = view_.openFileDialog(
            SiteSay(SiteMessage::ModulesDialogTitle, language_), kinds,
            folderOf(form.resume.empty() ? form.source : form.resume));
        if (!chosen) return;
        if (chosen->filename() == site::kManifestName) chosen = chosen->parent_path();
        form.resume = platform::utf8Of(*chosen);
        view_.setForm(form);
        OnCheck();
        return;
    }
    std::optional<std::filesystem::path> chosen = view_.openFileDialog(
        SiteSay(SiteMessage::ResumeDialogTitle, language_),
        filters(SiteMessage::ReportFilter, "*.json", language_),
        folderOf(form.resume.empty() ? form.source : form.resume));
    if (!chosen) return;
    form.resume = platform::utf8Of(*chosen);
    view_.setForm(form);
    OnCheck();
}

bool SiteDlg::OnCheck() {
    const SiteForm form = view_.form();
    setControls(false, form.task, false);
    clearNotes();
    const bool ready = check(form).has_value();
    setIdleControls(form.task);
    return ready;
}

void SiteDlg::OnStart() {
    const SiteForm form = view_.form();
    setControls(false, form.task, false);
    clearNotes();
    {
        std::lock_guard lock(mutex_);
        handover_.reset();
    }
    std::optional<PreparedRun> prepared = check(form);
    // One answer covers the whole run; an audit of a backup sends nothing,
    // and asks nothing.
    if (prepared && (prepared->question.empty() ||
                     view_.messageBox(MessageKind::Confirmation, prepared->question) ==
                         MessageAnswer::Ok)) {
        run(*prepared, form);
    }
    setIdleControls(form.task);
}

std::optional<PreparedRun> SiteDlg::check(const SiteForm& form) {
    CheckProblem problem;
    std::optional<PreparedRun> prepared;
    switch (form.task) {
        case SiteTask::Commission:
            prepared = PrepareCommission(form, language_, problem);
            break;
        case SiteTask::Backup: {
            view_.showLines({});
            view_.setStatus(SiteSay(SiteMessage::Searching, language_));
            ops::NoEvents searchTrace;
            prepared = PrepareBackup(form, language_, searchTrace, problem);
            break;
        }
        case SiteTask::Restore:
            prepared = PrepareRestore(form, language_, problem);
            break;
        case SiteTask::Audit: {
            view_.showLines({});
            if (form.resume.empty()) view_.setStatus(SiteSay(SiteMessage::Searching, language_));
            ops::NoEvents searchTrace;
            prepared = PrepareAudit(form, language_, searchTrace, problem);
            std::lock_guard lock(auditMutex_);
            audited_.clear();
            patterns_.clear();
            break;
        }
    }
    say(problem.details);
    if (!prepared) {
        view_.showLines(problem.lines);
        view_.setStatus(problem.message);
        view_.messageBox(MessageKind::Warning, problem.message);
        return std::nullopt;
    }
    if (prepared->task == SiteTask::Audit) {
        view_.showRecordColumns(ColumnsOf(prepared->audit.reference.contents.records).titles());
    }
    view_.showLines(prepared->lines);
    say(prepared->notes);
    view_.setStatus(SiteSay(SiteMessage::Checked, language_, {std::to_string(prepared->count)}));
    return prepared;
}

void SiteDlg::run(PreparedRun& prepared, const SiteForm& form) {
    site::RunOptions options;
    options.jobs = static_cast<unsigned>(std::clamp(form.jobs, 0, kMaxJobs));
    options.retries = retries_;
    options.search = prepared.scope;
    options.verify = form.verify;
    if (prepared.task == SiteTask::Audit) {
        runAudit(prepared, options);
        return;
    }
    if (prepared.task == SiteTask::Backup) {
        if (std::optional<ops::Fact> notMade = site::MakeBackupFolder(prepared.backup.folder)) {
            const std::string message = ops::WordsOf(*notMade, language_);
            view_.setStatus(message);
            view_.messageBox(MessageKind::Warning, message);
            return;
        }
    }

    auto lines = std::make_shared<SiteRunLines>(
        view_, language_, prepared.lines, prepared.steps, LinesOfRows(prepared), prepared.count,
        [this](const std::vector<std::string>& notes) { say(notes); });
    {
        std::lock_guard lock(mutex_);
        lines_ = lines;
    }
    setControls(false, prepared.task, true);
    lines->flush();

    std::optional<std::filesystem::path> runFile;
    std::vector<std::string> notes;
    // A commissioning's or restore's report, its handover made from it once written.
    auto reportKept = [&](bool written) {
        const std::string report = platform::utf8Of(prepared.report());
        notes.push_back(SiteSay(written ? SiteMessage::ReportWritten : SiteMessage::ReportNotWritten,
                                language_, {report}));
        if (written) runFile = prepared.report();
    };
    switch (prepared.task) {
        case SiteTask::Commission: {
            const site::CommissionOutcome outcome =
                site::Commission(prepared.commission.job(), options, *lines);
            for (std::size_t i = 0; i < outcome.rows.size(); ++i) lines->endLine(i, outcome.rows[i].row);
            reportKept(outcome.reportWritten);
            break;
        }
        case SiteTask::Backup: {
            const site::BackupOutcome outcome = site::Backup(prepared.backup, options, *lines);
            for (std::size_t i = 0; i < outcome.rows.size(); ++i) lines->endLine(i, outcome.rows[i].row);
            const std::filesystem::path manifest = prepared.backup.folder / site::kManifestName;
            const std::string name = platform::utf8Of(manifest);
            if (outcome.manifestWritten && !outcome.rows.empty()) {
                notes.push_back(SiteSay(SiteMessage::ManifestWritten, language_, {name}));
                runFile = manifest;
            } else if (!outcome.manifestWritten) {
                notes.push_back(SiteSay(SiteMessage::ManifestNotWritten, language_, {name}));
            }
            break;
        }
        case SiteTask::Restore: {
            const site::RestoreOutcome outcome =
                site::Restore(*prepared.restore.plan, options, *lines, prepared.report());
            for (std::size_t i = 0; i < outcome.rows.size(); ++i) {
                lines->endLine(i, outcome.rows[i].row);
            }
            reportKept(outcome.reportWritten);
            break;
        }
        case SiteTask::Audit:  // runAudit's
            break;
    }
    lines->flush();
    say(notes);
    const std::string summary = Summary(lines->lines(), language_);
    view_.setStatus(SiteSay(lines->stopping() ? SiteMessage::Stopped : SiteMessage::Done, language_,
                            {summary}));
    handOver(runFile);
    std::lock_guard lock(mutex_);
    lines_.reset();
}

void SiteDlg::runAudit(const PreparedRun& prepared, const site::RunOptions& options) {
    const PreparedAudit& audit = prepared.audit;
    const std::vector<records::Record>& reference = audit.reference.contents.records;
    AuditColumns columns = ColumnsOf(reference);
    {
        std::lock_guard lock(auditMutex_);
        audited_.assign(prepared.lines.size(), std::nullopt);
        patterns_.clear();
    }
    std::vector<site::AuditedSource> sources = audit.backup;
    std::vector<SiteLine> ran = prepared.lines;
    bool stopped = false;
    if (audit.backupFolder.empty()) {
        auto lines = std::make_shared<SiteRunLines>(
            view_, language_, prepared.lines, prepared.steps, LinesOfRows(prepared), prepared.count,
            [this](const std::vector<std::string>& notes) { say(notes); });
        // Each module is compared alone as soon as it is read, so that its
        // line shows its signs at once; the patterns need every module.
        std::mutex readMutex;
        std::map<std::string, site::AuditedModule> compared;
        auto read = [&](const site::AuditedSource& source) {
            site::Audit alone = site::AuditModules(reference, {source}, {});
            std::lock_guard lock(readMutex);
            compared.insert_or_assign(source.mac, std::move(alone.modules.front()));
        };
        lines->editEndedLines([&](std::size_t index, SiteLine& line) {
            std::lock_guard lock(readMutex);
            const auto it = compared.find(line.mac);
            if (it == compared.end()) return;
            line = AuditLine(std::move(line), it->second, columns, language_);
            std::lock_guard shown(auditMutex_);
            if (index < audited_.size()) audited_[index] = it->second;
        });
        {
            std::lock_guard lock(mutex_);
            lines_ = lines;
        }
        setControls(false, SiteTask::Audit, true);
        lines->flush();
        sources = site::ReadModulesForAudit(audit.named, options, *lines, read);
        lines->editEndedLines({});  // no row ends any more; what it refers to goes now
        lines->flush();
        stopped = lines->stopping();
        ran = lines->lines();
    }

    // The whole audit, worst first, in the lines as the run left them.
    const site::Audit result = site::AuditModules(reference, std::move(sources), {});
    columns.beyond = site::RecordsBeyond(result.modules);
    std::map<std::string, SiteLine> byMac;
    for (SiteLine& line : ran) byMac.emplace(line.mac, std::move(line));
    std::vector<SiteLine> shown;
    for (const site::AuditedModule& module : result.modules) {
        SiteLine line;
        line.mac = module.source.mac;
        if (auto it = byMac.find(module.source.mac); it != byMac.end()) line = it->second;
        shown.push_back(AuditLine(std::move(line), module, columns, language_));
    }
    {
        std::lock_guard lock(auditMutex_);
        audited_.assign(result.modules.begin(), result.modules.end());
        patterns_ = result.patterns;
    }
    view_.showRecordColumns(columns.titles());
    view_.showLines(shown);
    view_.showAudit(AuditPaneText(result.patterns, nullptr, language_));

    site::AuditHeading heading{audit.referenceName, records::Sha256Hex(audit.reference.bytes),
                               audit.backupFolder, {}, {}};
    for (const records::Record& record : reference) heading.records.push_back(record.number);
    const bool written = site::ReplaceFileText(audit.report, site::AuditReportText(heading, result));
    say({SiteSay(written ? SiteMessage::ReportWritten : SiteMessage::ReportNotWritten, language_,
                 {platform::utf8Of(audit.report)})});
    const std::string summary = ops::WordsOf(site::AuditSummaryFact(result.counts), language_);
    view_.setStatus(SiteSay(stopped ? SiteMessage::AuditStopped : SiteMessage::AuditDone, language_,
                            {summary}));
    if (written) handOver(audit.report);
    std::lock_guard lock(mutex_);
    lines_.reset();
}

void SiteDlg::handOver(const std::optional<std::filesystem::path>& runFile) {
    if (!runFile) return;
    std::string why;
    std::optional<HandoverFiles> files = WriteHandoverBeside(*runFile, language_, why);
    if (!files) {
        say({SiteSay(SiteMessage::HandoverNotWritten, language_, {why})});
        return;
    }
    say({SiteSay(SiteMessage::PageWritten, language_,
                 {platform::utf8Of(files->page), platform::utf8Of(files->sheet)})});
    std::lock_guard lock(mutex_);
    handover_ = std::move(files);
}

void SiteDlg::OnStop() {
    std::shared_ptr<SiteRunLines> lines = runLines();
    if (!lines || lines->stopping()) return;
    if (view_.messageBox(MessageKind::Confirmation, SiteSay(SiteMessage::ConfirmStop, language_)) !=
        MessageAnswer::Ok) {
        return;
    }
    lines->requestStop();
    view_.enable(SiteControl::Stop, false);
    say({SiteSay(SiteMessage::Stopping, language_, {std::to_string(lines->writing())})});
}

bool SiteDlg::running() const {
    std::lock_guard lock(mutex_);
    return lines_ != nullptr;
}

bool SiteDlg::OnClose() {
    std::shared_ptr<SiteRunLines> lines = runLines();
    if (!lines) return true;
    if (!lines->stopping()) {
        OnStop();
        if (!lines->stopping()) return false;  // the user goes on with the run
    }
    closeWhenDone_ = true;
    say({SiteSay(SiteMessage::ClosesAfterRun, language_)});
    return false;
}

void SiteDlg::OnLineSelected(std::optional<std::size_t> line) {
    if (task_ != SiteTask::Audit) return;
    std::optional<site::AuditedModule> module;
    std::vector<site::AuditPattern> patterns;
    {
        std::lock_guard lock(auditMutex_);
        if (line && *line < audited_.size()) module = audited_[*line];
        patterns = patterns_;
    }
    view_.showAudit(AuditPaneText(patterns, module ? &*module : nullptr, language_));
}

void SiteDlg::OnOpenPage() {
    std::lock_guard lock(mutex_);
    if (handover_) launcher_.openUrl(FileUrl(handover_->page));
}

void SiteDlg::OnOpenSheet() {
    std::lock_guard lock(mutex_);
    if (handover_) launcher_.openUrl(FileUrl(handover_->sheet));
}

void SiteDlg::setIdleControls(SiteTask task) {
    setControls(true, task, false);
}

void SiteDlg::setControls(bool idle, SiteTask task, bool stop) {
    bool handover = false;
    {
        std::lock_guard lock(mutex_);
        handover = handover_.has_value();
    }
    const bool reported = task == SiteTask::Commission || task == SiteTask::Audit;
    view_.enable(SiteControl::Task, idle);
    view_.enable(SiteControl::Source, idle);
    view_.enable(SiteControl::Range, idle);
    view_.enable(SiteControl::Verify, idle && (task == SiteTask::Commission || task == SiteTask::Restore));
    view_.enable(SiteControl::Jobs, idle);
    view_.enable(SiteControl::Report, idle && reported);
    view_.enable(SiteControl::Resume, idle && reported);
    view_.enable(SiteControl::Check, idle);
    view_.enable(SiteControl::Start, idle);
    view_.enable(SiteControl::Stop, stop);
    view_.enable(SiteControl::OpenPage, idle && handover);
    view_.enable(SiteControl::OpenSheet, idle && handover);
    // Closing is always offered: during a run it asks as Stop does.
    view_.enable(SiteControl::Close, true);
}

void SiteDlg::clearNotes() {
    {
        std::lock_guard lock(notesMutex_);
        notes_.clear();
    }
    view_.showNotes("");
}

void SiteDlg::say(const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    std::string shown;
    {
        std::lock_guard lock(notesMutex_);
        for (const std::string& line : lines) ops::AppendCapped(notes_, line + "\n");
        shown = notes_;
    }
    view_.showNotes(shown);
}

std::shared_ptr<SiteRunLines> SiteDlg::runLines() {
    std::lock_guard lock(mutex_);
    return lines_;
}

}  // namespace quelvar::app
