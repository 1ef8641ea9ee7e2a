#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/site_view.h"
#include "platform/language.h"
#include "site/audit.h"
#include "site/audit_reading.h"
#include "site/device_selector.h"

namespace quelvar::app {

// The Site window's audit: what it compares, and how its table, record
// columns and pane show the result. The comparing itself is site's.

// What an audit's check found, ready to run.
struct PreparedAudit {
    site::RecordFile reference;
    std::string referenceName;               // as the user named it
    std::string backupFolder;                // empty: the modules themselves are read
    std::vector<site::AuditedSource> backup; // the backup's modules, read at the check
    std::vector<site::DeviceSelector> named; // the modules to read, by MAC
    std::filesystem::path report;            // the report to keep
};

// The record columns: the reference's records in its order, then those
// beyond it that some module holds.
struct AuditColumns {
    std::vector<std::uint8_t> records;
    std::vector<std::uint8_t> beyond;

    std::vector<std::string> titles() const;  // "0", "2", ..., "+9"
};
AuditColumns ColumnsOf(const std::vector<records::Record>& reference);

// A module's line as its comparison left it: its result, its verdict as the
// reason, a sign per column; the rest of `line` as the run left it.
SiteLine AuditLine(SiteLine line, const site::AuditedModule& module, const AuditColumns& columns,
                   platform::Language language);

// The pane: what the signs mean, the patterns (once every module is in),
// and the differing bytes of the module selected, or how to see them.
std::string AuditPaneText(const std::vector<site::AuditPattern>& patterns,
                          const site::AuditedModule* selected, platform::Language language);

// Where an audit's report goes unless the user names another place: beside
// the reference, "NAME-audit.json".
std::filesystem::path DefaultAuditReportFor(const std::filesystem::path& reference);

}  // namespace quelvar::app
