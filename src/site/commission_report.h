#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/device_table.h"
#include "site/commission_sheet.h"
#include "site/running_file.h"

namespace quelvar::site {

// What became of one row of a commissioning sheet.
struct ReportRow {
    int line = 0;
    discovery::MacAddress mac{};
    std::string before;  // where the module answered when the run found it; empty: not found
    std::string after;   // where it answers now, as far as the run knows; empty: unknown
    std::string file;    // as the sheet names it; empty: none
    std::vector<std::string> steps;  // the steps done: "set-ip", "load", "verify"
    std::string result;  // "pass", "fail", "stop" or "not started"
    std::string reason;  // what was done, or why it failed
    double seconds = 0;
    std::string log;     // the row's log file; empty: none written

    bool passed() const { return result == "pass"; }
};

// A report, as `commission --report` writes it after each row:
// {"format":"quelvarinit-commission-report","version":1,"sheet":NAME,"rows":[...]}
// The rows are those that have ended, in sheet order.
std::string ReportText(const std::string& sheetName, const std::vector<ReportRow>& rows);

struct Report {
    std::string sheet;
    std::vector<ReportRow> rows;
};

// Reads a report, checking every row's MAC address and line.
std::optional<Report> ParseReport(std::string_view text, std::string& error);

// Whether a report was made from this sheet: the same sheet name, and every
// row of the report a module the sheet names. Empty when it was; otherwise why not.
std::string ReportMismatch(const Report& report, const std::string& sheetName,
                           const CommissionSheet& sheet);

// True when the report says the row passed as the sheet now has it (the same
// module, address and file): such a row need not run again.
bool PassedBefore(const Report& report, const SheetRow& row);

// The report file of `commission --report`, kept true while the run goes.
class ReportFile : public RunningFile<ReportRow> {
  public:
    // Rows `kept` (of an earlier run) stand in the report from the start.
    ReportFile(std::filesystem::path path, const std::string& sheetName, std::size_t rows,
               const std::vector<std::pair<std::size_t, ReportRow>>& kept = {});
};

}  // namespace quelvar::site
