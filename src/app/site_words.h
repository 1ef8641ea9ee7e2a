#pragma once

#include <string_view>

#include "app/site_view.h"
#include "platform/language.h"

namespace quelvar::app {

// Every caption of the Site window, in English and Japanese. Both
// front-ends build the window from these, in this order, which is also the
// tab order; '&' marks the key that reaches a control with Alt.
enum class SiteWord {
    Title,            // "QUELVARinit Site"
    TaskGroup,        // "Task"
    TaskCommission,   // "&Commission from a sheet"
    TaskBackup,       // "&Back up the site"
    TaskRestore,      // "&Restore a backup"
    TaskAudit,        // "Au&dit against a reference"
    SheetLabel,       // "S&heet:"            (the source label for each task)
    BackupToLabel,    // "Back up &into:"
    RestoreFromLabel, // "Restore &from:"
    ReferenceLabel,   // "Compare &with:" (the reference)
    Browse,           // "Br&owse..."
    OptionsGroup,     // "Options"
    RangeLabel,       // "Address ra&nge:"
    RangeHint,        // "empty: search every adapter; or 192.168.1.10-192.168.1.200"
    Verify,           // "&Verify: read back and compare"
    JobsLabel,        // "&Modules at once:"
    JobsAll,          // "all" (the jobs field at 0)
    ReportLabel,      // "Re&port:"
    ResumeLabel,      // "Res&ume from:"    (the resume label for each task)
    ModulesLabel,     // "Modu&les from:"
    ModulesHint,      // "empty: the modules found; or a sheet (.csv) or a backup folder"
    BrowseReport,     // "..." of the report
    BrowseResume,     // "..." of the resume report, or of an audit's modules
    Check,            // "Chec&k"
    Start,            // "&Start"
    Stop,             // "S&top"
    OpenPage,         // "Open h&andover page"
    OpenSheet,        // "Op&en CSV"
    Close,            // "Close"
    AuditPane,        // "Differences" (the audit's pane, by name only)
    ColumnMac,        // table columns, in this order
    ColumnBefore,
    ColumnAfter,
    ColumnFile,
    ColumnStep,
    ColumnProgress,
    ColumnResult,
    ColumnReason,
    TableName,        // "Modules" (the table, by name only, for screen readers)
    NotesName,        // "Messages" (the notes under the table, by name only)
};

std::string_view SiteText(SiteWord word, platform::Language language);

// The label of the source field for a task: the sheet, the folder to back
// up into or restore from, or an audit's reference.
SiteWord SourceCaption(SiteTask task);
// The label of the resume field for a task: the report to resume from, or
// the modules an audit compares.
SiteWord ResumeCaption(SiteTask task);

}  // namespace quelvar::app
