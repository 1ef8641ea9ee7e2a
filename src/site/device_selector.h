#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/device_table.h"
#include "platform/ipv4.h"

namespace quelvar::site {

// How a command names one module: by its MAC address or by the IPv4 address
// it answered the search from.
struct DeviceSelector {
    enum class Kind { Mac, Address };
    Kind kind = Kind::Mac;
    discovery::MacAddress mac{};
    platform::Ipv4Octets address{};

    bool matches(const discovery::DeviceEntry& entry) const;
    std::string text() const;  // "02-00-00-AA-BB-CC" or "127.0.0.2"
};

std::optional<DeviceSelector> ParseDeviceSelector(std::string_view text);

// The first module of a search that the selector names; nullptr when none.
const discovery::DeviceEntry* FindDevice(const std::vector<discovery::DeviceEntry>& modules,
                                         const DeviceSelector& selector);

}  // namespace quelvar::site
