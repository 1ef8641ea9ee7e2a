// ping: the reachability check on its own, with as many attempts as asked.
#include <ostream>

#include "app/strings.h"
#include "discovery/reachability.h"
#include "ui/console/commands.h"

namespace quelvar::ui::console {

int RunPingCommand(Session& session) {
    const Options& options = session.options();
    std::string address = FormatIpv4(*options.address);
    if (discovery::PingDevice(address, options.attempts)) {
        session.io().out << address << " answers.\n";
        return kExitSuccess;
    }
    // The window's words for a module that does not answer.
    session.view().messageBox(
        platform::MessageKind::Warning,
        app::LoadString(app::StringId::DeviceCannotCommunicate, session.language()));
    return kExitFailure;
}

}  // namespace quelvar::ui::console
