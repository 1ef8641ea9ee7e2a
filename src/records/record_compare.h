#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "records/rec_file.h"

namespace quelvar::records {

// The records of a setup record file image, read as the upload reads a file
// (ReadRecords: at most the first ten). nullopt when the image is shorter
// than its header or ends inside one of those records.
std::optional<std::vector<Record>> RecordsOfImage(std::span<const std::uint8_t> image);

// How a record the module holds differs from the one applied.
struct RecordDifference {
    enum class Kind { Missing, Length, Bytes };
    Kind kind = Kind::Missing;
    int record = 0;
    std::size_t moduleSize = 0, fileSize = 0;  // Length
    std::size_t differing = 0, first = 0;      // Bytes: how many, and the first's offset
    std::uint8_t fileByte = 0, moduleByte = 0; // Bytes: the first that differs
    friend bool operator==(const RecordDifference&, const RecordDifference&) = default;
};

// One difference per record of `applied` that the module does not hold as
// applied. Records the module holds beyond the file are not differences: a
// file may carry only some of a module's records. Empty when all match.
std::vector<RecordDifference> CompareRecords(const std::vector<Record>& applied,
                                             const std::vector<Record>& fromModule);

}  // namespace quelvar::records
