#include "records/record_diff.h"

#include <algorithm>

namespace quelvar::records {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// The index of the occurrence-th record numbered `number`, or kNone.
std::size_t nthNumbered(const std::vector<Record>& records, std::uint8_t number,
                        std::size_t occurrence) {
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].number != number) continue;
        if (occurrence == 0) return i;
        --occurrence;
    }
    return kNone;
}

// How many records before `index` carry the same number as it.
std::size_t occurrenceOf(const std::vector<Record>& records, std::size_t index) {
    return static_cast<std::size_t>(
        std::count_if(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(index),
                      [&](const Record& r) { return r.number == records[index].number; }));
}

std::vector<std::uint8_t> slice(const std::vector<std::uint8_t>& bytes, std::size_t from,
                                std::size_t to) {
    from = std::min(from, bytes.size());
    to = std::min(to, bytes.size());
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
            bytes.begin() + static_cast<std::ptrdiff_t>(to)};
}

}  // namespace

std::vector<DifferingRange> DifferingRanges(const std::vector<std::uint8_t>& left,
                                            const std::vector<std::uint8_t>& right) {
    const std::size_t end = std::max(left.size(), right.size());
    auto differsAt = [&](std::size_t at) {
        return at >= left.size() || at >= right.size() || left[at] != right[at];
    };
    std::vector<DifferingRange> ranges;
    for (const auto& [from, to] : RunsWhere(0, end, differsAt)) {
        ranges.push_back({from, to - from, slice(left, from, to), slice(right, from, to)});
    }
    return ranges;
}

DifferingRange SubRange(const DifferingRange& range, std::size_t from, std::size_t to) {
    return {from, to - from, slice(range.left, from - range.offset, to - range.offset),
            slice(range.right, from - range.offset, to - range.offset)};
}

std::vector<RecordDiff> DiffRecords(const std::vector<Record>& left,
                                    const std::vector<Record>& right) {
    std::vector<RecordDiff> diffs;
    for (std::size_t i = 0; i < left.size(); ++i) {
        const Record& mine = left[i];
        const std::size_t j = nthNumbered(right, mine.number, occurrenceOf(left, i));
        RecordDiff diff;
        diff.number = mine.number;
        diff.leftSize = mine.data.size();
        diff.leftIndex = i;
        if (j == kNone) {
            diff.kind = RecordDiff::Kind::OnlyLeft;
        } else {
            diff.rightSize = right[j].data.size();
            diff.rightIndex = j;
            diff.ranges = DifferingRanges(mine.data, right[j].data);
            diff.kind = diff.ranges.empty() ? RecordDiff::Kind::Same : RecordDiff::Kind::Differs;
        }
        diffs.push_back(std::move(diff));
    }
    for (std::size_t j = 0; j < right.size(); ++j) {
        if (nthNumbered(left, right[j].number, occurrenceOf(right, j)) != kNone) {
            continue;
        }
        RecordDiff diff;
        diff.kind = RecordDiff::Kind::OnlyRight;
        diff.number = right[j].number;
        diff.rightSize = right[j].data.size();
        diff.rightIndex = j;
        diffs.push_back(std::move(diff));
    }
    return diffs;
}

bool AllSame(const std::vector<RecordDiff>& diffs) {
    return std::all_of(diffs.begin(), diffs.end(),
                       [](const RecordDiff& diff) { return diff.kind == RecordDiff::Kind::Same; });
}

}  // namespace quelvar::records
