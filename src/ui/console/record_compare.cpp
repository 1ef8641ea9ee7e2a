#include "ui/console/record_compare.h"

#include <algorithm>
#include <cstdio>

namespace quelvar::ui::console {

namespace {

std::string hexByte(std::uint8_t value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

}  // namespace

std::optional<std::vector<SetupRecord>> ReadSetupRecords(const std::vector<std::uint8_t>& image) {
    records::MemorySource source(image);
    records::RecordList list = records::ReadRecords(source);
    if (list.status != records::ReadStatus::End) return std::nullopt;
    return std::move(list.records);
}

std::vector<std::string> CompareSetupRecords(const std::vector<SetupRecord>& applied,
                                             const std::vector<SetupRecord>& fromModule) {
    std::vector<std::string> differences;
    // The upload writes at most the first ten records of a file.
    std::size_t written = std::min(applied.size(), std::size_t{records::kMaxRecordsRead});
    for (std::size_t i = 0; i < written; ++i) {
        const SetupRecord& expected = applied[i];
        std::string name = "record " + std::to_string(expected.number) + ": ";
        // A record written twice holds what was written last.
        const SetupRecord* latest = &expected;
        for (std::size_t j = i + 1; j < written; ++j) {
            if (applied[j].number == expected.number) latest = &applied[j];
        }
        if (latest != &expected) continue;

        const SetupRecord* actual = nullptr;
        for (const SetupRecord& candidate : fromModule) {
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

}  // namespace quelvar::ui::console
