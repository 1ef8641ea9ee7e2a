#include "records/record_compare.h"

#include <algorithm>
#include <cstdio>

namespace quelvar::records {

namespace {

std::string hexByte(std::uint8_t value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

}  // namespace

std::optional<std::vector<Record>> RecordsOfImage(std::span<const std::uint8_t> image) {
    MemorySource source(image);
    RecordList list = ReadRecords(source);
    if (list.status != ReadStatus::End) return std::nullopt;
    return std::move(list.records);
}

std::vector<std::string> CompareRecords(const std::vector<Record>& applied,
                                             const std::vector<Record>& fromModule) {
    std::vector<std::string> differences;
    // The upload writes at most the first ten records of a file.
    std::size_t written = std::min(applied.size(), std::size_t{kMaxRecordsRead});
    for (std::size_t i = 0; i < written; ++i) {
        const Record& expected = applied[i];
        std::string name = "record " + std::to_string(expected.number) + ": ";
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
            differences.push_back(name + "missing on the module");
            continue;
        }
        if (actual->data.size() != expected.data.size()) {
            differences.push_back(name + "module holds " + std::to_string(actual->data.size()) +
                                  " bytes, file " + std::to_string(expected.data.size()));
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
            differences.push_back(name + std::to_string(differing) + " byte(s) differ, first at " +
                                  std::to_string(first) + " (file " +
                                  hexByte(expected.data[first]) + ", module " +
                                  hexByte(actual->data[first]) + ")");
        }
    }
    return differences;
}

}  // namespace quelvar::records
