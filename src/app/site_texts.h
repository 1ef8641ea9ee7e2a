#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/language.h"

namespace quelvar::app {

// What the Site window's presenter says: its questions, its status line,
// its notes and its dialogs' titles, in English and Japanese.
enum class SiteMessage {
    ChooseSheet,
    ChooseFolder,
    RangeBad,
    Checked,
    Searching,
    Found,
    SearchFailed,
    NoneFound,
    ConfirmCommission,
    ConfirmBackup,
    BackupThere,
    ConfirmRestore,
    ConfirmStop,
    Stopping,
    ClosesAfterRun,
    Running,
    Summary,
    Done,
    Stopped,
    ReportWritten,
    ReportNotWritten,
    ManifestWritten,
    ManifestNotWritten,
    PageWritten,
    HandoverNotWritten,
    SheetDialogTitle,
    BackupDialogTitle,
    RestoreDialogTitle,
    ReportDialogTitle,
    ResumeDialogTitle,
    SheetFilter,
    ReportFilter,
    Waiting,
    Running1,
    ChooseReference,
    ConfirmAudit,
    AuditDone,
    AuditStopped,
    AuditLegend,
    AuditSelect,
    ReferenceDialogTitle,
    ModulesDialogTitle,
    RecordFilter,
    BackupFilter,
};

// The message with %1, %2, ... replaced by `values` in order.
std::string SiteSay(SiteMessage message, platform::Language language,
                    std::initializer_list<std::string_view> values = {});

}  // namespace quelvar::app
