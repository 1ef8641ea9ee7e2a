#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wall_clock.h"
#include "site/audit_report.h"
#include "site/row_result.h"

namespace quelvar::site {

// A site's record to hand over, gathered from the files its runs left: the
// rows of commissioning reports and the modules of backup manifests, each
// as one line about one module. Every text in it came from a file anyone may
// have edited: whoever shows it escapes it.
struct HandoverRow {
    std::size_t source = 0;  // the file it came from (Handover::sources)
    std::string mac;
    std::string file;  // as the sheet or the manifest names it
    // How it went: a backup's "saved" reads as passed, its address as both
    // where the module answered and where it answers now.
    RowResult result;
};

struct HandoverSource {
    enum class Kind { Commission, Backup, Restore, Audit };
    std::string name;  // the file as the user named it
    Kind kind = Kind::Commission;
    std::string sheet;  // a commissioning report's sheet; a restore report's backup folder
};

// An audit report: its modules are no rows of a run, but a matrix of
// modules and records.
struct HandoverAudit {
    std::size_t source = 0;
    ReadAudit read;
};

struct Handover {
    std::vector<HandoverSource> sources;
    std::vector<HandoverRow> rows;  // each file's in its order, the files in theirs
    std::vector<HandoverAudit> audits;
};

// Adds a file's rows: a commissioning report, a backup manifest or an audit
// report of this tool, told apart by what it says it is. False, with why in `error`
// (NotJsonOrCut, NeitherReportNorManifest, ...), when it is neither or does
// not read whole; nothing is added then.
bool AddHandoverFile(Handover& handover, std::string name, std::string_view text,
                     ops::Fact& error);

// The file at `path` read (see ReadUserFile) and added under `name`; false
// with why, the file named, when it cannot be.
bool ReadHandoverFile(Handover& handover, const std::string& path, std::string name,
                      ops::Reason& why);

// How many rows ended in each state, in the order of RowState.
struct HandoverCounts {
    std::size_t passed = 0, failed = 0, stopped = 0, notStarted = 0;
    std::size_t total() const { return passed + failed + stopped + notStarted; }
};
HandoverCounts CountRows(const Handover& handover);

// The rows in the order a reader wants them: failed first, then stopped,
// then not started, then passed; within each, in the order of the files.
std::vector<const HandoverRow*> RowsFailedFirst(const Handover& handover);

}  // namespace quelvar::site
