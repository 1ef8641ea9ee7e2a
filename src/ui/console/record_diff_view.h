#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/language.h"
#include "records/record_diff.h"

namespace quelvar::ui::console {

// One side of a comparison: how the lines name it, and its records.
struct ComparedSide {
    std::string name;
    std::vector<records::Record> records;
};

// A comparison as the console shows it. When every record is alike, one
// line says so. Otherwise the two sides are named, then each record one side
// lacks, and each differing record's byte ranges: a heading with the ranges,
// then the bytes around them, 8 a side a line, the left's beside the right's
// with their offset in the record ("--" where a side's record has ended).
// Ranges a few bytes apart share their lines. Last, how many records differ.
void PrintRecordDiff(std::ostream& out, platform::Language language, const ComparedSide& left,
                     const ComparedSide& right, const std::vector<records::RecordDiff>& diffs);

}  // namespace quelvar::ui::console
