#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/site_handover.h"
#include "app/site_preparation.h"
#include "app/site_run_lines.h"
#include "app/site_view.h"
#include "ops/retries.h"
#include "site/audit.h"
#include "site/site_run.h"
#include "platform/language.h"
#include "platform/launcher.h"

namespace quelvar::app {

// The Site window's presenter: commissioning from a sheet, backing up a
// site and restoring a backup, each over many modules at once, through the
// site runs (site/). It reads the form, checks what it names and shows the
// modules before anything is sent, asks once for the whole run, shows each
// module's line live, stops as the console's Ctrl+C does (rows writing
// records finish, no new row starts), and at the end writes the handover
// page and sheet beside the run's report.
//
// Threads: OnStop, OnClose, OnLineSelected, OnOpenPage and OnOpenSheet are for the window's
// own thread and return at once. Every other handler may block for as long
// as its work takes and is run by the front-end on its worker thread, one at
// a time; the presenter disables the controls a running handler must not
// see used, and leaves Stop enabled during a run.
class SiteDlg {
  public:
    SiteDlg(SiteView& view, platform::Launcher& launcher, platform::Language language);
    ~SiteDlg();
    SiteDlg(const SiteDlg&) = delete;
    SiteDlg& operator=(const SiteDlg&) = delete;

    // The form's defaults, the controls for the first task, an empty table.
    void OnInitDialog();
    // Another task is chosen: its controls, an empty table.
    void OnTaskChanged();

    // Choosers for the source (sheet or folder), the report and the report
    // to resume from; a chosen sheet or folder is checked at once (OnCheck).
    void OnBrowse();
    void OnBrowseReport();
    void OnBrowseResume();
    // The source field was left: a sheet or backup typed there is read as
    // one chosen with Browse; with no report named its report goes beside it.
    void OnSourceEdited();

    // Shows the modules the form names without sending anything to them:
    // the sheet's rows (every malformed one named) or the backup's files by
    // MAC; for a backup, the modules a search or the address range finds.
    // False when there is nothing to run, having said why.
    bool OnCheck();
    // Checks, asks once with the count, runs, and shows the summary. Blocks
    // until the run has ended.
    void OnStart();

    // During a run: asks once whether to stop; then no new module starts and
    // the modules under way, those being written to first of all, end after
    // their current step.
    void OnStop();
    // The window is to close: true when it may now. During a run the user
    // is asked as by OnStop; the window closes once OnStart has returned
    // (closeWhenDone()).
    bool OnClose();
    bool closeWhenDone() const { return closeWhenDone_; }
    bool running() const;

    // A line of the table was selected (nullopt: none is): in an audit, the
    // pane shows that module's differing bytes. For the window's own thread;
    // returns at once.
    void OnLineSelected(std::optional<std::size_t> line);

    // The handover page and sheet of the last run, in the desktop's programs.
    void OnOpenPage();
    void OnOpenSheet();

    platform::Language language() const { return language_; }

  private:
    // A sheet or folder chosen with Browse: its report placed beside it, then read.
    void takeSource(SiteForm form);
    std::optional<PreparedRun> check(const SiteForm& form);
    void run(PreparedRun& prepared, const SiteForm& form);
    void runAudit(const PreparedRun& prepared, const site::RunOptions& options);
    // The fields of one task made the other's on a change to or from the
    // audit, whose fields mean other things; false when nothing changes.
    static bool carryOver(SiteTask before, SiteForm& form);
    // The table and pane anew for a task: an audit's legend, no record columns.
    void clearTable(SiteTask task);
    // The run's report or manifest, once written; its handover beside it.
    void handOver(const std::optional<std::filesystem::path>& runFile);
    void setIdleControls(SiteTask task);
    void setControls(bool idle, SiteTask task, bool stop);
    void clearNotes();
    void say(const std::vector<std::string>& lines);  // lines of the notes
    std::shared_ptr<SiteRunLines> runLines();

    SiteView& view_;
    platform::Launcher& launcher_;
    platform::Language language_;
    ops::Retries retries_ = ops::Retries::Persistent();
    std::string taken_;  // the source last taken, on the handlers' thread only

    std::mutex notesMutex_;
    std::string notes_;
    std::atomic<bool> closeWhenDone_{false};
    mutable std::mutex mutex_;  // guards what follows: the run and its handover
    std::shared_ptr<SiteRunLines> lines_;  // while a run goes
    std::optional<HandoverFiles> handover_;

    // What the audit's pane shows of a line when it is selected: each
    // line's module as compared, by line, and the patterns once every
    // module is in. The lines are those of the last audit run.
    std::atomic<SiteTask> task_{SiteTask::Commission};
    std::mutex auditMutex_;
    std::vector<std::optional<site::AuditedModule>> audited_;
    std::vector<site::AuditPattern> patterns_;
};

}  // namespace quelvar::app
