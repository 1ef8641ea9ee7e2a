#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "records/rec_file.h"

namespace quelvar::records {

// A run of consecutive byte positions at which two records differ. A
// position that only one side has (the other record is shorter) differs
// too, so one side's bytes may be shorter than `length`, or empty.
struct DifferingRange {
    std::size_t offset = 0;  // in the record's data, after its number byte
    std::size_t length = 0;
    std::vector<std::uint8_t> left, right;  // each side's bytes in the range
    friend bool operator==(const DifferingRange&, const DifferingRange&) = default;
};

// One record as the two sides hold it.
struct RecordDiff {
    enum class Kind { Same, Differs, OnlyLeft, OnlyRight };
    Kind kind = Kind::Same;
    std::uint8_t number = 0;
    std::size_t leftSize = 0, rightSize = 0;    // data bytes; 0 on the side that lacks it
    std::size_t leftIndex = 0, rightIndex = 0;  // where it lies in each list that has it
    std::vector<DifferingRange> ranges;         // Differs: in offset order, never touching
};

// Every record of both lists, paired by number: the first record numbered n
// on the left with the first numbered n on the right, the second with the
// second (a file may repeat a number). Left records come in their order,
// then those only the right has, in theirs. Unlike CompareRecords, which asks
// whether a module holds what was applied, this takes both sides alike.
std::vector<RecordDiff> DiffRecords(const std::vector<Record>& left,
                                    const std::vector<Record>& right);

// The differing ranges of two records' data.
std::vector<DifferingRange> DifferingRanges(const std::vector<std::uint8_t>& left,
                                            const std::vector<std::uint8_t>& right);

// The part of `range` from position `from` to `to` (in the record, within
// the range), with each side's bytes there.
DifferingRange SubRange(const DifferingRange& range, std::size_t from, std::size_t to);

// The runs [first, second) of positions from `begin` to `end` at which
// `holds` is true, in order.
template <typename Holds>
std::vector<std::pair<std::size_t, std::size_t>> RunsWhere(std::size_t begin, std::size_t end,
                                                            Holds holds) {
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    std::size_t at = begin;
    while (at < end) {
        if (!holds(at)) {
            ++at;
            continue;
        }
        const std::size_t from = at;
        while (at < end && holds(at)) ++at;
        runs.emplace_back(from, at);
    }
    return runs;
}

// True when no record differs or lacks a partner.
bool AllSame(const std::vector<RecordDiff>& diffs);

}  // namespace quelvar::records
