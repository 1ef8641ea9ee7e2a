// Telnet and web manager: the selected module handed to outside programs, at
// the address that stands in the IP address control (the user may have
// edited it).
#include "app/init_dlg.h"
#include "app/window_events.h"
#include "ops/launch.h"

namespace quelvar::app {

ops::Outcome CInitDlg::OnTelnet() {
    const discovery::DeviceEntry* device = selectedDevice();
    if (device == nullptr) return ops::Failed(ops::OutcomeKind::NoDevice);
    WindowEvents events(*this);
    return ops::StartTelnet(*device, view_.ipAddress(), launcher_, retries_, events);
}

ops::Outcome CInitDlg::OnWebManager() {
    const discovery::DeviceEntry* device = selectedDevice();
    if (device == nullptr) return ops::Failed(ops::OutcomeKind::NoDevice);
    WindowEvents events(*this);
    return ops::OpenWebManager(*device, view_.ipAddress(), launcher_, retries_, events);
}

}  // namespace quelvar::app
