#include "monitor/data_line.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quelvar::monitor {

std::string FormatDataLine(int count, int offset, const std::uint8_t* bytes) {
    char text[16];
    std::snprintf(text, sizeof text, ":%02X%04X%02X", count & 0xFF, offset & 0xFFFF, kDataLineType);
    std::string line(text);
    unsigned sum = static_cast<unsigned>(offset + (offset >> 8) + count + kDataLineType) & 0xFFu;
    for (int i = 0; i < count; ++i) {
        std::snprintf(text, sizeof text, "%02X", bytes[i]);
        line += text;
        sum = (sum + bytes[i]) & 0xFFu;
    }
    std::snprintf(text, sizeof text, "%02X", (0x100u - sum) & 0xFFu);
    line += text;
    return line;
}

unsigned long ParseHexField(const std::uint8_t* chars, std::size_t length) {
    char text[8] = {};
    if (length > sizeof text - 1) length = sizeof text - 1;
    std::memcpy(text, chars, length);
    return std::strtoul(text, nullptr, 16);
}

}  // namespace quelvar::monitor
