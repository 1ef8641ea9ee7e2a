#include "records/file_contents.h"

#include <algorithm>

namespace quelvar::records {

FileContents ReadFileContents(std::span<const std::uint8_t> bytes) {
    FileContents contents;
    const std::size_t headerSize = std::min(bytes.size(), kHeaderSize);
    contents.header.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(headerSize));
    if (headerSize < kHeaderSize) {
        contents.end = FileContents::End::InHeader;
        return contents;
    }
    std::size_t at = kHeaderSize;
    while (at < bytes.size()) {
        const std::uint8_t number = bytes[at];
        const std::size_t size = RecordDataSize(number);
        if (bytes.size() - at - 1 < size) {
            contents.end = FileContents::End::InRecord;
            contents.cutAt = at;
            return contents;
        }
        const auto data = bytes.subspan(at + 1, size);
        contents.records.push_back({number, {data.begin(), data.end()}});
        at += 1 + size;
    }
    return contents;
}

bool HasUsualHeader(const FileContents& contents) {
    return std::equal(contents.header.begin(), contents.header.end(), kHeader.begin(),
                      kHeader.end());
}

}  // namespace quelvar::records
