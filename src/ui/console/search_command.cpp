// search: the modules that answer, one line each (or JSON).
#include <ostream>
#include <string>

#include "ui/console/commands.h"
#include "ui/console/device_json.h"
#include "ui/console/module_lookup.h"
#include "ui/console/search_diagnostics.h"

namespace quelvar::ui::console {

int RunSearchCommand(Console& console, ConsoleEvents& events) {
    const Options& options = console.options;
    if (options.interface) {
        std::string known;
        if (!IsNetworkAdapter(*options.interface, known)) {
            console.err << "quelvarinit-cli: no network adapter '"
                        << *options.interface << "' with an IPv4 address (there are: " << known
                        << ")\n";
            return kExitUsage;
        }
    }
    ops::SearchReport report = SearchModules(console, events);
    events.eraseProgress();
    if (report.outcome.kind == ops::OutcomeKind::NotFound && !options.range.empty()) {
        // Asked address by address: no adapter's broadcast to explain.
        events.say("quelvarinit-cli: no module answered at any of the " +
                   std::to_string(options.range.size()) + " address(es) of the range");
    } else if (report.outcome.kind == ops::OutcomeKind::NotFound &&
               !(options.broadcast && !options.interface)) {
        ExplainEmptySearch(report.result, events);
    }
    // Nothing listed: the search has shown why ("not found." or a socket error).
    if (!report.outcome.succeeded()) return kExitFailure;
    if (options.json) {
        console.out << DevicesJson(report.result.modules) << '\n';
    } else {
        for (const discovery::DeviceEntry& module : report.result.modules) {
            console.out << discovery::FormatDeviceLine(module) << '\n';
        }
    }
    console.out.flush();
    return kExitSuccess;
}

}  // namespace quelvar::ui::console
