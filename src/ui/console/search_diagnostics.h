#pragma once

#include <string>

#include "discovery/search.h"
#include "ui/console/console_events.h"

namespace quelvar::ui::console {

// Whether `name` is a network adapter with an IPv4 address; when it is not,
// `known` lists the names there are ("lo, eth0").
bool IsNetworkAdapter(const std::string& name, std::string& known);

// For a search on the adapters (not one aimed at an address) that found
// nothing: one line per adapter and the likely causes, on stderr. The
// activity log keeps only the window's own texts.
void ExplainEmptySearch(const discovery::SearchResult& search, ConsoleEvents& events);

}  // namespace quelvar::ui::console
