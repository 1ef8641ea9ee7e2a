#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quelvar::ui::console {

struct SetupRecord {
    int number = 0;
    std::vector<std::uint8_t> data;
};

// The records of a setup record file image: a 5-byte header, then record
// number and data (120 bytes for record 0, 126 for any other) to the end.
// nullopt when the image is shorter than its header or ends inside a record.
std::optional<std::vector<SetupRecord>> ReadSetupRecords(const std::vector<std::uint8_t>& image);

// One line per record of `applied` that the module does not hold as applied:
// "record 2: byte 17 differs (file 41, module 42)" or "record 5: missing on
// the module". Records the module holds beyond the file are not differences:
// a file may carry only some of a module's records. Empty when all match.
std::vector<std::string> CompareSetupRecords(const std::vector<SetupRecord>& applied,
                                             const std::vector<SetupRecord>& fromModule);

}  // namespace quelvar::ui::console
