#include "discovery/device_table.h"

#include "platform/hex.h"

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

void DeviceTable::fill(const std::vector<DeviceEntry>& modules) {
    reset();
    for (const DeviceEntry& module : modules) {
        if (count >= kCapacity) break;
        DeviceEntry& row = rows[static_cast<std::size_t>(count++)];
        // The reserved fields are the table's own, as the reset left them.
        DeviceEntry reserved = row;
        row = module;
        row.inUse = reserved.inUse;
        row.reservedByte = reserved.reservedByte;
        row.reservedA = reserved.reservedA;
        row.reservedB = reserved.reservedB;
    }
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

std::string ProductText(const DeviceEntry& entry) {
    std::string text;
    for (char letter : entry.productLetters) {
        auto byte = static_cast<unsigned char>(letter);
        if (byte < 0x80) {
            text += letter;
        } else {
            text += static_cast<char>(0xC0 | (byte >> 6));
            text += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

std::string FirmwareText(const DeviceEntry& entry) {
    return std::to_string(entry.versionMajor) + "." + std::to_string(entry.versionMinor);
}

std::string FormatMac(const MacAddress& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

std::optional<MacAddress> ParseMac(std::string_view text) {
    // "xx" five times followed by a separator, then a last "xx": 17 characters.
    if (text.size() != 17) return std::nullopt;
    MacAddress mac{};
    for (std::size_t i = 0; i < mac.size(); ++i) {
        std::size_t at = i * 3;
        std::optional<int> byte = platform::hexPair(text[at], text[at + 1]);
        if (!byte) return std::nullopt;
        if (i + 1 < mac.size() && text[at + 2] != '-' && text[at + 2] != ':') return std::nullopt;
        mac[i] = static_cast<std::uint8_t>(*byte);
    }
    return mac;
}

bool IsModuleAddress(const platform::Ipv4Octets& address) {
    const bool unspecified = address == platform::Ipv4Octets{0, 0, 0, 0};
    const bool broadcast = address == platform::Ipv4Octets{255, 255, 255, 255};
    const bool multicast = address[0] >= 224 && address[0] <= 239;
    return !unspecified && !broadcast && !multicast;
}

std::string FormatDeviceLine(const DeviceEntry& entry) {
    char line[96];
    std::snprintf(line, sizeof line, "%s - %s - %c%c - %d.%d", FormatMac(entry.mac).c_str(),
                  entry.ipText.c_str(), displayableLetter(entry.productLetters[0]),
                  displayableLetter(entry.productLetters[1]), entry.versionMajor,
                  entry.versionMinor);
    return line;
}

std::string FormatLastingLine(const DeviceEntry& entry) {
    return FormatMac(entry.mac) + " - " + displayableLetter(entry.productLetters[0]) +
           displayableLetter(entry.productLetters[1]);
}

}  // namespace quelvar::discovery
