#pragma once

#include <optional>

#include "ops/search.h"
#include "ui/console/console.h"
#include "ui/console/console_events.h"
#include "ui/console/options.h"

namespace quelvar::ui::console {

// The search as the command line asks for it: on every adapter (or only
// --interface), aimed at --broadcast when given, the request repeated while
// new modules answer, and a module that answers more than once kept once.
discovery::SearchScope ConsoleSearchScope(const Console& console);

// That search, with what it adds on stderr: the note that the time limit cut
// it short, and how many replies were beyond what a console search keeps.
// `wanted`: the modules the command looks for; the request is repeated
// (within the rounds allowed) while one of them has not answered.
ops::SearchReport SearchModules(Console& console, ConsoleEvents& events,
                                std::vector<discovery::MacAddress> wanted = {});

// The notes for a search the time limit cut short, or that found more
// modules than a console search keeps.
void SayWhatTheSearchLeftOut(const discovery::SearchResult& result, ConsoleEvents& events);

// The module a command names: one named by its MAC address is the first
// of the search with that address; one named by an address is asked there
// alone (which also reaches a module behind a router). nullopt, after saying
// why on stderr, when there is none.
std::optional<discovery::DeviceEntry> FindModule(Console& console, ConsoleEvents& events,
                                                 const DeviceSelector& selector);

}  // namespace quelvar::ui::console
