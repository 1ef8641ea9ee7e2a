#include "site/device_selector.h"

namespace quelvar::site {

std::optional<DeviceSelector> ParseDeviceSelector(std::string_view text) {
    DeviceSelector selector;
    if (auto mac = discovery::ParseMac(text)) {
        selector.kind = DeviceSelector::Kind::Mac;
        selector.mac = *mac;
        return selector;
    }
    if (auto address = platform::parseIpv4(text)) {
        selector.kind = DeviceSelector::Kind::Address;
        selector.address = *address;
        return selector;
    }
    return std::nullopt;
}

bool DeviceSelector::matches(const discovery::DeviceEntry& entry) const {
    if (kind == Kind::Mac) return entry.mac == mac;
    return entry.address.octets == address;
}

std::string DeviceSelector::text() const {
    return kind == Kind::Mac ? discovery::FormatMac(mac) : platform::formatIpv4(address);
}

const discovery::DeviceEntry* FindDevice(const std::vector<discovery::DeviceEntry>& modules,
                                         const DeviceSelector& selector) {
    for (const discovery::DeviceEntry& entry : modules) {
        if (selector.matches(entry)) return &entry;
    }
    return nullptr;
}

}  // namespace quelvar::site
