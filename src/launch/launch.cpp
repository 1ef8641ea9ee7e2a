// Telnet and web manager: hand the module's address to outside programs.
#include "app/init_dlg.h"
#include "app/strings.h"
#include "monitor/telnet.h"

namespace quelvar::app {

using platform::ControlId;
using platform::MessageKind;

void CInitDlg::OnTelnet() {
    const discovery::DeviceEntry* device = selectedDevice();
    if (device == nullptr) return;  // no device line selected: nothing to check
    if (!checkDeviceAnswers(device->ipText)) return;
    // The address as it stands in the control now, which the user may have edited.
    std::string address = platform::Ipv4Endpoint{view_.ipAddress(), 0}.addressText();
    if (launcher_.startTelnet(address, monitor::kMonitorPort) == platform::StartResult::NotFound) {
        showString(MessageKind::Warning, StringId::TelnetNotInstalled);
    }
}

void CInitDlg::OnWebManager() {
    const discovery::DeviceEntry* device = selectedDevice();
    if (device == nullptr) return;
    if (!checkDeviceAnswers(device->ipText)) return;
    std::string address = platform::Ipv4Endpoint{view_.ipAddress(), 0}.addressText();
    launcher_.openUrl("http://" + address);
}

}  // namespace quelvar::app
