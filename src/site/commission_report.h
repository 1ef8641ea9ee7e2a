#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/device_table.h"
#include "site/commission_sheet.h"
#include "site/row_result.h"
#include "site/running_file.h"

namespace quelvar::site {

// What became of one row of a commissioning sheet.
struct ReportRow {
    int line = 0;
    discovery::MacAddress mac{};
    std::string file;  // as the sheet names it; empty: none
    RowResult row;

    bool passed() const { return row.passed(); }
};

// What a report names itself at its top, "format".
inline constexpr const char* kReportFormat = "quelvarinit-commission-report";

// The rows as JSON, one object each: line, mac, before, after, file, steps,
// result (the state's word), reason (the row's outcome), seconds and, when
// it was written, log. What a report holds and `commission --json` prints.
std::string ReportRowsJson(const std::vector<ReportRow>& rows, int indent = -1);

// What a report is of: a commissioning from a sheet, or a restore of a
// backup ("task": "restore"; its "sheet" names the backup's folder and each
// row's line the module's place in the backup's manifest).
enum class ReportTask { Commission, Restore };

// A report, as `commission --report` and `restore --report` write it after
// each row: {"format":"quelvarinit-commission-report","version":1,
// "sheet":NAME,"rows":[...]}. The rows are those that have ended, in order.
std::string ReportText(const std::string& sheetName, const std::vector<ReportRow>& rows,
                       ReportTask task = ReportTask::Commission);

struct Report {
    std::string sheet;
    std::vector<ReportRow> rows;
    ReportTask task = ReportTask::Commission;
};

// Reads a report, checking every row's MAC address and line.
std::optional<Report> ParseReport(std::string_view text, ops::Fact& error);

// Whether a report was made from this sheet: the same sheet name, and every
// row of the report a module the sheet names. Nullopt when it was; otherwise why not.
std::optional<ops::Fact> ReportMismatch(const Report& report, const std::string& sheetName,
                           const CommissionSheet& sheet);

// True when the report says the row passed as the sheet now has it (the same
// module, address and file): such a row need not run again.
bool PassedBefore(const Report& report, const SheetRow& row);

// The report file of `commission --report` or `restore --report`, kept
// true while the run goes.
class ReportFile : public RunningFile<ReportRow> {
  public:
    // Rows `kept` (of an earlier run) stand in the report from the start.
    ReportFile(std::filesystem::path path, const std::string& sheetName, std::size_t rows,
               const std::vector<std::pair<std::size_t, ReportRow>>& kept = {},
               ReportTask task = ReportTask::Commission);
};

}  // namespace quelvar::site
