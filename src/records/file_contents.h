#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "records/rec_file.h"

namespace quelvar::records {

// All that a setup record file holds: its header and every record, however
// many. An upload takes only the first ten (RecordReader); someone looking
// at a file, or comparing two, must see the rest as well.
struct FileContents {
    enum class End {
        Whole,     // the last record ends where the file does
        InHeader,  // shorter than the header
        InRecord,  // ends inside a record
    };
    End end = End::Whole;
    std::vector<std::uint8_t> header;  // the header bytes as they are, whatever they say
    std::vector<Record> records;       // the complete records, in file order
    std::size_t cutAt = 0;             // InRecord: where the cut record's number byte lies
};

FileContents ReadFileContents(std::span<const std::uint8_t> bytes);

// True when the header is 04 "RECF"; the reader takes any five bytes.
bool HasUsualHeader(const FileContents& contents);

}  // namespace quelvar::records
