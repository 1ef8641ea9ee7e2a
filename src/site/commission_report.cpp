#include "site/commission_report.h"

#include "site/json_fields.h"
#include "site/reason_json.h"

namespace quelvar::site {

namespace {

constexpr int kVersion = 1;

nlohmann::ordered_json rowsJson(const std::vector<ReportRow>& rows) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const ReportRow& reported : rows) {
        const RowResult& row = reported.row;
        nlohmann::ordered_json entry = {
            {"line", reported.line},
            {"mac", discovery::FormatMac(reported.mac)},
            {"product", row.product},
            {"firmware", row.firmware},
            {"before", row.before},
            {"after", row.after},
            {"file", reported.file},
            {"sha256", row.sha256},
            {"steps", row.steps},
            {"result", StateWord(row.state)},
            {"reason", row.words(platform::Language::English)},
        };
        PutReason(entry, row.reason);
        if (row.started) {
            entry["start"] = platform::UtcStamp(*row.started);
            entry["end"] = platform::UtcStamp(*row.ended());
        }
        entry["seconds"] = TenthsOf(row.seconds);
        if (!row.log.empty()) entry["log"] = row.log;
        list.push_back(std::move(entry));
    }
    return list;
}

// Texts a sheet or a module gave are bytes as they came: ones that are no
// UTF-8 are replaced, never a reason to fail.
std::string dumped(const nlohmann::ordered_json& json, int indent) {
    return json.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

std::string ReportRowsJson(const std::vector<ReportRow>& rows, int indent) {
    return dumped(rowsJson(rows), indent);
}

std::string ReportText(const std::string& sheetName, const std::vector<ReportRow>& rows,
                       ReportTask task) {
    nlohmann::ordered_json report = {{"format", kReportFormat}, {"version", kVersion}};
    if (task == ReportTask::Restore) report["task"] = "restore";
    report["sheet"] = sheetName;
    report["rows"] = rowsJson(rows);
    return dumped(report, 2) + "\n";
}

std::optional<Report> ParseReport(std::string_view text, ops::Fact& error) {
    nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        error = {ops::FactKind::NotJson, {}};
        return std::nullopt;
    }
    if (!HasFormat(json, kReportFormat, kVersion) || !json.contains("sheet") ||
        !json["sheet"].is_string() || !json.contains("rows") || !json["rows"].is_array()) {
        error = {ops::FactKind::NotAReport, {}};
        return std::nullopt;
    }
    Report report;
    report.sheet = json["sheet"].get<std::string>();
    if (StringField(json, "task") == "restore") report.task = ReportTask::Restore;
    for (std::size_t i = 0; i < json["rows"].size(); ++i) {
        const nlohmann::json& entry = json["rows"][i];
        auto field = [&](const char* key) { return StringField(entry, key); };
        ReportRow row;
        std::optional<discovery::MacAddress> mac = discovery::ParseMac(field("mac"));
        if (!mac || !entry.is_object() || !entry.contains("line") ||
            !entry["line"].is_number_integer()) {
            error = {ops::FactKind::ReportRowUnnamed, {std::to_string(i + 1)}};
            return std::nullopt;
        }
        row.mac = *mac;
        row.line = entry["line"].get<int>();
        row.file = field("file");
        row.row.before = field("before");
        row.row.after = field("after");
        // A word this tool never writes reads as a row that did not run.
        row.row.state = StateFromWord(field("result")).value_or(RowState::NotStarted);
        row.row.reason = ReasonField(entry);
        row.row.log = field("log");
        row.row.product = field("product");
        row.row.firmware = field("firmware");
        row.row.sha256 = field("sha256");
        row.row.started = TimeField(entry, "start");
        row.row.seconds = SecondsField(entry, "seconds");
        if (entry.contains("steps") && entry["steps"].is_array()) {
            for (const nlohmann::json& step : entry["steps"]) {
                if (step.is_string()) row.row.steps.push_back(step.get<std::string>());
            }
        }
        report.rows.push_back(std::move(row));
    }
    return report;
}

std::optional<ops::Fact> ReportMismatch(const Report& report, const std::string& sheetName,
                                        const CommissionSheet& sheet) {
    if (report.sheet != sheetName) {
        return ops::Fact{ops::FactKind::ReportOfOtherSheet, {report.sheet, sheetName}};
    }
    for (const ReportRow& row : report.rows) {
        bool named = false;
        for (const SheetRow& sheetRow : sheet.rows) named = named || sheetRow.mac == row.mac;
        if (!named) {
            return ops::Fact{ops::FactKind::ReportNamesOtherModule,
                             {discovery::FormatMac(row.mac), sheetName}};
        }
    }
    return std::nullopt;
}

bool PassedBefore(const Report& report, const SheetRow& row) {
    for (const ReportRow& done : report.rows) {
        if (done.mac == row.mac && done.passed() &&
            done.row.after == platform::formatIpv4(row.address) && done.file == row.file) {
            return true;
        }
    }
    return false;
}

ReportFile::ReportFile(std::filesystem::path path, const std::string& sheetName, std::size_t rows,
                       const std::vector<std::pair<std::size_t, ReportRow>>& kept,
                       ReportTask task)
    : RunningFile(std::move(path), rows,
                  [sheetName, task](const std::vector<ReportRow>& ended) {
                      return ReportText(sheetName, ended, task);
                  }) {
    for (const auto& [index, row] : kept) keep(index, row);
}

}  // namespace quelvar::site
