// Telnet and web manager: hand the module's address to outside programs.
#include "app/init_dlg.h"
#include "app/strings.h"
#include "monitor/telnet.h"

namespace quelvar::app {

using platform::ControlId;
using platform::MessageKind;

Outcome CInitDlg::OnTelnet() {
    const discovery::DeviceEntry* device = selectedDevice();
    if (device == nullptr) return Failed(OutcomeKind::NoDevice);
    if (!checkDeviceAnswers(device->ipText)) return Failed(OutcomeKind::DeviceNotAnswering);
    // The address as it stands in the control now, which the user may have edited.
    std::string address = platform::Ipv4Endpoint{view_.ipAddress(), 0}.addressText();
    switch (launcher_.startTelnet(address, monitor::kMonitorPort)) {
        case platform::StartResult::Started:
            return Succeeded();
        case platform::StartResult::NotFound:
            showString(MessageKind::Warning, StringId::TelnetNotInstalled);
            return Failed(OutcomeKind::TelnetNotInstalled);
        case platform::StartResult::OtherFailure:
            break;
    }
    return Failed(OutcomeKind::LaunchFailed);
}

Outcome CInitDlg::OnWebManager() {
    const discovery::DeviceEntry* device = selectedDevice();
    if (device == nullptr) return Failed(OutcomeKind::NoDevice);
    if (!checkDeviceAnswers(device->ipText)) return Failed(OutcomeKind::DeviceNotAnswering);
    std::string address = platform::Ipv4Endpoint{view_.ipAddress(), 0}.addressText();
    launcher_.openUrl("http://" + address);
    return Succeeded();
}

}  // namespace quelvar::app
