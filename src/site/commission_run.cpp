#include "site/commission_run.h"

#include "ops/search.h"
#include "platform/utf8.h"

namespace quelvar::site {

SheetPlan PlanSheet(const CommissionSheet& sheet, const std::optional<Report>& earlier) {
    SheetPlan plan;
    for (std::size_t i = 0; i < sheet.rows.size(); ++i) {
        if (!earlier || !PassedBefore(*earlier, sheet.rows[i])) {
            plan.toRun.push_back(i);
            continue;
        }
        for (const ReportRow& row : earlier->rows) {
            if (row.mac == sheet.rows[i].mac && row.passed()) plan.kept.emplace_back(i, row);
        }
    }
    return plan;
}

CommissionOutcome Commission(const Commissioning& job, const RunOptions& options,
                             RunEvents& events) {
    const CommissionSheet& sheet = job.sheet;
    const std::vector<std::size_t>& toRun = job.plan.toRun;
    std::optional<ReportFile> report;
    if (job.report) report.emplace(*job.report, job.sheetName, sheet.rows.size(), job.plan.kept);

    CommissionOutcome outcome;
    outcome.rows.resize(sheet.rows.size());
    for (std::size_t i = 0; i < sheet.rows.size(); ++i) {
        outcome.rows[i] = {sheet.rows[i].line, sheet.rows[i].mac, sheet.rows[i].file, {}};
        outcome.rows[i].row.reason = {{ops::FactKind::NotStarted, {}}};
    }
    for (const auto& [index, row] : job.plan.kept) {
        outcome.rows[index] = row;
        outcome.rows[index].row.reason = {{ops::FactKind::PassedEarlier, {}}};
    }

    // One search for the whole sheet: every row starts from what it found.
    discovery::SearchScope scope = options.search;
    for (std::size_t index : toRun) scope.wanted.push_back(sheet.rows[index].mac);
    const ops::SearchReport searched = ops::Search(scope, events.runEvents());
    events.searched(searched.result);
    if (searched.outcome.kind == ops::OutcomeKind::SocketError) {
        outcome.searchFailed = true;
        return outcome;
    }

    auto sheetRow = [&](std::size_t n) -> const SheetRow& { return sheet.rows[toRun[n]]; };
    auto names = [&](std::size_t n) {
        return RowNames{discovery::FormatMac(sheetRow(n).mac), static_cast<int>(toRun[n] + 1),
                        platform::formatIpv4(sheetRow(n).address), true};
    };
    auto logName = [&](std::size_t n) {
        return "row" + std::to_string(toRun[n] + 1) + "-" +
               discovery::FormatMac(sheetRow(n).mac) + ".log";
    };
    auto body = [&](std::size_t n, ops::Events& rowEvents) {
        const SheetRow& row = sheetRow(n);
        ops::CommissionPlan plan;
        plan.mac = row.mac;
        plan.address = row.address;
        if (!row.file.empty()) {
            // Files are named relative to the sheet, so a sheet and its files move together.
            plan.file = platform::pathFromUtf8(row.file);
            if (plan.file.is_relative()) plan.file = job.sheetFolder / plan.file;
        }
        plan.verify = options.verify;
        plan.stopRequested = [&events] { return events.stopRequested(); };
        return RowOf(ops::CommissionModule(searched.result.modules, plan,
                                           ops::AfterSearch(options.retries, searched.result),
                                           rowEvents));
    };
    SiteRows rows;
    rows.count = toRun.size();
    rows.names = names;
    rows.logName = logName;
    rows.body = body;
    rows.ended = [&](std::size_t n, const RowResult& result) {
        ReportRow reported = outcome.rows[toRun[n]];
        reported.row = result;
        if (report) report->record(toRun[n], reported);
    };
    // A row that ended just after another is written a moment later, even
    // when no row ends after it for long.
    rows.meanwhile = [&] {
        if (report) report->writeDue();
    };
    const std::vector<RowResult> results = RunSiteRows(rows, options, events);
    for (std::size_t n = 0; n < toRun.size(); ++n) outcome.rows[toRun[n]].row = results[n];
    if (report) outcome.reportWritten = report->flush();
    return outcome;
}

}  // namespace quelvar::site
