// ping, set-ip, telnet and web: one operation each on one module.
#include <ostream>

#include "discovery/reachability.h"
#include "ops/launch.h"
#include "ops/messages.h"
#include "ops/search.h"
#include "ops/set_ip_address.h"
#include "ui/console/commands.h"
#include "ui/console/finish.h"
#include "ui/console/module_lookup.h"

namespace quelvar::ui::console {

int RunPingCommand(Console& console, ConsoleEvents& events) {
    const platform::Ipv4Octets address = *console.options.address;
    // The window's check, with as many attempts as asked, one second apart.
    if (!discovery::PingDevice(address, console.options.attempts)) {
        events.alert(ops::Failed(ops::OutcomeKind::DeviceNotAnswering));
        return kExitFailure;
    }
    events.eraseProgress();
    console.out << formatIpv4(address) << " answers.\n";
    return kExitSuccess;
}

int RunSetIpCommand(Console& console, ConsoleEvents& events) {
    std::optional<discovery::DeviceEntry> module =
        FindModule(console, events, *console.options.device);
    if (!module) return kExitFailure;
    if (!Confirm(console, ops::LoadString(ops::StringId::ConfirmSetIpAddress, console.language))) {
        return kExitFailure;
    }
    return Finish(events, "set-ip",
                  ops::SetIpAddress(*module, *console.options.address, console.retries, events).outcome);
}

int RunTelnetCommand(Console& console, ConsoleEvents& events) {
    std::optional<discovery::DeviceEntry> module =
        FindModule(console, events, *console.options.device);
    if (!module) return kExitFailure;
    return Finish(events, "telnet",
                  ops::StartTelnet(*module, module->address.octets, console.launcher,
                                   console.retries, events));
}

int RunWebCommand(Console& console, ConsoleEvents& events) {
    std::optional<discovery::DeviceEntry> module =
        FindModule(console, events, *console.options.device);
    if (!module) return kExitFailure;
    return Finish(events, "web",
                  ops::OpenWebManager(*module, module->address.octets, console.launcher,
                                      console.retries, events));
}

}  // namespace quelvar::ui::console
