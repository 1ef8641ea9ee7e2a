// commission: a sheet of modules, found by one search, then each given its
// address and, when the sheet names one, its setup record file, by up to
// --jobs workers at once; a report as the rows end, a summary in sheet order.
#include <algorithm>
#include <chrono>
#include <iomanip>
#include <optional>
#include <ostream>

#include <nlohmann/json.hpp>

#include "ops/commission_module.h"
#include "platform/utf8.h"
#include "site/commission_checks.h"
#include "site/commission_report.h"
#include "site/commission_sheet.h"
#include "ui/console/commands.h"
#include "ui/console/file_reading.h"
#include "ui/console/interrupt.h"
#include "ui/console/module_lookup.h"
#include "ui/console/row_run.h"

namespace quelvar::ui::console {

namespace {

using site::CommissionSheet;
using site::ReportRow;
using site::SheetRow;

// A report, like a sheet, is a file of a sane size.
constexpr std::size_t kMaxReportBytes = 64 << 20;

std::string resultWord(RowOutcome::State state) {
    switch (state) {
        case RowOutcome::State::Passed:
            return "pass";
        case RowOutcome::State::Failed:
            return "fail";
        case RowOutcome::State::Stopped:
            return "stop";
        case RowOutcome::State::NotStarted:
            break;
    }
    return "not started";
}

std::string rowLogName(std::size_t index, const SheetRow& row) {
    return "row" + std::to_string(index + 1) + "-" + FormatMac(row.mac) + ".log";
}

// What the user gets on stdout: a table in sheet order, or the report's rows as JSON.
void printSummary(const Console& console, const CommissionSheet& sheet,
                  const std::vector<ReportRow>& rows) {
    std::ostream& out = console.out;
    if (console.options.json) {
        nlohmann::ordered_json parsed =
            nlohmann::ordered_json::parse(site::ReportText(console.options.file, rows));
        out << parsed["rows"].dump() << '\n';
        out.flush();
        return;
    }
    std::size_t passed = 0;
    out << std::left << std::setw(4) << "ROW" << ' ' << std::setw(5) << "LINE" << ' '
        << std::setw(17) << "MAC" << ' ' << std::setw(15) << "ADDRESS" << ' ' << std::setw(6)
        << "RESULT" << ' ' << "DETAIL" << '\n';
    for (std::size_t i = 0; i < sheet.rows.size(); ++i) {
        const SheetRow& row = sheet.rows[i];
        const ReportRow& result = rows[i];
        if (result.passed()) ++passed;
        const std::string word = result.result == "pass"   ? "pass"
                                 : result.result == "fail" ? "FAIL"
                                 : result.result == "stop" ? "STOP"
                                                           : "-";
        out << std::left << std::setw(4) << i + 1 << ' ' << std::setw(5) << row.line << ' '
            << std::setw(17) << FormatMac(row.mac) << ' ' << std::setw(15)
            << formatIpv4(row.address) << ' ' << std::setw(6) << word << ' ' << result.reason
            << '\n';
    }
    out << passed << " of " << sheet.rows.size() << " row(s) passed\n";
    out.flush();
}

// The report of an earlier run, for --resume: it must be of this sheet.
std::optional<site::Report> readReport(Console& console, const std::string& name,
                                       const std::string& sheetName, const CommissionSheet& sheet) {
    std::optional<std::string> text = ReadNamedFile(name, kMaxReportBytes, "report", console.err);
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

}  // namespace

int RunCommissionCommand(Console& console, ConsoleEvents& events) {
    const Options& options = console.options;
    const std::string& sheetName = options.file;
    std::optional<std::string> text =
        ReadNamedFile(sheetName, site::kMaxSheetBytes, "commissioning sheet", console.err);
    if (!text) return kExitUsage;
    CommissionSheet sheet = site::ParseCommissionSheet(*text);
    for (const std::string& conflict : site::FindSheetConflicts(sheet.rows)) {
        sheet.errors.push_back(conflict);
    }
    for (const std::string& error : sheet.errors) console.err << sheetName << ": " << error << '\n';
    if (!sheet.errors.empty()) return kExitUsage;
    if (sheet.rows.empty()) {
        console.err << sheetName << ": no module rows\n";
        return kExitUsage;
    }
    const std::string sheetFileName =
        platform::utf8Of(platform::pathFromUtf8(sheetName).filename());
    std::optional<site::Report> earlier;
    if (options.resume) {
        earlier = readReport(console, *options.resume, sheetFileName, sheet);
        if (!earlier) return kExitUsage;
    }
    std::optional<std::filesystem::path> logFolder;
    if (!PrepareLogFolder(console, logFolder)) return kExitFailure;

    // Rows an earlier run passed, as the sheet has them now, are not run again.
    std::vector<std::size_t> toRun;
    std::vector<std::pair<std::size_t, ReportRow>> kept;
    for (std::size_t i = 0; i < sheet.rows.size(); ++i) {
        if (earlier && site::PassedBefore(*earlier, sheet.rows[i])) {
            for (const ReportRow& row : earlier->rows) {
                if (row.mac == sheet.rows[i].mac && row.passed()) kept.emplace_back(i, row);
            }
            console.err << "skipping row " << i + 1 << " (line " << sheet.rows[i].line << ", "
                        << FormatMac(sheet.rows[i].mac) << "): passed in " << *options.resume
                        << '\n';
        } else {
            toRun.push_back(i);
        }
    }

    // One answer covers the whole sheet and every question of its rows.
    if (!options.yes && !Confirm(console, "Commission " + std::to_string(toRun.size()) +
                                              " module(s) listed in " + sheetName + "?")) {
        return kExitFailure;
    }

    // The report goes on in the file of the run it resumes unless named anew.
    std::optional<site::ReportFile> report;
    const std::optional<std::string> reportName = options.report ? options.report : options.resume;
    report.emplace(platform::pathFromUtf8(reportName.value_or(std::string())), sheetFileName,
                   sheet.rows.size(), kept);

    InterruptHandler interrupt;
    // One search for the whole sheet: every row starts from what it found.
    std::vector<discovery::MacAddress> wanted;
    for (std::size_t index : toRun) wanted.push_back(sheet.rows[index].mac);
    ops::SearchReport searched = SearchModules(console, events, std::move(wanted));
    events.eraseProgress();
    if (searched.outcome.kind == ops::OutcomeKind::SocketError) return kExitFailure;
    const std::filesystem::path sheetFolder = platform::pathFromUtf8(sheetName).parent_path();

    // Every row of the sheet in the summary: those run, those kept, those not started.
    std::vector<ReportRow> rows(sheet.rows.size());
    for (std::size_t i = 0; i < sheet.rows.size(); ++i) {
        rows[i] = ReportRow{
            sheet.rows[i].line, sheet.rows[i].mac,           {}, {}, sheet.rows[i].file, {},
            "not started",      "not started (interrupted)", 0,  {}};
    }
    for (const auto& [index, row] : kept) {
        rows[index] = row;
        rows[index].reason = "passed in an earlier run";
    }

    auto rowOf = [&](std::size_t n) -> const SheetRow& { return sheet.rows[toRun[n]]; };
    auto rowName = [&](std::size_t n) { return "row " + std::to_string(toRun[n] + 1); };
    RowRun run(
        console, toRun.size(), rowName,
        [&](std::size_t n) {
            return rowName(n) + " " + FormatMac(rowOf(n).mac) + " -> " +
                   formatIpv4(rowOf(n).address);
        },
        [&](std::size_t n) {
            return FormatMac(rowOf(n).mac) + " (row " + std::to_string(toRun[n] + 1) + ")";
        });
    auto body = [&](std::size_t n, RowEvents& rowEvents) {
        const SheetRow& row = rowOf(n);
        const auto started = std::chrono::steady_clock::now();
        ops::CommissionPlan plan;
        plan.mac = row.mac;
        plan.address = row.address;
        if (!row.file.empty()) {
            // Files are named relative to the sheet, so a sheet and its files move together.
            plan.file = platform::pathFromUtf8(row.file);
            if (plan.file.is_relative()) plan.file = sheetFolder / plan.file;
        }
        plan.verify = options.verify;
        plan.stopRequested = [&run] { return run.stopRequested(); };
        ops::CommissionResult result =
            ops::CommissionModule(searched.result.modules, plan, console.retries, rowEvents);
        RowOutcome outcome{RowStateOf(result.state), result.detail};
        ReportRow& reported = rows[toRun[n]];
        reported = ReportRow{
            row.line,
            row.mac,
            result.before,
            result.after,
            row.file,
            result.steps,
            resultWord(outcome.state),
            result.detail,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
            logFolder ? platform::utf8Of(*logFolder / rowLogName(toRun[n], row)) : std::string()};
        if (reportName) report->record(toRun[n], reported);
        return outcome;
    };
    // A row that ended just after another is written a moment later, even
    // when no row ends after it for long.
    run.run(
        body, logFolder, [&](std::size_t n) { return rowLogName(toRun[n], rowOf(n)); },
        [&] {
            if (reportName) report->writeDue();
        });

    int status = kExitSuccess;
    if (reportName && !report->flush()) {
        console.err << "cannot write the report " << *reportName << '\n';
        status = kExitFailure;
    }
    printSummary(console, sheet, rows);
    if (run.interrupted()) return kExitInterrupted;
    const bool allPassed =
        std::all_of(rows.begin(), rows.end(), [](const ReportRow& row) { return row.passed(); });
    return allPassed ? status : kExitFailure;
}

}  // namespace quelvar::ui::console
