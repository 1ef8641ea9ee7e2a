#include "platform/ipv4.h"

namespace quelvar::platform {

std::string Ipv4Endpoint::addressText() const { return formatIpv4(octets); }

std::string formatIpv4(const Ipv4Octets& address) {
    return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." +
           std::to_string(address[2]) + "." + std::to_string(address[3]);
}

std::optional<Ipv4Octets> parseIpv4(std::string_view text) {
    Ipv4Octets octets{};
    std::size_t position = 0;
    for (std::size_t part = 0; part < octets.size(); ++part) {
        if (part > 0) {
            if (position >= text.size() || text[position] != '.') return std::nullopt;
            ++position;
        }
        const std::size_t start = position;
        unsigned value = 0;
        while (position < text.size() && position - start < 4 && text[position] >= '0' &&
               text[position] <= '9') {
            value = value * 10 + static_cast<unsigned>(text[position] - '0');
            ++position;
        }
        const std::size_t digits = position - start;
        if (digits == 0 || digits > 3 || value > 255) return std::nullopt;
        if (digits > 1 && text[start] == '0') return std::nullopt;
        octets[part] = static_cast<std::uint8_t>(value);
    }
    if (position != text.size()) return std::nullopt;
    return octets;
}

std::uint32_t ipv4Number(const Ipv4Octets& address) {
    return (std::uint32_t{address[0]} << 24) | (std::uint32_t{address[1]} << 16) |
           (std::uint32_t{address[2]} << 8) | std::uint32_t{address[3]};
}

Ipv4Octets ipv4FromNumber(std::uint32_t number) {
    return {static_cast<std::uint8_t>(number >> 24), static_cast<std::uint8_t>(number >> 16),
            static_cast<std::uint8_t>(number >> 8), static_cast<std::uint8_t>(number)};
}

}  // namespace quelvar::platform
