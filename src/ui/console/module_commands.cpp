// ping, set-ip, telnet and web: one operation each on one module.
#include <ostream>

#include "discovery/reachability.h"
#include "ops/launch.h"
#include "ops/messages.h"
#include "ops/network_reach.h"
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
    // Said before the question: where the module will answer, if this PC
    // cannot reach it there.
    std::string question = ops::LoadString(ops::StringId::ConfirmSetIpAddress, console.language);
    const platform::Ipv4Octets newAddress = *console.options.address;
    const std::optional<ops::OutsideNetworks> outside = ops::OutsideAfterChange(*module, newAddress);
    if (outside) {
        question = ops::OutsideWarning(discovery::FormatMac(module->mac), newAddress, *outside,
                                       console.language) +
                   "\n" + question;
    }
    if (!Confirm(console, question)) return kExitFailure;
    const ops::Outcome outcome =
        ops::SetIpAddress(*module, newAddress, console.retries, events).outcome;
    // What it is, not a failure after the fact: the question said so.
    if (outcome.kind == ops::OutcomeKind::GivenNotConfirmed) {
        events.say("set-ip: " + ops::DescribeOutcome(outcome));
        return kExitSuccess;
    }
    return Finish(events, "set-ip", outcome);
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
