// Telnet and web manager: hand the module's address to outside programs.
#include "ops/launch.h"

#include "monitor/telnet.h"
#include "ops/search.h"

namespace quelvar::ops {

Outcome StartTelnet(const discovery::DeviceEntry& device, const platform::Ipv4Octets& address,
                    platform::Launcher& launcher, const Retries& retries, Events& events) {
    if (!CheckAnswers(device.address.octets, retries, events)) {
        return Failed(OutcomeKind::DeviceNotAnswering);
    }
    switch (launcher.startTelnet(platform::formatIpv4(address), monitor::kMonitorPort)) {
        case platform::StartResult::Started:
            return Succeeded();
        case platform::StartResult::NotFound: {
            Outcome outcome = Failed(OutcomeKind::TelnetNotInstalled);
            events.alert(outcome);
            return outcome;
        }
        case platform::StartResult::OtherFailure:
            break;
    }
    return Failed(OutcomeKind::LaunchFailed);
}

Outcome OpenWebManager(const discovery::DeviceEntry& device, const platform::Ipv4Octets& address,
                       platform::Launcher& launcher, const Retries& retries, Events& events) {
    if (!CheckAnswers(device.address.octets, retries, events)) {
        return Failed(OutcomeKind::DeviceNotAnswering);
    }
    launcher.openUrl("http://" + platform::formatIpv4(address));
    return Succeeded();
}

}  // namespace quelvar::ops
