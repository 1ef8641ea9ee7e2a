#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace quelvar::testing {

// A module's answer to a record request, framed the way the tool reads it:
// 5 bytes, then lines of ":LLOOOO00", 2*LL hex characters and 5 bytes
// (checksum CR CR LF), then the end line and 2 bytes.
inline std::string DataLineOfModule(const std::uint8_t* bytes, int count, int offset,
                                    bool lowerCase = false) {
    char text[16];
    std::snprintf(text, sizeof text, lowerCase ? ":%02x%04x00" : ":%02X%04X00", count, offset);
    std::string line(text);
    unsigned sum = static_cast<unsigned>(count + (offset >> 8) + offset);
    for (int i = 0; i < count; ++i) {
        std::snprintf(text, sizeof text, lowerCase ? "%02x" : "%02X", bytes[i]);
        line += text;
        sum += bytes[i];
    }
    std::snprintf(text, sizeof text, "%02X", (0x100u - (sum & 0xFFu)) & 0xFFu);
    return line + text + "\r\r\n";
}

inline std::string RecordAnswer(const std::vector<std::uint8_t>& data, int lineBytes = 32,
                                bool lowerCase = false) {
    std::string answer = "\r\nG\r\n";
    for (int offset = 0; offset < static_cast<int>(data.size()); offset += lineBytes) {
        int count = std::min(lineBytes, static_cast<int>(data.size()) - offset);
        answer += DataLineOfModule(data.data() + offset, count, offset, lowerCase);
    }
    return answer + ":00000001FF\r\r\n0>";
}

inline std::string EndAnswer() {
    return "\r\nG\r\n9>";
}

inline std::vector<std::uint8_t> PatternBytes(std::size_t size, int seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed * 37 + i * 11);
    return bytes;
}

}  // namespace quelvar::testing
