#include "discovery/address_range.h"

#include <charconv>
#include <cstdint>

#include "discovery/search.h"

namespace quelvar::discovery {

namespace {

std::optional<std::vector<platform::Ipv4Octets>> addresses(std::uint32_t first,
                                                           std::uint32_t last,
                                                           RangeError& error) {
    const std::uint64_t count = std::uint64_t{last} - first + 1;
    if (count > kMaxRangeAddresses) {
        error.kind = RangeError::Kind::TooLarge;
        error.count = count;
        return std::nullopt;
    }
    std::vector<platform::Ipv4Octets> list;
    list.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t number = first; number <= last; ++number) {
        list.push_back(platform::ipv4FromNumber(static_cast<std::uint32_t>(number)));
    }
    return list;
}

}  // namespace

std::optional<std::vector<platform::Ipv4Octets>> ParseAddressRange(std::string_view text,
                                                                   RangeError& error) {
    error.text = std::string(text);
    if (auto slash = text.find('/'); slash != std::string_view::npos) {
        std::optional<platform::Ipv4Octets> base = platform::parseIpv4(text.substr(0, slash));
        const std::string_view prefixText = text.substr(slash + 1);
        int prefix = -1;
        auto [end, failure] =
            std::from_chars(prefixText.data(), prefixText.data() + prefixText.size(), prefix);
        if (!base || failure != std::errc() || end != prefixText.data() + prefixText.size() ||
            prefix < 0 || prefix > 32) {
            error.kind = RangeError::Kind::MalformedBlock;
            return std::nullopt;
        }
        const std::uint32_t mask = prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
        std::uint32_t first = platform::ipv4Number(*base) & mask;
        std::uint32_t last = first | ~mask;
        if (prefix <= 30) {
            ++first;  // not the network address
            --last;   // nor the broadcast address
        }
        return addresses(first, last, error);
    }
    const std::size_t dash = text.find('-');
    std::optional<platform::Ipv4Octets> first =
        dash == std::string_view::npos ? std::nullopt : platform::parseIpv4(text.substr(0, dash));
    std::optional<platform::Ipv4Octets> last =
        dash == std::string_view::npos ? std::nullopt : platform::parseIpv4(text.substr(dash + 1));
    if (!first || !last) {
        error.kind = RangeError::Kind::Malformed;
        return std::nullopt;
    }
    if (platform::ipv4Number(*first) > platform::ipv4Number(*last)) {
        error.kind = RangeError::Kind::Reversed;
        return std::nullopt;
    }
    return addresses(platform::ipv4Number(*first), platform::ipv4Number(*last), error);
}

}  // namespace quelvar::discovery
