#include "site/audit_report.h"

#include <nlohmann/json.hpp>

#include "platform/hex.h"
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

}  // namespace

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
                {"reference", {{"file", heading.reference}, {"sha256", heading.referenceSha256}}}};
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
