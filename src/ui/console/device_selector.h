#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "discovery/device_table.h"
#include "platform/view.h"

namespace quelvar::ui::console {

using discovery::MacAddress;
using discovery::FormatMac;

// Strict dotted decimal: four numbers 0 to 255, no leading zeros, nothing
// else. A console user types addresses by hand, and the looser readings a
// socket library accepts ("10.1", "0x7f.1", octal "010") would silently
// pick a different module.
std::optional<platform::Ipv4Octets> ParseIpv4Address(std::string_view text);

// Six pairs of hexadecimal digits in any case, each pair separated by '-'
// or ':' ("02-00-00-aa-bb-cc", "02:00:00:AA:BB:CC").
std::optional<MacAddress> ParseMacAddress(std::string_view text);

// How a command names one module: by its MAC address or by the IPv4 address
// it answered the search from.
struct DeviceSelector {
    enum class Kind { Mac, Address };
    Kind kind = Kind::Mac;
    MacAddress mac{};
    platform::Ipv4Octets address{};

    bool matches(const discovery::DeviceEntry& entry) const;
    std::string text() const;  // "02-00-00-AA-BB-CC" or "127.0.0.2"
};

std::optional<DeviceSelector> ParseDeviceSelector(std::string_view text);

// The first row of the last search that the selector names, or -1.
int FindDevice(const discovery::DeviceTable& table, const DeviceSelector& selector);

std::string FormatIpv4(const platform::Ipv4Octets& address);

}  // namespace quelvar::ui::console
