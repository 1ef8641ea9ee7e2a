#include "site/handover.h"

#include <algorithm>
#include <chrono>

#include "site/backup_manifest.h"
#include "site/commission_report.h"
#include "site/json_fields.h"

namespace quelvar::site {

namespace {

std::optional<platform::WallTime> endOf(const std::optional<platform::WallTime>& start,
                                        double seconds) {
    if (!start) return std::nullopt;
    return *start + std::chrono::milliseconds(static_cast<long long>(seconds * 1000 + 0.5));
}

void addReport(Handover& handover, const Report& report) {
    for (const ReportRow& reported : report.rows) {
        const RowResult& row = reported.row;
        HandoverRow line;
        line.source = handover.sources.size() - 1;
        line.state = row.state;
        line.mac = discovery::FormatMac(reported.mac);
        line.product = row.product;
        line.firmware = row.firmware;
        line.before = row.before;
        line.after = row.after;
        line.file = reported.file;
        line.sha256 = row.sha256;
        line.reason = row.outcome;
        line.start = row.started;
        line.seconds = row.seconds;
        line.end = endOf(line.start, line.seconds);
        handover.rows.push_back(std::move(line));
    }
}

void addManifest(Handover& handover, const std::vector<BackupEntry>& entries) {
    for (const BackupEntry& entry : entries) {
        HandoverRow line;
        line.source = handover.sources.size() - 1;
        line.state = entry.saved ? RowState::Passed : RowState::Failed;
        line.mac = discovery::FormatMac(entry.mac);
        line.product = entry.product;
        line.firmware = entry.firmware;
        line.before = line.after = entry.address;
        line.file = entry.file;
        line.sha256 = entry.sha256;
        line.reason = entry.saved && entry.reason.empty() ? "saved" : entry.reason;
        line.start = entry.started;
        line.seconds = entry.seconds;
        line.end = endOf(line.start, line.seconds);
        handover.rows.push_back(std::move(line));
    }
}

}  // namespace

bool AddHandoverFile(Handover& handover, std::string name, std::string_view text,
                     std::string& error) {
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded()) {
        error = "is not JSON (cut short, or not a file of this tool)";
        return false;
    }
    const std::string format = StringField(json, "format");
    if (format == kReportFormat) {
        std::optional<Report> report = ParseReport(text, error);
        if (!report) return false;
        handover.sources.push_back({std::move(name), HandoverSource::Kind::Commission, report->sheet});
        addReport(handover, *report);
        return true;
    }
    if (format == kManifestFormat) {
        std::optional<std::vector<BackupEntry>> manifest = ParseManifest(text, error);
        if (!manifest) return false;
        handover.sources.push_back({std::move(name), HandoverSource::Kind::Backup, {}});
        addManifest(handover, *manifest);
        return true;
    }
    error = "is neither a commissioning report nor a backup manifest of this tool";
    return false;
}

HandoverCounts CountRows(const Handover& handover) {
    HandoverCounts counts;
    for (const HandoverRow& row : handover.rows) {
        switch (row.state) {
            case RowState::Passed: ++counts.passed; break;
            case RowState::Failed: ++counts.failed; break;
            case RowState::Stopped: ++counts.stopped; break;
            case RowState::NotStarted: ++counts.notStarted; break;
        }
    }
    return counts;
}

std::vector<const HandoverRow*> RowsFailedFirst(const Handover& handover) {
    auto rank = [](RowState state) {
        switch (state) {
            case RowState::Failed: return 0;
            case RowState::Stopped: return 1;
            case RowState::NotStarted: return 2;
            case RowState::Passed: return 3;
        }
        return 3;
    };
    std::vector<const HandoverRow*> rows;
    rows.reserve(handover.rows.size());
    for (const HandoverRow& row : handover.rows) rows.push_back(&row);
    std::stable_sort(rows.begin(), rows.end(), [&](const HandoverRow* a, const HandoverRow* b) {
        return rank(a->state) < rank(b->state);
    });
    return rows;
}

}  // namespace quelvar::site
