#pragma once

#include <string>
#include <vector>

#include "discovery/search.h"

namespace quelvar::discovery {

// Why a search found nothing, as far as the machine can tell: one line per
// adapter address (name, address/prefix, whether a request went out on it),
// then one line per likely cause found (no adapter up besides loopback, a
// firewall that may drop the replies from port 30718, an adapter that drops
// replies from other subnets). Lines carry no line break.
std::vector<std::string> ExplainEmptySearch(const SearchResult& result);

}  // namespace quelvar::discovery
