#pragma once

namespace quelvar::ui::win32 {

// The Site window's controls, by identifier, in the order the window makes
// them: the captions' order (app::SiteWord), which is also the tab order.
// Kept apart from the window so the test probe can find each control in the
// running program without pulling in the window itself.
enum class SiteId : int {
    TaskGroup = 2001,
    Commission,
    Backup,
    Restore,
    Audit,
    SourceLabel,  // one label, its caption that of the task chosen
    Source,
    Browse,
    OptionsGroup,
    RangeLabel,
    Range,
    Verify,
    JobsLabel,
    Jobs,
    JobsSpin,
    ReportLabel,
    Report,
    BrowseReport,
    ResumeLabel,
    Resume,
    BrowseResume,
    Check,
    Start,
    Stop,
    OpenPage,
    OpenSheet,
    Close,
    // The audit's pane has no visible label; this one, of no size, names it
    // for screen readers, which take an edit control's name from the label
    // before it.
    AuditPaneName,
    AuditPane,  // shown only while the audit is the task
    // The table and the notes are named the same way: a label of no size
    // right before each, or they would take the name of whatever precedes
    // them (the pane's name, the status line's changing text).
    TableName,
    Lines,
    Status,
    NotesName,
    Notes,
};

// The labels of no size that only name the control after them.
inline constexpr bool IsNameOnly(SiteId id) {
    return id == SiteId::AuditPaneName || id == SiteId::TableName || id == SiteId::NotesName;
}

inline constexpr int kSiteFirstId = static_cast<int>(SiteId::TaskGroup);
inline constexpr int kSiteLastId = static_cast<int>(SiteId::Notes);

// The window class the probe and the tests look the window up by.
inline constexpr wchar_t kSiteWindowClass[] = L"QuelvarSiteWindow";

}  // namespace quelvar::ui::win32
