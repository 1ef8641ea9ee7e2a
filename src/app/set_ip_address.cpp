// The Set IP address button: the address typed in the IP address control for
// the selected module.
#include "app/init_dlg.h"
#include "app/window_events.h"
#include "ops/network_reach.h"
#include "ops/set_ip_address.h"

namespace quelvar::app {

ops::Outcome CInitDlg::OnSetIpAddress() {
    // No device line selected (possible after a failed search): nothing to work on.
    const discovery::DeviceEntry* selected = selectedDevice();
    if (selected == nullptr) return ops::Failed(ops::OutcomeKind::NoDevice);
    const discovery::DeviceEntry device = *selected;
    if (!confirmed(ops::StringId::ConfirmSetIpAddress)) {
        return ops::Failed(ops::OutcomeKind::Cancelled);
    }
    // The window takes no input while the operation runs, so this is the
    // address as the operation finds it.
    const platform::Ipv4Octets newAddress = view_.ipAddress();
    // The question stays the window's own; the live log says what it cannot.
    if (const auto outside = ops::OutsideAfterChange(device, newAddress)) {
        view_.showDiagnostics({ops::OutsideWarning(discovery::FormatMac(device.mac), newAddress,
                                                   *outside, language_)});
    }
    WindowEvents events(*this);
    return ops::SetIpAddress(device, newAddress, retries_, events).outcome;
}

}  // namespace quelvar::app
