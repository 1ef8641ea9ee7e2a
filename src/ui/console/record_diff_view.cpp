#include "ui/console/record_diff_view.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include "ops/facts.h"

namespace quelvar::ui::console {

namespace {

using records::DifferingRange;
using records::RecordDiff;
using K = ops::FactKind;

// Bytes shown before and after a range, and a side's bytes on one line.
constexpr std::size_t kContext = 4;
constexpr std::size_t kBytesPerLine = 8;

std::string hex(std::size_t value, const char* format) {
    char text[16];
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(value));
    return text;
}

// "0x0010-0x0013, 0x0020": the ranges' first and last offsets.
std::string rangeList(const std::vector<DifferingRange>& ranges) {
    std::string text;
    for (const DifferingRange& range : ranges) {
        if (!text.empty()) text += ", ";
        text += hex(range.offset, "0x%04X");
        if (range.length > 1) text += "-" + hex(range.offset + range.length - 1, "0x%04X");
    }
    return text;
}

// One side's cells from `from` for up to kBytesPerLine positions before `end`.
std::string cells(const std::vector<std::uint8_t>& data, std::size_t from, std::size_t end) {
    std::string text;
    for (std::size_t at = from; at < from + kBytesPerLine; ++at) {
        if (at > from) text += ' ';
        if (at >= end) {
            text += "  ";
        } else {
            text += at < data.size() ? hex(data[at], "%02X") : std::string("--");
        }
    }
    return text;
}

// The ranges whose surrounding bytes meet, as one group each.
std::vector<std::vector<DifferingRange>> groups(const std::vector<DifferingRange>& ranges) {
    std::vector<std::vector<DifferingRange>> grouped;
    for (const DifferingRange& range : ranges) {
        if (!grouped.empty()) {
            const DifferingRange& last = grouped.back().back();
            if (range.offset <= last.offset + last.length + 2 * kContext) {
                grouped.back().push_back(range);
                continue;
            }
        }
        grouped.push_back({range});
    }
    return grouped;
}

void printGroup(std::ostream& out, const std::vector<std::uint8_t>& left,
                const std::vector<std::uint8_t>& right, const std::vector<DifferingRange>& group) {
    const std::size_t size = std::max(left.size(), right.size());
    const std::size_t first = group.front().offset;
    const std::size_t from = first - std::min(first, kContext);
    const std::size_t end = std::min(size, group.back().offset + group.back().length + kContext);
    for (std::size_t at = from; at < end; at += kBytesPerLine) {
        std::string line =
            "  " + hex(at, "%04X") + "  " + cells(left, at, end) + "  |  " + cells(right, at, end);
        line.erase(line.find_last_not_of(' ') + 1);
        out << line << '\n';
    }
}

}  // namespace

void PrintRecordDiff(std::ostream& out, platform::Language language, const ComparedSide& left,
                     const ComparedSide& right, const std::vector<RecordDiff>& diffs) {
    auto say = [&](ops::Fact fact) { out << ops::WordsOf(fact, language) << '\n'; };
    if (records::AllSame(diffs)) {
        say({K::RecordsAlike, {std::to_string(diffs.size()), left.name, right.name}});
        return;
    }
    say({K::ComparedLeft, {left.name}});
    say({K::ComparedRight, {right.name}});
    std::size_t differing = 0;
    for (const RecordDiff& diff : diffs) {
        const std::string number = std::to_string(diff.number);
        switch (diff.kind) {
            case RecordDiff::Kind::Same:
                continue;
            case RecordDiff::Kind::OnlyLeft:
                say({K::OnlyOneSideHas, {number, std::to_string(diff.leftSize), left.name}});
                break;
            case RecordDiff::Kind::OnlyRight:
                say({K::OnlyOneSideHas, {number, std::to_string(diff.rightSize), right.name}});
                break;
            case RecordDiff::Kind::Differs:
                for (const std::vector<DifferingRange>& group : groups(diff.ranges)) {
                    say({K::RangesDiffer, {number, rangeList(group)}});
                    printGroup(out, left.records[diff.leftIndex].data,
                               right.records[diff.rightIndex].data, group);
                }
                break;
        }
        ++differing;
    }
    say({K::RecordsDiffer, {std::to_string(differing), std::to_string(diffs.size())}});
}

}  // namespace quelvar::ui::console
