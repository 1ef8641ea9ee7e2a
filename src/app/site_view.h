#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/view.h"
#include "site/site_run.h"

namespace quelvar::app {

// What the Site window does with many modules at once.
enum class SiteTask { Commission, Backup, Restore, Audit };

// What the user has filled in when a check or a run begins.
struct SiteForm {
    SiteTask task = SiteTask::Commission;
    std::string source;  // commission: the sheet (.csv); backup: the folder to save
                         // into; restore: the folder of a backup; audit: the
                         // setup record file the modules are compared with
    std::string range;   // "FIRST-LAST" or "ADDRESS/PREFIX"; empty: search every adapter
    std::string report;  // commission and audit: the report to keep; empty: none
    std::string resume;  // commission: an earlier run's report whose passed rows stand;
                         // audit: the modules compared, a sheet (.csv) or a backup
                         // folder; empty: those the search finds
    bool verify = false;  // read the records back and compare
    int jobs = static_cast<int>(site::kDefaultJobs);  // modules at once; 0: all at once
};

// How a line of the table looks: failed lines stand out.
enum class LineLook { Waiting, Running, Passed, Failed, Stopped };

// One module's line in the table, its texts in the window's language.
struct SiteLine {
    std::string mac;
    std::string before;  // the address it answered at when found
    std::string after;   // the address it answers at now, as far as known
    std::string file;
    std::string step;    // the step under way or the last one
    int progress = 0;    // of the row's work, 0 to 100
    std::string result;  // "passed", "failed", ... (empty while waiting)
    std::string reason;  // what was done, or why it failed or did not start
    LineLook look = LineLook::Waiting;
    // Audit: a sign per record column, in the columns' order: "=" the same as
    // the reference, "≠" differs, "≈" differs only where every module does,
    // "−" missing, "+" beyond the reference, "?" not read; empty: not yet.
    std::vector<std::string> records;

    bool operator==(const SiteLine&) const = default;
};

// How an audit's record cell stands out, by its sign: what differs (≠ − +)
// as a failed line does, what was not read (?) as a stopped one, what
// differs only as every module does (≈) greyed; the rest plain. The sign
// carries the meaning, the colour only helps the eye find it.
enum class CellLook { Plain, Differs, Unread, Pattern };
CellLook RecordCellLook(std::string_view sign);
// Every sign a record cell shows, for its column's width.
std::vector<std::string_view> RecordSigns();

// The Site window's controls the presenter enables and disables.
enum class SiteControl {
    Task,          // the four task choices
    Source,        // the sheet or folder, with its Browse button
    Range,
    Verify,
    Jobs,
    Report,        // with its Browse button
    Resume,        // with its Browse button: the report to resume from, or the
                   // modules an audit compares
    Check,
    Start,
    Stop,
    OpenPage,      // the handover page in the browser
    OpenSheet,     // the handover sheet (CSV)
    Close,
};

// What the Site window's presenter does to its window. The Qt window, the
// Windows window and the tests' recording view implement it; texts are UTF-8.
// The presenter calls it from the thread that runs a check or a run, or from
// the window's own thread; a front-end carries each call to its window's
// thread and returns when it has run there.
class SiteView {
  public:
    virtual ~SiteView() = default;

    virtual SiteForm form() = 0;
    virtual void setForm(const SiteForm& form) = 0;

    // The table anew, then changes to some of its lines (by index), in one
    // call for as many as changed: a run of a thousand modules sends them
    // about ten times a second.
    virtual void showLines(const std::vector<SiteLine>& lines) = 0;
    virtual void updateLines(const std::vector<std::pair<std::size_t, SiteLine>>& changed) = 0;
    // An audit's columns, one per record, between the result and the reason,
    // with these titles; none for the other tasks. Comes before the lines
    // that fill them.
    virtual void showRecordColumns(const std::vector<std::string>& titles) = 0;
    // The audit's pane above the table, shown while the audit is the task:
    // what the table's signs mean, the patterns, and the differing bytes of
    // the module selected; the whole text.
    virtual void showAudit(const std::string& text) = 0;

    // One line under the table: what the window is doing, or the summary.
    virtual void setStatus(const std::string& text) = 0;
    // The notes under it: malformed rows, what the search left out, what a
    // stop does; the whole text, its end scrolled into view.
    virtual void showNotes(const std::string& text) = 0;

    virtual void enable(SiteControl control, bool enabled) = 0;

    virtual MessageAnswer messageBox(MessageKind kind, const std::string& text) = 0;
    // An existing file to open; nothing when the user cancels.
    virtual std::optional<std::filesystem::path> openFileDialog(
        const std::string& title, const std::vector<FileFilter>& filters,
        const std::filesystem::path& initialFolder) = 0;
    virtual std::optional<std::filesystem::path> saveFileDialog(
        const SaveDialogRequest& request) = 0;
    virtual std::optional<std::filesystem::path> chooseFolder(
        const std::string& title, const std::filesystem::path& current) = 0;
};

}  // namespace quelvar::app
