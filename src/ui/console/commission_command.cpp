// commission: the sheet and an earlier run's report read and checked, one
// question for the whole sheet, the run itself (site::Commission), and its
// summary in sheet order.
#include <algorithm>
#include <optional>
#include <ostream>

#include "platform/utf8.h"
#include "site/commission_checks.h"
#include "site/commission_run.h"
#include "site/user_file.h"
#include "ui/console/commands.h"
#include "ui/console/console_run.h"
#include "ui/console/interrupt.h"
#include "ui/console/row_table.h"

namespace quelvar::ui::console {

namespace {

// The sheet, every malformed or contradictory row named on stderr.
std::optional<site::CommissionSheet> readSheet(Console& console) {
    const std::string& name = console.options.file;
    std::optional<std::string> text =
        ReadNamedFile(console, name, site::kMaxSheetBytes, "commissioning sheet");
    if (!text) return std::nullopt;
    site::CommissionSheet sheet = site::ReadCommissionSheet(*text);
    for (const ops::Fact& error : sheet.errors) {
        console.err << name << ": " << ops::WordsOf(error, console.language) << '\n';
    }
    if (!sheet.errors.empty()) return std::nullopt;
    if (sheet.rows.empty()) {
        console.err << name << ": no module rows\n";
        return std::nullopt;
    }
    return sheet;
}

// The report of an earlier run, for --resume: it must be of this sheet.
std::optional<site::Report> readReport(Console& console, const std::string& sheetName,
                                       const site::CommissionSheet& sheet) {
    const std::string& name = *console.options.resume;
    std::optional<std::string> text = ReadNamedFile(console, name, site::kMaxReportBytes, "report");
    if (!text) return std::nullopt;
    std::string why;
    std::optional<site::Report> report = site::ParseReport(*text, why);
    if (report) why = site::ReportMismatch(*report, sheetName, sheet);
    if (!why.empty()) {
        console.err << name << " " << why << '\n';
        return std::nullopt;
    }
    return report;
}

// What the user gets on stdout: a table in sheet order, or the rows as JSON.
void printSummary(const Console& console, const site::CommissionSheet& sheet,
                  const std::vector<site::ReportRow>& rows) {
    if (console.options.json) {
        console.out << site::ReportRowsJson(rows) << '\n';
        console.out.flush();
        return;
    }
    std::vector<TableRow> lines;
    for (std::size_t i = 0; i < sheet.rows.size(); ++i) {
        const site::SheetRow& row = sheet.rows[i];
        lines.push_back({{std::to_string(row.line), FormatMac(row.mac), formatIpv4(row.address)},
                         &rows[i].row});
    }
    PrintRowTable(console.out, console.language,
                  {{TableText::Line, 5}, {TableText::Mac, 17}, {TableText::Address, 15}}, lines,
                  TableText::RowsPassed);
}

int exitStatus(const ConsoleRun& run, const site::CommissionOutcome& outcome) {
    if (run.interrupted()) return kExitInterrupted;
    const bool allPassed = std::all_of(outcome.rows.begin(), outcome.rows.end(),
                                       [](const site::ReportRow& row) { return row.passed(); });
    return allPassed && outcome.reportWritten ? kExitSuccess : kExitFailure;
}

}  // namespace

int RunCommissionCommand(Console& console, ConsoleEvents& events) {
    const Options& options = console.options;
    std::optional<site::CommissionSheet> sheet = readSheet(console);
    if (!sheet) return kExitUsage;
    const std::filesystem::path sheetPath = platform::pathFromUtf8(options.file);
    const std::string sheetName = platform::utf8Of(sheetPath.filename());
    std::optional<site::Report> earlier;
    if (options.resume && !(earlier = readReport(console, sheetName, *sheet))) return kExitUsage;
    std::optional<std::filesystem::path> logFolder;
    if (!PrepareLogFolder(console, logFolder)) return kExitFailure;

    // Rows an earlier run passed, as the sheet has them now, are not run again.
    site::SheetPlan plan = site::PlanSheet(*sheet, earlier);
    for (std::size_t i = 0; i < sheet->rows.size(); ++i) {
        if (std::find(plan.toRun.begin(), plan.toRun.end(), i) != plan.toRun.end()) continue;
        console.err << "skipping row " << i + 1 << " (line " << sheet->rows[i].line << ", "
                    << FormatMac(sheet->rows[i].mac) << "): passed in " << *options.resume
                    << '\n';
    }
    for (const std::string& line : site::RowsOutsideNetworks(sheet->rows, plan.toRun, console.language)) {
        console.err << line << '\n';
    }
    // One answer covers the whole sheet and every question of its rows.
    if (!options.yes && !Confirm(console, "Commission " + std::to_string(plan.toRun.size()) +
                                              " module(s) listed in " + options.file + "?")) {
        return kExitFailure;
    }
    // The report goes on in the file of the run it resumes unless named anew.
    const std::optional<std::string> report = options.report ? options.report : options.resume;
    site::Commissioning job{*sheet, sheetName, sheetPath.parent_path(), std::move(plan),
                            report ? std::optional(platform::pathFromUtf8(*report)) : std::nullopt};
    InterruptHandler interrupt;
    ConsoleRun run(console, events);
    const site::CommissionOutcome outcome = site::Commission(job, run.options(logFolder), run);
    if (outcome.searchFailed) return kExitFailure;
    if (!outcome.reportWritten) console.err << "cannot write the report " << *report << '\n';
    printSummary(console, *sheet, outcome.rows);
    return exitStatus(run, outcome);
}

}  // namespace quelvar::ui::console
