#pragma once

#include <string_view>

#include "platform/language.h"
#include "site/row_result.h"

namespace quelvar::site {

// The words of a handover record, in the window's language and, where the
// window has a term for a thing, in that term.
enum class HandoverWord {
    Title,
    Summary,
    Modules,
    ModuleList,
    Timeline,
    TimelineNote,
    TimelineInTable,
    Longest,
    Made,
    From,
    LocalTimes,
    CommissionReport,
    BackupManifest,
    RestoreReport,
    Sheet,
    Run,
    Result,
    Mac,
    Product,
    Firmware,
    Before,
    After,
    File,
    Sha256,
    Reason,
    Start,
    End,
    Duration,
    Seconds,
    NoRows,
    // An audit report: its modules against the reference, record by record.
    AuditReport,
    AuditOf,
    Address,
    Record,
    Bytes,
    ReferenceBytes,
    ModuleBytes,
    Patterns,
    PatternNote,
    Ignored,
    Differences,
    Legend,
    AuditSame,
    AuditDiffers,
    AuditMissing,
    AuditBeyond,
    AuditUnreadable,
    AuditNotFound,
    InPattern,
};

std::string_view WordOf(HandoverWord word, platform::Language language);

// "passed", "failed", "stopped", "not started" and their Japanese.
std::string_view StateName(RowState state, platform::Language language);

}  // namespace quelvar::site
