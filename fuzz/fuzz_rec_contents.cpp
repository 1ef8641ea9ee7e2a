// Any file may be named to dump or diff: it is read whole, as complete
// records or not at all, and its text and its comparison with itself follow
// from its records alone.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "records/record_diff.h"
#include "records/record_dump.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quelvar::records;
    const FileContents contents = ReadFileContents(std::span<const std::uint8_t>(data, size));
    if ((size < kHeaderSize) != (contents.end == FileContents::End::InHeader)) std::abort();
    if (contents.header.size() != (size < kHeaderSize ? size : kHeaderSize)) std::abort();
    // The complete records are the file's bytes after the header, unchanged,
    // up to the end or the record cut short.
    const std::vector<std::uint8_t> again = EncodeRecords(contents.records);
    const std::size_t consumed =
        contents.end == FileContents::End::InRecord ? contents.cutAt : size;
    if (contents.end != FileContents::End::InHeader) {
        if (again.size() != consumed) std::abort();
        if (std::memcmp(again.data() + kHeaderSize, data + kHeaderSize, consumed - kHeaderSize))
            std::abort();
    }
    for (const Record& record : contents.records) {
        if (record.data.size() != RecordDataSize(record.number)) std::abort();
    }
    // A text line per 16 bytes and a heading per record, nothing more.
    const std::string text = DumpText(contents);
    std::size_t lines = 0;
    for (char c : text) lines += c == '\n';
    std::size_t expected = HasUsualHeader(contents) ? 0 : 2;
    for (const Record& record : contents.records) expected += 1 + (record.data.size() + 15) / 16;
    if (!contents.records.empty()) expected += contents.records.size() - 1;
    if (lines != expected) std::abort();
    if (!AllSame(DiffRecords(contents.records, contents.records))) std::abort();
    return 0;
}
