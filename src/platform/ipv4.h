#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quelvar::platform {

// An IPv4 address, first octet first.
using Ipv4Octets = std::array<std::uint8_t, 4>;

// An IPv4 address and port, port in host order.
struct Ipv4Endpoint {
    Ipv4Octets octets{};
    std::uint16_t port = 0;

    // Dotted decimal without leading zeros, as inet_ntoa writes it.
    std::string addressText() const;
    friend bool operator==(const Ipv4Endpoint&, const Ipv4Endpoint&) = default;
};

// Strict dotted decimal: four numbers 0 to 255, no leading zeros, nothing
// else. Addresses a person types go through this one reading: the looser ones
// a socket library accepts ("10.1", "0x7f.1", octal "010") would silently
// name a different module.
std::optional<Ipv4Octets> parseIpv4(std::string_view text);

// "192.168.0.10"
std::string formatIpv4(const Ipv4Octets& address);

// The address as one number, first octet highest: for ranges and ordering.
std::uint32_t ipv4Number(const Ipv4Octets& address);
Ipv4Octets ipv4FromNumber(std::uint32_t number);

}  // namespace quelvar::platform
