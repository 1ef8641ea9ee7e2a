// search: the Search button, with the device list printed.
#include <ostream>

#include "ui/console/commands.h"
#include "ui/console/device_json.h"
#include "ui/console/search_diagnostics.h"

namespace quelvar::ui::console {

int RunSearchCommand(Session& session) {
    const Options& options = session.options();
    std::ostream& out = session.io().out;
    std::ostream& err = session.io().err;
    if (options.interface) {
        std::string known;
        if (!IsNetworkAdapter(*options.interface, known)) {
            err << "quelvarinit-cli: no network adapter '"
                << *options.interface << "' with an IPv4 address (there are: " << known << ")\n";
            return kExitUsage;
        }
        session.dlg().setSearchAdapter(*options.interface);
    }
    app::Outcome outcome = session.search();
    session.view().eraseProgress();
    ReportSearchDiagnostics(session.dlg(), options.broadcast.has_value() && !options.interface,
                            err);
    // Nothing listed: the search has shown why ("not found." or a socket error).
    if (!outcome.succeeded()) return kExitFailure;
    if (options.json) {
        out << DevicesJson(session.dlg().deviceTable()) << '\n';
    } else {
        for (const std::string& line : session.view().listLines(platform::ControlId::DeviceList)) {
            out << line << '\n';
        }
    }
    out.flush();
    return kExitSuccess;
}

}  // namespace quelvar::ui::console
