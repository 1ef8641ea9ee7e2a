#include "site/commission_report.h"

#include "site/json_fields.h"

namespace quelvar::site {

namespace {

constexpr const char* kFormat = "quelvarinit-commission-report";
constexpr int kVersion = 1;

}  // namespace

std::string ReportText(const std::string& sheetName, const std::vector<ReportRow>& rows) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const ReportRow& row : rows) {
        nlohmann::ordered_json entry = {
            {"line", row.line},
            {"mac", discovery::FormatMac(row.mac)},
            {"before", row.before},
            {"after", row.after},
            {"file", row.file},
            {"steps", row.steps},
            {"result", row.result},
            {"reason", row.reason},
            {"seconds", static_cast<double>(static_cast<long long>(row.seconds * 10 + 0.5)) / 10},
        };
        if (!row.log.empty()) entry["log"] = row.log;
        list.push_back(std::move(entry));
    }
    nlohmann::ordered_json report = {
        {"format", kFormat}, {"version", kVersion}, {"sheet", sheetName}, {"rows", std::move(list)}};
    return report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::optional<Report> ParseReport(std::string_view text, std::string& error) {
    nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded() || !json.is_object()) {
        error = "is not JSON";
        return std::nullopt;
    }
    if (!HasFormat(json, kFormat, kVersion) || !json.contains("sheet") ||
        !json["sheet"].is_string() || !json.contains("rows") || !json["rows"].is_array()) {
        error = "is not a commissioning report of this tool";
        return std::nullopt;
    }
    Report report;
    report.sheet = json["sheet"].get<std::string>();
    for (std::size_t i = 0; i < json["rows"].size(); ++i) {
        const nlohmann::json& entry = json["rows"][i];
        auto field = [&](const char* key) { return StringField(entry, key); };
        ReportRow row;
        std::optional<discovery::MacAddress> mac = discovery::ParseMac(field("mac"));
        if (!mac || !entry.is_object() || !entry.contains("line") ||
            !entry["line"].is_number_integer()) {
            error = "row " + std::to_string(i + 1) + " has no MAC address or line";
            return std::nullopt;
        }
        row.mac = *mac;
        row.line = entry["line"].get<int>();
        row.before = field("before");
        row.after = field("after");
        row.file = field("file");
        row.result = field("result");
        row.reason = field("reason");
        row.log = field("log");
        if (entry.contains("seconds") && entry["seconds"].is_number()) {
            row.seconds = entry["seconds"].get<double>();
        }
        if (entry.contains("steps") && entry["steps"].is_array()) {
            for (const nlohmann::json& step : entry["steps"]) {
                if (step.is_string()) row.steps.push_back(step.get<std::string>());
            }
        }
        report.rows.push_back(std::move(row));
    }
    return report;
}

std::string ReportMismatch(const Report& report, const std::string& sheetName,
                           const CommissionSheet& sheet) {
    if (report.sheet != sheetName) return "was made from " + report.sheet + ", not " + sheetName;
    for (const ReportRow& row : report.rows) {
        bool named = false;
        for (const SheetRow& sheetRow : sheet.rows) named = named || sheetRow.mac == row.mac;
        if (!named) {
            return "names the module " + discovery::FormatMac(row.mac) + ", which " + sheetName +
                   " does not";
        }
    }
    return {};
}

bool PassedBefore(const Report& report, const SheetRow& row) {
    for (const ReportRow& done : report.rows) {
        if (done.mac == row.mac && done.passed() && done.after == platform::formatIpv4(row.address) &&
            done.file == row.file) {
            return true;
        }
    }
    return false;
}

ReportFile::ReportFile(std::filesystem::path path, const std::string& sheetName, std::size_t rows,
                       const std::vector<std::pair<std::size_t, ReportRow>>& kept)
    : RunningFile(std::move(path), rows,
                  [sheetName](const std::vector<ReportRow>& ended) {
                      return ReportText(sheetName, ended);
                  }) {
    for (const auto& [index, row] : kept) keep(index, row);
}

}  // namespace quelvar::site
