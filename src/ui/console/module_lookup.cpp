#include "ui/console/module_lookup.h"

#include <chrono>

#include "ops/whereabouts.h"
#include "platform/socket.h"
#include "site/site_run.h"

namespace quelvar::ui::console {

discovery::SearchScope ConsoleSearchScope(const Console& console) {
    discovery::SearchScope scope = site::RunSearchScope(console.retries, console.options.range);
    if (console.options.broadcast) scope.destination = *console.options.broadcast;
    scope.adapter = console.options.interface;
    return scope;
}

ops::SearchReport SearchModules(Console& console, ConsoleEvents& events,
                                std::vector<discovery::MacAddress> wanted) {
    discovery::SearchScope scope = ConsoleSearchScope(console);
    scope.wanted = std::move(wanted);
    ops::SearchReport report = ops::Search(scope, events);
    SayWhatTheSearchLeftOut(report.result, events);
    console.retries = ops::AfterSearch(console.retries, report.result);
    return report;
}

void SayWhatTheSearchLeftOut(const discovery::SearchResult& result, ConsoleEvents& events) {
    for (const ops::Fact& left : ops::SearchLeftOut(result)) events.note(ops::Reason{left});
}

std::optional<discovery::DeviceEntry> FindModule(Console& console, ConsoleEvents& events,
                                                 const DeviceSelector& selector) {
    if (selector.kind == DeviceSelector::Kind::Address) {
        // Asked where it is: the one module there, wherever the broadcast reaches.
        ops::Occupant occupant = ops::WhoAnswersAt(selector.address, console.retries);
        if (!occupant.modules.empty()) return occupant.modules.front();
        if (occupant.anythingAnswered()) {
            events.say("no module " + selector.text() +
                       ": something answers there, but not as a module does");
        } else if (occupant.error != 0) {
            events.say("could not ask " + selector.text() + ": " +
                       platform::systemErrorText(occupant.error));
        } else {
            events.say("no module answers at " + selector.text());
        }
        return std::nullopt;
    }
    ops::SearchReport report = SearchModules(console, events, {selector.mac});
    if (const discovery::DeviceEntry* found = FindDevice(report.result.modules, selector)) {
        return *found;
    }
    // A failed search has already said why.
    if (report.outcome.succeeded()) {
        events.say("no module " + selector.text() + " among the modules found");
    }
    return std::nullopt;
}

}  // namespace quelvar::ui::console
