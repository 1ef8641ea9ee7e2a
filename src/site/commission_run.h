#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "site/commission_report.h"
#include "site/commission_sheet.h"
#include "site/site_run.h"

namespace quelvar::site {

// Which rows of a sheet a run does: every row, but those an earlier run's
// report says passed as the sheet has them now (the same module, address
// and file), which stand as the report has them.
struct SheetPlan {
    std::vector<std::size_t> toRun;  // indices into the sheet's rows
    std::vector<std::pair<std::size_t, ReportRow>> kept;
};
SheetPlan PlanSheet(const CommissionSheet& sheet, const std::optional<Report>& earlier);

// A commissioning run: a sheet, the plan of its rows, and where it reports.
struct Commissioning {
    const CommissionSheet& sheet;
    std::string sheetName;              // its file name, as reports name it
    std::filesystem::path sheetFolder;  // the files it names are relative to it
    SheetPlan plan;
    std::optional<std::filesystem::path> report;  // kept true as rows end
};

struct CommissionOutcome {
    std::vector<ReportRow> rows;  // one per row of the sheet, in sheet order
    bool searchFailed = false;    // the search could not be made: no row ran
    bool reportWritten = true;    // false: the report could not be written, now or before
};

// One search for the whole sheet (asked again, within its rounds, while a
// module of the plan has not answered), then every row of the plan, up to
// `options.jobs` at once: the module found by its MAC address is given its
// address and, when the row names one, its setup record file, read back
// with `options.verify` (see ops::CommissionModule). The report, when
// named, stands from the start with the rows kept and is kept true as rows
// end. "rowN-MAC.log" in the log folder keeps each row's trace.
CommissionOutcome Commission(const Commissioning& job, const RunOptions& options,
                             RunEvents& events);

}  // namespace quelvar::site
