#include "site/handover.h"

#include <algorithm>

#include "site/backup_manifest.h"
#include "site/commission_report.h"
#include "site/json_fields.h"
#include "site/user_file.h"

namespace quelvar::site {

namespace {

void addReport(Handover& handover, const Report& report) {
    for (const ReportRow& reported : report.rows) {
        handover.rows.push_back({handover.sources.size() - 1, discovery::FormatMac(reported.mac),
                                 reported.file, reported.row});
    }
}

void addManifest(Handover& handover, const std::vector<BackupEntry>& entries) {
    for (const BackupEntry& entry : entries) {
        RowResult row;
        row.state = entry.saved ? RowState::Passed : RowState::Failed;
        row.reason = entry.saved && entry.reason.empty()
                         ? ops::Reason{{ops::FactKind::Saved, {entry.file}}}
                         : entry.reason;
        row.before = row.after = entry.address;
        row.product = entry.product;
        row.firmware = entry.firmware;
        row.sha256 = entry.sha256;
        row.started = entry.started;
        row.seconds = entry.seconds;
        handover.rows.push_back(
            {handover.sources.size() - 1, discovery::FormatMac(entry.mac), entry.file, row});
    }
}

}  // namespace

bool AddHandoverFile(Handover& handover, std::string name, std::string_view text,
                     ops::Fact& error) {
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded()) {
        error = {ops::FactKind::NotJsonOrCut, {}};
        return false;
    }
    const std::string format = StringField(json, "format");
    if (format == kReportFormat) {
        std::optional<Report> report = ParseReport(text, error);
        if (!report) return false;
        handover.sources.push_back(
            {std::move(name),
             report->task == ReportTask::Restore ? HandoverSource::Kind::Restore
                                                 : HandoverSource::Kind::Commission,
             report->sheet});
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
    if (format == kAuditReportFormat) {
        std::optional<ReadAudit> audit = ParseAuditReport(text, error);
        if (!audit) return false;
        handover.sources.push_back(
            {std::move(name), HandoverSource::Kind::Audit, audit->heading.reference});
        handover.audits.push_back({handover.sources.size() - 1, std::move(*audit)});
        return true;
    }
    error = {ops::FactKind::NeitherReportNorManifest, {}};
    return false;
}

bool ReadHandoverFile(Handover& handover, const std::string& path, std::string name,
                      ops::Reason& why) {
    ops::Fact error;
    std::optional<std::string> text = ReadUserFile(path, kMaxReportBytes, error);
    if (!text) {
        why = {std::move(error)};
        return false;
    }
    if (!AddHandoverFile(handover, std::move(name), *text, error)) {
        why = InFile(path, std::move(error));
        return false;
    }
    return true;
}

HandoverCounts CountRows(const Handover& handover) {
    HandoverCounts counts;
    for (const HandoverRow& row : handover.rows) {
        switch (row.result.state) {
            case RowState::Passed:
                ++counts.passed;
                break;
            case RowState::Failed:
                ++counts.failed;
                break;
            case RowState::Stopped:
                ++counts.stopped;
                break;
            case RowState::NotStarted:
                ++counts.notStarted;
                break;
        }
    }
    return counts;
}

std::vector<const HandoverRow*> RowsFailedFirst(const Handover& handover) {
    auto rank = [](RowState state) {
        switch (state) {
            case RowState::Failed:
                return 0;
            case RowState::Stopped:
                return 1;
            case RowState::NotStarted:
                return 2;
            case RowState::Passed:
                return 3;
        }
        return 3;
    };
    std::vector<const HandoverRow*> rows;
    rows.reserve(handover.rows.size());
    for (const HandoverRow& row : handover.rows) rows.push_back(&row);
    std::stable_sort(rows.begin(), rows.end(), [&](const HandoverRow* a, const HandoverRow* b) {
        return rank(a->result.state) < rank(b->result.state);
    });
    return rows;
}

}  // namespace quelvar::site
