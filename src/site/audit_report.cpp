#include "site/audit_report.h"

#include <nlohmann/json.hpp>

#include "platform/hex.h"
#include "site/json_fields.h"
#include "site/reason_json.h"

namespace quelvar::site {

namespace {

using Json = nlohmann::ordered_json;

std::string hexOf(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t byte : bytes) text += platform::HexByte(byte);
    return text;
}

Json ignoreJson(const IgnoredBytes& ignored) {
    Json object{{"record", ignored.record}, {"text", IgnoreText(ignored)}};
    if (!ignored.whole) {
        object["first"] = ignored.first;
        object["last"] = ignored.last;
    }
    return object;
}

Json moduleJson(const AuditedModule& module) {
    Json object{{"mac", module.source.mac},
                {"address", module.source.address},
                {"result", AuditResultName(module.result)}};
    Json differences = Json::array();
    for (const AuditRange& range : module.ranges) {
        differences.push_back({{"record", range.record},
                               {"offset", range.range.offset},
                               {"length", range.range.length},
                               {"reference", hexOf(range.range.left)},
                               {"module", hexOf(range.range.right)},
                               {"pattern", range.inPattern}});
    }
    object["differences"] = std::move(differences);
    object["missing"] = module.missing;
    object["beyond"] = module.beyond;
    PutReason(object, module.source.reason);
    return object;
}

// What a report of anyone's making holds, read without trusting it: a
// field that is not there or not of its kind makes the whole file refused.
struct Reader {
    bool good = true;

    std::size_t count(const nlohmann::json& object, const char* key) {
        const nlohmann::json& field = Field(object, key);
        if (!field.is_number_unsigned() || field.get<std::uint64_t>() > (1u << 20)) {
            good = false;
            return 0;
        }
        return field.get<std::size_t>();
    }
    std::uint8_t record(const nlohmann::json& value) {
        if (!value.is_number_unsigned() || value.get<std::uint64_t>() > 255) {
            good = false;
            return 0;
        }
        return value.get<std::uint8_t>();
    }
    std::vector<std::uint8_t> records(const nlohmann::json& object, const char* key) {
        std::vector<std::uint8_t> numbers;
        const nlohmann::json& field = Field(object, key);
        if (!field.is_array()) {
            good = false;
            return numbers;
        }
        for (const nlohmann::json& value : field) numbers.push_back(record(value));
        return numbers;
    }
    // A yes/no the writer may leave out (meaning no), but not misspell.
    bool flag(const nlohmann::json& value) {
        if (value.is_null()) return false;
        if (!value.is_boolean()) good = false;
        return value.is_boolean() && value.get<bool>();
    }
    std::vector<std::uint8_t> bytes(const nlohmann::json& object, const char* key) {
        const std::string text = StringField(object, key);
        std::vector<std::uint8_t> out;
        if (text.size() % 2 != 0) good = false;
        for (std::size_t i = 0; good && i + 1 < text.size(); i += 2) {
            const std::optional<int> byte = platform::hexPair(text[i], text[i + 1]);
            if (!byte) good = false;
            out.push_back(static_cast<std::uint8_t>(byte.value_or(0)));
        }
        return out;
    }
};

std::optional<AuditResult> resultNamed(std::string_view name) {
    for (AuditResult result : {AuditResult::NotFound, AuditResult::Unreadable,
                               AuditResult::RecordsMissing, AuditResult::RecordsBeyond,
                               AuditResult::Differs, AuditResult::Same}) {
        if (AuditResultName(result) == name) return result;
    }
    return std::nullopt;
}

}  // namespace

std::optional<ReadAudit> ParseAuditReport(std::string_view text, ops::Fact& error) {
    const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
    if (json.is_discarded()) {
        error = {ops::FactKind::NotJsonOrCut, {}};
        return std::nullopt;
    }
    error = {ops::FactKind::NotAnAuditReport, {}};
    if (!HasFormat(json, kAuditReportFormat, 1)) return std::nullopt;
    Reader read;
    ReadAudit made;
    const nlohmann::json& reference = json.contains("reference") ? json["reference"] : json;
    made.heading.reference = StringField(reference, "file");
    made.heading.referenceSha256 = StringField(reference, "sha256");
    made.heading.records = read.records(reference, "records");
    made.heading.backup = StringField(json, "backup");
    if (json.contains("ignore") && json["ignore"].is_array()) {
        for (const nlohmann::json& ignore : json["ignore"]) {
            if (auto parsed = ParseIgnoredBytes(StringField(ignore, "text"))) {
                made.heading.ignored.push_back(*parsed);
            } else {
                read.good = false;
            }
        }
    }
    static const nlohmann::json kNoPatterns = nlohmann::json::array();
    const nlohmann::json& listed = Field(json, "patterns");
    const nlohmann::json& patterns = listed.is_null() ? kNoPatterns : listed;
    const nlohmann::json& modules = Field(json, "modules");
    if (!patterns.is_array() || !modules.is_array()) return std::nullopt;
    for (const nlohmann::json& p : patterns) {
        AuditPattern pattern;
        pattern.record = read.record(Field(p, "record"));
        pattern.offset = read.count(p, "offset");
        pattern.length = read.count(p, "length");
        pattern.modules = read.count(p, "modules");
        pattern.of = read.count(p, "of");
        if (pattern.length == 0) read.good = false;
        made.audit.patterns.push_back(pattern);
    }
    AuditCounts& counts = made.audit.counts;
    for (const nlohmann::json& m : modules) {
        AuditedModule module;
        module.source.mac = StringField(m, "mac");
        module.source.address = StringField(m, "address");
        const std::optional<AuditResult> result = resultNamed(StringField(m, "result"));
        if (module.source.mac.empty() || !result) return std::nullopt;
        module.result = *result;
        module.source.found = *result != AuditResult::NotFound;
        module.source.reason = ReasonField(m);
        const nlohmann::json& differences = Field(m, "differences");
        if (!differences.is_array()) return std::nullopt;
        for (const nlohmann::json& d : differences) {
            AuditRange range;
            range.record = read.record(Field(d, "record"));
            range.range.offset = read.count(d, "offset");
            range.range.length = read.count(d, "length");
            range.range.left = read.bytes(d, "reference");
            range.range.right = read.bytes(d, "module");
            range.inPattern = read.flag(Field(d, "pattern"));
            module.ranges.push_back(std::move(range));
        }
        module.missing = read.records(m, "missing");
        module.beyond = read.records(m, "beyond");
        if (!read.good) return std::nullopt;
        module.order = made.audit.modules.size();
        counts.count(module.result);
        made.audit.modules.push_back(std::move(module));
    }
    counts.modules = made.audit.modules.size();
    if (!read.good) return std::nullopt;
    return made;
}

std::string AuditReportText(const AuditHeading& heading, const Audit& audit, int indent) {
    Json ignored = Json::array();
    for (const IgnoredBytes& ignore : heading.ignored) ignored.push_back(ignoreJson(ignore));
    Json patterns = Json::array();
    for (const AuditPattern& pattern : audit.patterns) {
        patterns.push_back({{"record", pattern.record},
                            {"offset", pattern.offset},
                            {"length", pattern.length},
                            {"modules", pattern.modules},
                            {"of", pattern.of},
                            {"ignore", IgnoreText(pattern.ignore())}});
    }
    const AuditCounts& counts = audit.counts;
    Json modules = Json::array();
    for (const AuditedModule& module : audit.modules) modules.push_back(moduleJson(module));
    Json report{{"format", kAuditReportFormat},
                {"version", 1},
                {"task", "audit"},
                {"reference",
                 {{"file", heading.reference},
                  {"sha256", heading.referenceSha256},
                  {"records", heading.records}}}};
    if (!heading.backup.empty()) report["backup"] = heading.backup;
    report["ignore"] = std::move(ignored);
    report["patterns"] = std::move(patterns);
    report["counts"] = {{"modules", counts.modules},       {"same", counts.same},
                        {"differs", counts.differs},       {"records-missing", counts.missing},
                        {"records-beyond", counts.beyond}, {"unreadable", counts.unreadable},
                        {"not-found", counts.notFound}};
    report["modules"] = std::move(modules);
    return report.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace quelvar::site
