#include "records/record_compare.h"

#include <algorithm>

namespace quelvar::records {

std::optional<std::vector<Record>> RecordsOfImage(std::span<const std::uint8_t> image) {
    MemorySource source(image);
    RecordList list = ReadRecords(source);
    if (list.status != ReadStatus::End) return std::nullopt;
    return std::move(list.records);
}

std::vector<RecordDifference> CompareRecords(const std::vector<Record>& applied,
                                             const std::vector<Record>& fromModule) {
    std::vector<RecordDifference> differences;
    // The upload writes at most the first ten records of a file.
    std::size_t written = std::min(applied.size(), std::size_t{kMaxRecordsRead});
    for (std::size_t i = 0; i < written; ++i) {
        const Record& expected = applied[i];
        RecordDifference difference;
        difference.record = expected.number;
        // A record written twice holds what was written last.
        const Record* latest = &expected;
        for (std::size_t j = i + 1; j < written; ++j) {
            if (applied[j].number == expected.number) latest = &applied[j];
        }
        if (latest != &expected) continue;

        const Record* actual = nullptr;
        for (const Record& candidate : fromModule) {
            if (candidate.number == expected.number) actual = &candidate;
        }
        if (actual == nullptr) {
            differences.push_back(difference);
            continue;
        }
        if (actual->data.size() != expected.data.size()) {
            difference.kind = RecordDifference::Kind::Length;
            difference.moduleSize = actual->data.size();
            difference.fileSize = expected.data.size();
            differences.push_back(difference);
            continue;
        }
        std::size_t differing = 0;
        std::size_t first = 0;
        for (std::size_t b = 0; b < expected.data.size(); ++b) {
            if (expected.data[b] != actual->data[b]) {
                if (differing == 0) first = b;
                ++differing;
            }
        }
        if (differing > 0) {
            difference.kind = RecordDifference::Kind::Bytes;
            difference.differing = differing;
            difference.first = first;
            difference.fileByte = expected.data[first];
            difference.moduleByte = actual->data[first];
            differences.push_back(difference);
        }
    }
    return differences;
}

}  // namespace quelvar::records
