#include "site/audit_facts.h"

#include <set>

#include "platform/hex.h"

namespace quelvar::site {

namespace {

using K = ops::FactKind;

// A range's bytes beyond these are in the report, not on a line.
constexpr std::size_t kBytesShown = 16;

std::string bytesText(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) return "--";
    std::string text;
    for (std::size_t i = 0; i < bytes.size() && i < kBytesShown; ++i) {
        text += (i == 0 ? "" : " ") + platform::HexByte(bytes[i]);
    }
    if (bytes.size() > kBytesShown) text += " ...";
    return text;
}

std::string numbers(const std::vector<std::uint8_t>& records) {
    std::string text;
    for (std::uint8_t number : records) text += (text.empty() ? "" : ", ") + std::to_string(number);
    return text;
}

}  // namespace

ops::Fact AuditedModuleName(const AuditedSource& source) {
    if (source.address.empty()) return {K::ModuleName, {source.mac}};
    return {K::ComparedModule, {source.mac, source.address}};
}

ops::Reason AuditVerdict(const AuditedModule& module) {
    switch (module.result) {
        case AuditResult::NotFound:
            return {{K::NotFound, {}}};
        case AuditResult::Unreadable: {
            ops::Reason reason{{K::AuditUnreadable, {}}};
            reason.insert(reason.end(), module.source.reason.begin(), module.source.reason.end());
            return reason;
        }
        case AuditResult::RecordsMissing:
            return {{K::AuditRecordsMissing, {numbers(module.missing)}}};
        case AuditResult::RecordsBeyond:
            return {{K::AuditRecordsBeyond, {numbers(module.beyond)}}};
        case AuditResult::Differs: {
            std::set<std::size_t> records;
            for (const AuditRange& range : module.ranges) records.insert(range.recordIndex);
            return {{K::AuditDiffers, {std::to_string(records.size())}}};
        }
        case AuditResult::Same:
            break;
    }
    return {{K::AuditSame, {}}};
}

ops::Fact AuditPatternFact(const AuditPattern& pattern) {
    return {K::AuditPattern,
            {std::to_string(pattern.record), SpanText(pattern.offset, pattern.length),
             std::to_string(pattern.modules), std::to_string(pattern.of),
             "--ignore " + IgnoreText(pattern.ignore())}};
}

ops::Fact AuditRangeFact(const AuditRange& range) {
    return {K::AuditRange,
            {std::to_string(range.record), SpanText(range.range.offset, range.range.length),
             bytesText(range.range.left), bytesText(range.range.right)}};
}

std::vector<ops::Fact> AuditOwnDifferences(const AuditedModule& module) {
    std::vector<ops::Fact> own;
    for (const AuditRange& range : module.ranges) {
        if (!range.inPattern) own.push_back(AuditRangeFact(range));
    }
    if (own.empty() && !module.ranges.empty()) own.push_back({K::AuditOnlyPatterns, {}});
    return own;
}

ops::Fact AuditSummaryFact(const AuditCounts& c) {
    return {K::AuditSummary,
            {std::to_string(c.modules), std::to_string(c.same), std::to_string(c.differs),
             std::to_string(c.missing), std::to_string(c.beyond), std::to_string(c.unreadable),
             std::to_string(c.notFound)}};
}

}  // namespace quelvar::site
