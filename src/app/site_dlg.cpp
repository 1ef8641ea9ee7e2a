#include "app/site_dlg.h"

#include <algorithm>
#include <map>
#include <system_error>

#include "app/site_texts.h"
#include "platform/utf8.h"
#include "site/backup_run.h"
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
// lines their plan lets run, in order; a backup's rows are the modules its
// own search finds again, known by their MAC.
SiteRunLines::LineOf LinesOfRows(const PreparedRun& prepared) {
    std::vector<std::size_t> order;
    if (prepared.task == SiteTask::Commission) order = prepared.commission.plan.toRun;
    if (prepared.task == SiteTask::Restore) {
        for (std::size_t i = 0; i < prepared.restore.plan->problems.size(); ++i) {
            if (prepared.restore.plan->problems[i].empty()) order.push_back(i);
        }
    }
    if (prepared.task != SiteTask::Backup) {
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
    view_.showLines({});
    view_.setStatus("");
    clearNotes();
    setIdleControls(form.task);
}

void SiteDlg::OnTaskChanged() {
    const SiteForm form = view_.form();
    taken_.clear();
    {
        std::lock_guard lock(mutex_);
        handover_.reset();
    }
    view_.showLines({});
    view_.setStatus("");
    clearNotes();
    setIdleControls(form.task);
}

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
    if (form.task == SiteTask::Backup) return;
    clearNotes();
    static_cast<void>(check(form));
}

void SiteDlg::takeSource(SiteForm form) {
    // A sheet's run keeps a report beside it unless the user names another;
    // one placed beside the sheet before follows the sheet.
    const std::string besideBefore =
        taken_.empty() ? std::string() : platform::utf8Of(site::DefaultReportFor(platform::pathFromUtf8(taken_)));
    if (form.task == SiteTask::Commission && (form.report.empty() || form.report == besideBefore)) {
        form.report = platform::utf8Of(site::DefaultReportFor(platform::pathFromUtf8(form.source)));
    }
    taken_ = form.source;
    view_.setForm(form);
    // A sheet or a backup is read at once; a backup of the site waits for
    // Check or Start, since finding its modules means a search.
    if (form.task != SiteTask::Backup) OnCheck();
}

void SiteDlg::OnBrowseReport() {
    SiteForm form = view_.form();
    SaveDialogRequest request;
    const std::filesystem::path sheet = platform::pathFromUtf8(form.source);
    request.defaultName = form.source.empty() ? std::string("report.json")
                                              : platform::utf8Of(site::DefaultReportFor(sheet).filename());
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
    // One answer covers the whole run.
    if (prepared && view_.messageBox(MessageKind::Confirmation, prepared->question) ==
                        MessageAnswer::Ok) {
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
        case SiteTask::Audit:
            return std::nullopt;
    }
    say(problem.details);
    if (!prepared) {
        view_.showLines(problem.lines);
        view_.setStatus(problem.message);
        view_.messageBox(MessageKind::Warning, problem.message);
        return std::nullopt;
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
        case SiteTask::Audit:
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
    static_cast<void>(line);
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
    const bool commission = task == SiteTask::Commission;
    view_.enable(SiteControl::Task, idle);
    view_.enable(SiteControl::Source, idle);
    view_.enable(SiteControl::Range, idle);
    view_.enable(SiteControl::Verify, idle && task != SiteTask::Backup);
    view_.enable(SiteControl::Jobs, idle);
    view_.enable(SiteControl::Report, idle && commission);
    view_.enable(SiteControl::Resume, idle && commission);
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
