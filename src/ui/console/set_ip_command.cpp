// set-ip: select the module, type the new address, press Set IP address.
#include "ui/console/commands.h"
#include "ui/console/steps.h"

namespace quelvar::ui::console {

int RunSetIpCommand(Session& session) {
    const Options& options = session.options();
    if (!session.searchAndSelect(*options.device).succeeded()) return kExitFailure;
    return ExitStatusOf(SetIpAddressOfSelected(session, *options.address));
}

}  // namespace quelvar::ui::console
