#include "discovery/device_table.h"

#include <cstdio>
#include <cstring>

namespace quelvar::discovery {

void DeviceTable::reset() {
    for (DeviceEntry& row : rows) {
        // Rows carry no open sockets in this tool, so there is nothing to close.
        row.inUse = 0;
        row.reservedByte = 0xFF;
        row.reservedA = -1;
        row.reservedB = 1000;
    }
    count = 0;
}

const DeviceEntry* DeviceTable::rowAt(int index) const {
    if (index < 0 || index >= count || index >= kCapacity) return nullptr;
    return &rows[static_cast<std::size_t>(index)];
}

namespace {

char displayableLetter(char letter) {
    auto byte = static_cast<unsigned char>(letter);
    if (byte < 0x20 || byte > 0x7E) return '_';
    // Characters that a file system reads as part of a path, or refuses in a name.
    if (std::strchr("/\\:*?\"<>|", letter) != nullptr) return '_';
    return letter;
}

}  // namespace

std::string FormatMac(const MacAddress& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

std::string FormatDeviceLine(const DeviceEntry& entry) {
    char line[96];
    std::snprintf(line, sizeof line, "%s - %s - %c%c - %d.%d", FormatMac(entry.mac).c_str(),
                  entry.ipText.c_str(), displayableLetter(entry.productLetters[0]),
                  displayableLetter(entry.productLetters[1]), entry.versionMajor,
                  entry.versionMinor);
    return line;
}

}  // namespace quelvar::discovery
