#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "site/audit.h"

namespace quelvar::site {

// What a report names itself at its top, "format".
inline constexpr const char* kAuditReportFormat = "quelvarinit-audit-report";

// What an audit was made of, for its report.
struct AuditHeading {
    std::string reference;        // the reference file's name, as the user gave it
    std::string referenceSha256;  // of its bytes, lower-case hex
    std::string backup;           // the backup folder audited; empty: the modules themselves
    std::vector<IgnoredBytes> ignored;
    std::vector<std::uint8_t> records;  // the reference's record numbers, in its order
};

// The audit as JSON (docs/schema/audit-report.schema.json): "task": "audit",
// the reference with its SHA-256, the ignores, the patterns, the counts, and
// one object per module, worst first, with its result, its differences
// (record, offset, length, the reference's and the module's bytes in hex)
// and, when it could not be read or was not found, its reason as every
// report keeps one. What `audit --json` prints and `--report` writes.
std::string AuditReportText(const AuditHeading& heading, const Audit& audit, int indent = 2);

// An audit report read back, for the record to hand over: every module with
// its result, differences and reason, the patterns and the counts (sources'
// records are not in the file, and stay empty). Nullopt, with why, when it
// is no audit report of this tool or a field does not read.
struct ReadAudit {
    AuditHeading heading;
    Audit audit;
};
std::optional<ReadAudit> ParseAuditReport(std::string_view text, ops::Fact& error);

}  // namespace quelvar::site
