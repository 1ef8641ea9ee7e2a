#include "ui/console/device_selector.h"

#include <cstdio>

namespace quelvar::ui::console {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<platform::Ipv4Octets> ParseIpv4Address(std::string_view text) {
    platform::Ipv4Octets octets{};
    std::size_t position = 0;
    for (std::size_t part = 0; part < octets.size(); ++part) {
        if (part > 0) {
            if (position >= text.size() || text[position] != '.') return std::nullopt;
            ++position;
        }
        std::size_t start = position;
        unsigned value = 0;
        while (position < text.size() && position - start < 4 && text[position] >= '0' &&
               text[position] <= '9') {
            value = value * 10 + static_cast<unsigned>(text[position] - '0');
            ++position;
        }
        std::size_t digits = position - start;
        if (digits == 0 || digits > 3 || value > 255) return std::nullopt;
        if (digits > 1 && text[start] == '0') return std::nullopt;
        octets[part] = static_cast<std::uint8_t>(value);
    }
    if (position != text.size()) return std::nullopt;
    return octets;
}

std::optional<MacAddress> ParseMacAddress(std::string_view text) {
    // "xx" five times followed by a separator, then a last "xx": 17 characters.
    if (text.size() != 17) return std::nullopt;
    MacAddress mac{};
    for (std::size_t i = 0; i < mac.size(); ++i) {
        std::size_t at = i * 3;
        int high = hexValue(text[at]);
        int low = hexValue(text[at + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        if (i + 1 < mac.size() && text[at + 2] != '-' && text[at + 2] != ':') return std::nullopt;
        mac[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return mac;
}

std::optional<DeviceSelector> ParseDeviceSelector(std::string_view text) {
    DeviceSelector selector;
    if (auto mac = ParseMacAddress(text)) {
        selector.kind = DeviceSelector::Kind::Mac;
        selector.mac = *mac;
        return selector;
    }
    if (auto address = ParseIpv4Address(text)) {
        selector.kind = DeviceSelector::Kind::Address;
        selector.address = *address;
        return selector;
    }
    return std::nullopt;
}

bool DeviceSelector::matches(const discovery::DeviceEntry& entry) const {
    if (kind == Kind::Mac) return entry.mac == mac;
    return entry.ipText == FormatIpv4(address);
}

std::string DeviceSelector::text() const {
    return kind == Kind::Mac ? FormatMac(mac) : FormatIpv4(address);
}

int FindDevice(const discovery::DeviceTable& table, const DeviceSelector& selector) {
    for (int row = 0; const discovery::DeviceEntry* entry = table.rowAt(row); ++row) {
        if (selector.matches(*entry)) return row;
    }
    return -1;
}

std::string FormatIpv4(const platform::Ipv4Octets& address) {
    return platform::Ipv4Endpoint{address, 0}.addressText();
}

}  // namespace quelvar::ui::console
