#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ipv4.h"

namespace quelvar::discovery {

using MacAddress = std::array<std::uint8_t, 6>;

// What the tool knows of one module: filled from its search reply.
struct DeviceEntry {
    std::int32_t inUse = 0;  // reserved connection flag, reset by every search
    platform::Ipv4Endpoint address;  // source of the search reply; IP-SETUP goes here
    MacAddress mac{};
    std::string ipText;  // dotted decimal, at most 15 characters
    std::uint16_t serialPort = 0;
    std::int32_t cp1 = 0, cp2 = 0, cp3 = 0;  // pin-name table indexes
    std::int32_t activeHigh = 0;
    std::uint8_t bpsCode = 0;
    std::uint8_t flow = 0;
    std::uint8_t versionMajor = 0;
    std::uint8_t versionMinor = 0;
    std::array<char, 2> productLetters{};
    std::uint8_t reservedByte = 0;
    std::int32_t reservedA = 0, reservedB = 0;
    std::array<std::uint8_t, 2> replyWord{};
    std::string adapter;  // the network adapter the reply came in on; "" when unknown
};

// The modules found by the last search: row i is line i of the device list.
struct DeviceTable {
    static constexpr int kCapacity = 256;
    std::array<DeviceEntry, kCapacity> rows{};
    std::int32_t count = 0;

    // Clears the reserved fields and the count; the rows keep their data
    // until a new search overwrites them.
    void reset();
    // A reset, then the first rows filled from a search's modules.
    void fill(const std::vector<DeviceEntry>& modules);

    // The row behind a device-list selection, or nullptr when the selection
    // names no row filled by the last search.
    const DeviceEntry* rowAt(int index) const;
};

// One line of the device list:
// "02-00-00-11-22-33 - 192.168.0.10 - AB - 6.1".
// Product letters that are not printable, or that would make the line a path
// when it becomes a file name, are shown as '_' so the line stays one line.
std::string FormatDeviceLine(const DeviceEntry& entry);

// What of the device line stays with a module for its life, in the same
// form: "02-00-00-11-22-33 - AB". Its address and firmware change.
std::string FormatLastingLine(const DeviceEntry& entry);

// The module's two product letters as text: each byte the character of its
// number (U+0000 to U+00FF), in UTF-8, so that no byte is lost.
std::string ProductText(const DeviceEntry& entry);

// Its firmware version, "6.1".
std::string FirmwareText(const DeviceEntry& entry);

// "02-00-00-11-22-33": the MAC part of a device line.
std::string FormatMac(const MacAddress& mac);

// Six pairs of hexadecimal digits in any case, each pair separated by '-'
// or ':' ("02-00-00-aa-bb-cc", "02:00:00:AA:BB:CC").
std::optional<MacAddress> ParseMac(std::string_view text);

// False for an address no module can hold: 0.0.0.0, 255.255.255.255 and
// multicast addresses. Loopback stays usable: the simulated modules live there.
bool IsModuleAddress(const platform::Ipv4Octets& address);

}  // namespace quelvar::discovery
