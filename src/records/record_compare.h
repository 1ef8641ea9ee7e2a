#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <span>
#include <string>
#include <vector>

#include "records/rec_file.h"

namespace quelvar::records {

// The records of a setup record file image, read as the upload reads a file
// (ReadRecords: at most the first ten). nullopt when the image is shorter
// than its header or ends inside one of those records.
std::optional<std::vector<Record>> RecordsOfImage(std::span<const std::uint8_t> image);

// One line per record of `applied` that the module does not hold as applied:
// "record 2: byte 17 differs (file 41, module 42)" or "record 5: missing on
// the module". Records the module holds beyond the file are not differences:
// a file may carry only some of a module's records. Empty when all match.
std::vector<std::string> CompareRecords(const std::vector<Record>& applied,
                                             const std::vector<Record>& fromModule);

}  // namespace quelvar::records
