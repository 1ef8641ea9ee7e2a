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

std::string FormatDeviceLine(const DeviceEntry& entry) {
    char line[96];
    std::snprintf(line, sizeof line, "%02X-%02X-%02X-%02X-%02X-%02X - %s - %c%c - %d.%d",
                  entry.mac[0], entry.mac[1], entry.mac[2], entry.mac[3], entry.mac[4],
                  entry.mac[5], entry.ipText.c_str(), displayableLetter(entry.productLetters[0]),
                  displayableLetter(entry.productLetters[1]), entry.versionMajor,
                  entry.versionMinor);
    return line;
}

}  // namespace quelvar::discovery
