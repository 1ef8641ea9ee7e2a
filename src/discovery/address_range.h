#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ipv4.h"

namespace quelvar::discovery {

// The addresses a search over a range asks, as a person writes them:
// "FIRST-LAST" (both dotted decimal, FIRST not after LAST, both included) or
// "ADDRESS/PREFIX" (the block's addresses, without its network and broadcast
// address for a prefix of 30 or less). At most kMaxRangeAddresses. nullopt
// with the reason in `error` for anything else.
struct RangeError {
    enum class Kind {
        MalformedBlock,  // "ADDRESS/PREFIX" that does not read, or a prefix past 32
        Malformed,       // neither form
        Reversed,        // FIRST after LAST
        TooLarge,        // more addresses than a search asks
    };
    Kind kind = Kind::Malformed;
    std::string text;         // the range as written
    std::uint64_t count = 0;  // TooLarge: how many addresses it holds
};
std::optional<std::vector<platform::Ipv4Octets>> ParseAddressRange(std::string_view text,
                                                                   RangeError& error);

}  // namespace quelvar::discovery
