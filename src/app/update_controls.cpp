// Keeps the operation buttons in step with the two list selections and shows
// the selected device's details.
#include <array>

#include "app/init_dlg.h"
#include "discovery/device_details.h"

namespace quelvar::app {

void CInitDlg::UpdateControls() {
    view_.setProgress(0);
    int device = view_.listSelection(ControlId::DeviceList);
    int file = view_.listSelection(ControlId::FileList);
    bool hasDevice = device != -1;
    bool hasFile = file != -1;

    view_.enable(ControlId::LoadSetupRecord, hasDevice && hasFile);
    view_.enable(ControlId::SaveSetupRecord, hasDevice);
    view_.enable(ControlId::SetIpAddress, hasDevice);
    view_.enable(ControlId::IpAddress, hasDevice);
    view_.enable(ControlId::Telnet, hasDevice);
    view_.enable(ControlId::WebManager, hasDevice);

    const discovery::DeviceEntry* entry = selectedDevice();
    if (entry == nullptr) return;  // no device, or a line the last search did not fill

    clearLog();
    AppendLog("Device data...\r\n");
    AppendLogFormat("ip:%s\r\n", entry->ipText);
    AppendLogFormat("serialport:%d\r\n", static_cast<int>(entry->serialPort));
    AppendLogFormat("cp1:%s\r\n", discovery::PinName(entry->cp1));
    AppendLogFormat("cp2:%s\r\n", discovery::PinName(entry->cp2));
    AppendLogFormat("cp3:%s\r\n", discovery::PinName(entry->cp3));
    AppendLogFormat("activehigh:%s\r\n", std::string(entry->activeHigh ? "true" : "false"));
    AppendLogFormat("bps:%d\r\n", discovery::BaudRate(entry->bpsCode));
    AppendLogFormat("flow:%d\r\n", static_cast<int>(entry->flow));

    view_.setIpAddress(entry->address.octets);
}

}  // namespace quelvar::app
