// Any file in the record folder may be selected for an upload: the reader
// must take at most ten whole records of the right sizes from it, in order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "records/rec_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quelvar::records;
    MemorySource source(std::span<const std::uint8_t>(data, size));
    RecordList list = ReadRecords(source);
    if (list.records.size() > static_cast<std::size_t>(kMaxRecordsRead)) std::abort();
    if (list.status == ReadStatus::Error) std::abort();  // memory never fails
    if (size < kHeaderSize && list.status != ReadStatus::Short) std::abort();
    // The records are the file's bytes after the header, unchanged.
    std::vector<std::uint8_t> again = EncodeRecords(list.records);
    if (size >= kHeaderSize) {
        if (again.size() > size) std::abort();
        if (std::memcmp(again.data() + kHeaderSize, data + kHeaderSize,
                        again.size() - kHeaderSize) != 0) {
            std::abort();
        }
    }
    for (const Record& record : list.records) {
        if (record.data.size() != RecordDataSize(record.number)) std::abort();
    }
    return 0;
}
