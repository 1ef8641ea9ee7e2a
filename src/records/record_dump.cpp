#include "records/record_dump.h"

#include <cstdio>

namespace quelvar::records {

namespace {

constexpr std::size_t kBytesPerLine = 16;

std::string hexByte(std::uint8_t byte) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", byte);
    return text;
}

std::string hexBytes(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (std::uint8_t byte : bytes) text += (text.empty() ? "" : " ") + hexByte(byte);
    return text;
}

// One line: offset, the bytes (a gap after the eighth), their characters.
std::string dataLine(const std::vector<std::uint8_t>& data, std::size_t from) {
    char offset[16];
    std::snprintf(offset, sizeof offset, "%04X ", static_cast<unsigned>(from));
    std::string hex = offset;
    std::string characters;
    for (std::size_t i = 0; i < kBytesPerLine; ++i) {
        if (i == kBytesPerLine / 2) hex += ' ';
        if (from + i >= data.size()) {
            hex += "   ";
            continue;
        }
        const std::uint8_t byte = data[from + i];
        hex += ' ' + hexByte(byte);
        characters += (byte >= 0x20 && byte < 0x7F) ? static_cast<char>(byte) : '.';
    }
    return hex + "  |" + characters + "|\n";
}

}  // namespace

std::string DumpText(const FileContents& contents) {
    std::string text;
    if (!HasUsualHeader(contents)) {
        text += "header " + hexBytes(contents.header) + " (not " +
                hexBytes({kHeader.begin(), kHeader.end()}) + ")\n\n";
    }
    for (std::size_t r = 0; r < contents.records.size(); ++r) {
        const Record& record = contents.records[r];
        if (r > 0) text += '\n';
        text += "record " + std::to_string(record.number) + " (" +
                std::to_string(record.data.size()) + " bytes";
        // A load applies the first ten; one after them is there, but never reaches a module.
        if (r >= static_cast<std::size_t>(kMaxRecordsRead))
            text += ", never applied: after the tenth";
        text += ")\n";
        for (std::size_t at = 0; at < record.data.size(); at += kBytesPerLine) {
            text += dataLine(record.data, at);
        }
    }
    return text;
}

}  // namespace quelvar::records
