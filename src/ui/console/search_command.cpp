// search: the Search button, with the device list printed.
#include <ostream>

#include "ui/console/commands.h"
#include "ui/console/device_json.h"

namespace quelvar::ui::console {

int RunSearchCommand(Session& session) {
    // Nothing listed: the search has shown why ("not found." or a socket error).
    if (!session.search().succeeded()) return kExitFailure;
    session.view().eraseProgress();
    std::ostream& out = session.io().out;
    if (session.options().json) {
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
