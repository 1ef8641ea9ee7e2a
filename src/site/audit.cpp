#include "site/audit.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace quelvar::site {

namespace {

using records::DifferingRange;
using records::RecordDiff;

// A decimal number, or a hexadecimal one after 0x.
std::optional<std::size_t> readNumber(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    std::size_t value = 0;
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc() || at != end) return std::nullopt;
    return value;
}

bool masks(const IgnoredBytes& ignored, std::uint8_t record, std::size_t at) {
    return ignored.record == record && (ignored.whole || (at >= ignored.first && at <= ignored.last));
}

bool wholeIgnored(const std::vector<IgnoredBytes>& ignored, std::uint8_t record) {
    return std::any_of(ignored.begin(), ignored.end(), [&](const IgnoredBytes& i) {
        return i.whole && i.record == record;
    });
}

// The runs of `range` at whose positions `keep` holds, each with its bytes.
template <typename Keep>
std::vector<DifferingRange> pieces(const DifferingRange& range, Keep keep) {
    std::vector<DifferingRange> kept;
    for (const auto& [from, to] : records::RunsWhere(range.offset, range.offset + range.length, keep)) {
        kept.push_back(records::SubRange(range, from, to));
    }
    return kept;
}

AuditResult resultOf(const AuditedModule& module) {
    if (!module.source.found) return AuditResult::NotFound;
    if (!module.source.records) return AuditResult::Unreadable;
    if (!module.missing.empty()) return AuditResult::RecordsMissing;
    if (!module.beyond.empty()) return AuditResult::RecordsBeyond;
    return module.ranges.empty() ? AuditResult::Same : AuditResult::Differs;
}

// Each module's differing ranges, what `ignored` masks left out.
void compare(const std::vector<records::Record>& reference, AuditedModule& module,
             const std::vector<IgnoredBytes>& ignored) {
    for (const RecordDiff& diff : records::DiffRecords(reference, *module.source.records)) {
        if (wholeIgnored(ignored, diff.number)) continue;
        switch (diff.kind) {
            case RecordDiff::Kind::Same:
                break;
            case RecordDiff::Kind::OnlyLeft:
                module.missing.push_back(diff.number);
                break;
            case RecordDiff::Kind::OnlyRight:
                module.beyond.push_back(diff.number);
                break;
            case RecordDiff::Kind::Differs:
                for (const DifferingRange& range : diff.ranges) {
                    auto shown = [&](std::size_t at) {
                        return std::none_of(ignored.begin(), ignored.end(),
                                            [&](const IgnoredBytes& i) { return masks(i, diff.number, at); });
                    };
                    for (DifferingRange& kept : pieces(range, shown)) {
                        module.ranges.push_back({diff.number, diff.leftIndex, std::move(kept), false});
                    }
                }
                break;
        }
    }
}

// Of a record of the reference: how many read modules hold it, how many of
// them hold it exactly so, and at each byte how many differ there.
struct RecordTally {
    std::size_t holders = 0;
    std::size_t alike = 0;
    std::vector<std::size_t> differing;  // per byte position
};

std::vector<RecordTally> tally(const std::vector<records::Record>& reference,
                               const std::vector<AuditedModule>& modules) {
    std::vector<RecordTally> tallies(reference.size());
    for (const AuditedModule& module : modules) {
        if (!module.source.records) continue;
        std::vector<bool> held(reference.size(), true);
        for (const RecordDiff& diff : records::DiffRecords(reference, *module.source.records)) {
            if (diff.kind == RecordDiff::Kind::OnlyLeft) held[diff.leftIndex] = false;
        }
        std::vector<bool> alike = held;
        for (const AuditRange& range : module.ranges) alike[range.recordIndex] = false;
        for (std::size_t i = 0; i < reference.size(); ++i) {
            tallies[i].holders += held[i] ? 1 : 0;
            tallies[i].alike += alike[i] ? 1 : 0;
        }
        for (const AuditRange& range : module.ranges) {
            std::vector<std::size_t>& differing = tallies[range.recordIndex].differing;
            const std::size_t end = range.range.offset + range.range.length;
            if (differing.size() < end) differing.resize(end, 0);
            for (std::size_t at = range.range.offset; at < end; ++at) ++differing[at];
        }
    }
    return tallies;
}

// A pattern is a run of bytes in which every module holding the record
// differs, at least two of them. One module may hold the record exactly as
// the reference does: the reference is often saved from a module of the
// site, and that module's own values are then the reference's.
std::vector<AuditPattern> patternsOf(const std::vector<records::Record>& reference,
                                     const std::vector<RecordTally>& tallies) {
    std::vector<AuditPattern> patterns;
    for (std::size_t i = 0; i < tallies.size(); ++i) {
        const RecordTally& counted = tallies[i];
        const std::size_t needed = counted.holders - std::min<std::size_t>(counted.alike, 1);
        if (needed < 2) continue;
        const std::vector<std::size_t>& differing = counted.differing;
        auto shared = [&](std::size_t at) { return differing[at] == needed; };
        for (const auto& [from, to] : records::RunsWhere(0, differing.size(), shared)) {
            patterns.push_back({reference[i].number, i, from, to - from, needed, counted.holders});
        }
    }
    return patterns;
}

bool inPattern(const std::vector<AuditPattern>& patterns, std::size_t recordIndex, std::size_t at) {
    return std::any_of(patterns.begin(), patterns.end(), [&](const AuditPattern& p) {
        return p.recordIndex == recordIndex && at >= p.offset && at < p.offset + p.length;
    });
}

// Each range cut where a pattern begins or ends, and marked, so that a
// front-end shows once what every module shares.
void markPatterns(AuditedModule& module, const std::vector<AuditPattern>& patterns) {
    std::vector<AuditRange> cut;
    for (const AuditRange& range : module.ranges) {
        for (bool shared : {true, false}) {
            auto sameSide = [&](std::size_t at) {
                return inPattern(patterns, range.recordIndex, at) == shared;
            };
            for (DifferingRange& piece : pieces(range.range, sameSide)) {
                cut.push_back({range.record, range.recordIndex, std::move(piece), shared});
            }
        }
    }
    std::sort(cut.begin(), cut.end(), [](const AuditRange& a, const AuditRange& b) {
        return std::pair(a.recordIndex, a.range.offset) < std::pair(b.recordIndex, b.range.offset);
    });
    module.ranges = std::move(cut);
}

}  // namespace

std::optional<IgnoredBytes> ParseIgnoredBytes(std::string_view text) {
    const std::size_t colon = text.find(':');
    const std::optional<std::size_t> record = readNumber(text.substr(0, colon));
    if (!record || *record > std::numeric_limits<std::uint8_t>::max()) return std::nullopt;
    IgnoredBytes ignored;
    ignored.record = static_cast<std::uint8_t>(*record);
    if (colon == std::string_view::npos) return ignored;
    const std::string_view bytes = text.substr(colon + 1);
    const std::size_t dash = bytes.find('-');
    const std::optional<std::size_t> first = readNumber(bytes.substr(0, dash));
    const std::optional<std::size_t> last =
        dash == std::string_view::npos ? first : readNumber(bytes.substr(dash + 1));
    if (!first || !last || *last < *first) return std::nullopt;
    ignored.whole = false;
    ignored.first = *first;
    ignored.last = *last;
    return ignored;
}

std::string SpanText(std::size_t offset, std::size_t length) {
    const std::string first = std::to_string(offset);
    return length <= 1 ? first : first + "-" + std::to_string(offset + length - 1);
}

std::string IgnoreText(const IgnoredBytes& ignored) {
    std::string text = std::to_string(ignored.record);
    if (ignored.whole) return text;
    text += ":" + std::to_string(ignored.first);
    if (ignored.last != ignored.first) text += "-" + std::to_string(ignored.last);
    return text;
}

std::optional<ops::Fact> IgnoreProblem(const IgnoredBytes& ignored,
                                       const std::vector<records::Record>& reference) {
    std::size_t longest = 0;
    bool held = false;
    for (const records::Record& record : reference) {
        if (record.number != ignored.record) continue;
        held = true;
        longest = std::max(longest, record.data.size());
    }
    const std::string number = std::to_string(ignored.record);
    if (!held) return ops::Fact{ops::FactKind::IgnoreNoRecord, {IgnoreText(ignored), number}};
    if (!ignored.whole && ignored.last >= longest) {
        return ops::Fact{ops::FactKind::IgnorePastEnd,
                         {IgnoreText(ignored), number, std::to_string(longest)}};
    }
    return std::nullopt;
}

AuditCell CellOf(const AuditedModule& module, std::uint8_t record, bool beyondColumn) {
    auto has = [](const std::vector<std::uint8_t>& numbers, std::uint8_t number) {
        return std::find(numbers.begin(), numbers.end(), number) != numbers.end();
    };
    if (module.result == AuditResult::NotFound || module.result == AuditResult::Unreadable) {
        return AuditCell::Unread;
    }
    if (beyondColumn) return has(module.beyond, record) ? AuditCell::Beyond : AuditCell::Blank;
    if (has(module.missing, record)) return AuditCell::Missing;
    bool differs = false;
    for (const AuditRange& range : module.ranges) {
        if (range.record != record) continue;
        if (!range.inPattern) return AuditCell::Differs;
        differs = true;
    }
    return differs ? AuditCell::Pattern : AuditCell::Same;
}

std::string_view AuditSign(AuditCell cell) {
    switch (cell) {
        case AuditCell::Blank: return "";
        case AuditCell::Same: return "=";
        case AuditCell::Pattern: return "\xE2\x89\x88";
        case AuditCell::Differs: return "\xE2\x89\xA0";
        case AuditCell::Missing: return "\xE2\x88\x92";
        case AuditCell::Beyond: return "+";
        case AuditCell::Unread: return "?";
    }
    return "";
}

std::vector<std::uint8_t> RecordsBeyond(const std::vector<AuditedModule>& modules) {
    std::vector<std::uint8_t> beyond;
    for (const AuditedModule& module : modules) beyond.insert(beyond.end(), module.beyond.begin(), module.beyond.end());
    std::sort(beyond.begin(), beyond.end());
    beyond.erase(std::unique(beyond.begin(), beyond.end()), beyond.end());
    return beyond;
}

std::string_view AuditResultName(AuditResult result) {
    switch (result) {
        case AuditResult::NotFound: return "not-found";
        case AuditResult::Unreadable: return "unreadable";
        case AuditResult::RecordsMissing: return "records-missing";
        case AuditResult::RecordsBeyond: return "records-beyond";
        case AuditResult::Differs: return "differs";
        case AuditResult::Same: return "same";
    }
    return "same";
}

void AuditCounts::count(AuditResult result) {
    switch (result) {
        case AuditResult::NotFound: ++notFound; break;
        case AuditResult::Unreadable: ++unreadable; break;
        case AuditResult::RecordsMissing: ++missing; break;
        case AuditResult::RecordsBeyond: ++beyond; break;
        case AuditResult::Differs: ++differs; break;
        case AuditResult::Same: ++same; break;
    }
}

std::size_t AuditedModule::differingBytes() const {
    std::size_t bytes = 0;
    for (const AuditRange& range : ranges) bytes += range.range.length;
    return bytes;
}

std::size_t AuditedModule::ownBytes() const {
    std::size_t bytes = 0;
    for (const AuditRange& range : ranges) bytes += range.inPattern ? 0 : range.range.length;
    return bytes;
}

IgnoredBytes AuditPattern::ignore() const {
    return {record, false, offset, offset + length - 1};
}

Audit AuditModules(const std::vector<records::Record>& reference,
                   std::vector<AuditedSource> sources, const std::vector<IgnoredBytes>& ignored) {
    Audit audit;
    audit.modules.reserve(sources.size());
    for (std::size_t i = 0; i < sources.size(); ++i) {
        AuditedModule module;
        module.source = std::move(sources[i]);
        module.order = i;
        if (module.source.found && module.source.records) compare(reference, module, ignored);
        audit.modules.push_back(std::move(module));
    }
    audit.patterns = patternsOf(reference, tally(reference, audit.modules));
    AuditCounts& counts = audit.counts;
    counts.modules = audit.modules.size();
    for (AuditedModule& module : audit.modules) {
        markPatterns(module, audit.patterns);
        module.result = resultOf(module);
        counts.count(module.result);
    }
    std::stable_sort(audit.modules.begin(), audit.modules.end(),
                     [](const AuditedModule& a, const AuditedModule& b) {
                         if (a.result != b.result) return a.result < b.result;
                         // Differences of its own weigh more than those every module shares.
                         const auto weight = [](const AuditedModule& m) {
                             return std::pair(m.ownBytes() + m.missing.size() + m.beyond.size(),
                                              m.differingBytes());
                         };
                         return weight(a) > weight(b);
                     });
    return audit;
}

}  // namespace quelvar::site
