// commission: the run prepared (site::PrepareCommission), one question for
// the whole sheet, the run itself (site::Commission), and its summary in
// sheet order.
#include <algorithm>
#include <optional>
#include <ostream>

#include "platform/utf8.h"
#include "site/commission_checks.h"
#include "site/run_preparation.h"
#include "ui/console/commands.h"
#include "ui/console/console_run.h"
#include "ui/console/interrupt.h"
#include "ui/console/row_table.h"

namespace quelvar::ui::console {

namespace {

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
    const site::PreparedCommission prepared = site::PrepareCommission(
        {options.file, options.resume.value_or(""), options.report.value_or("")});
    for (const ops::Reason& bad : prepared.details) Tell(console, bad);
    // Every row passed before: the summary says so, and the report stands.
    const bool nothingToDo = ops::DecidingKind(prepared.problem) == ops::FactKind::NothingToDo;
    if (!prepared.problem.empty() && !nothingToDo) {
        Tell(console, prepared.problem);
        return prepared.problem.front().kind == ops::FactKind::ReportNotCreatable ? kExitFailure
                                                                                 : kExitUsage;
    }
    std::optional<std::filesystem::path> logFolder;
    if (!PrepareLogFolder(console, logFolder)) return kExitFailure;

    const site::CommissionSheet& sheet = *prepared.sheet;
    for (const auto& [index, kept] : prepared.plan.kept) {
        console.err << platform::FillIn(TableTextIn(TableText::SkippingRow, console.language),
                                        {std::to_string(index + 1),
                                         std::to_string(sheet.rows[index].line),
                                         FormatMac(sheet.rows[index].mac), *options.resume})
                    << '\n';
    }
    for (const std::string& line :
         site::RowsOutsideNetworks(sheet.rows, prepared.plan.toRun, console.language)) {
        console.err << line << '\n';
    }
    // One answer covers the whole sheet and every question of its rows.
    if (!options.yes && !nothingToDo &&
        !Confirm(console, platform::FillIn(TableTextIn(TableText::ConfirmCommission, console.language),
                                           {std::to_string(prepared.plan.toRun.size()),
                                            options.file}))) {
        return kExitFailure;
    }
    InterruptHandler interrupt;
    ConsoleRun run(console, events);
    const site::CommissionOutcome outcome = site::Commission(prepared.job(), run.options(logFolder), run);
    if (outcome.searchFailed) return kExitFailure;
    if (!outcome.reportWritten) {
        Tell(console, {{ops::FactKind::ReportNotWritten, {platform::utf8Of(prepared.report)}}});
    }
    printSummary(console, sheet, outcome.rows);
    return exitStatus(run, outcome);
}

}  // namespace quelvar::ui::console
