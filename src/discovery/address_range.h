#pragma once

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
std::optional<std::vector<platform::Ipv4Octets>> ParseAddressRange(std::string_view text,
                                                                   std::string& error);

}  // namespace quelvar::discovery
