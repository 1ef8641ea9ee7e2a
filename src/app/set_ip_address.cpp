// The Set IP address button: one IP-SETUP command to where the module
// answered the search, then status queries at the new address.
#include "app/init_dlg.h"
#include "app/strings.h"
#include "discovery/discovery_socket.h"
#include "discovery/ip_setup.h"
#include "discovery/reachability.h"

namespace quelvar::app {

using platform::ControlId;
using platform::MessageKind;

Outcome CInitDlg::OnSetIpAddress() {
    // No device line selected (possible after a failed search): nothing to work on.
    const discovery::DeviceEntry* selected = selectedDevice();
    if (selected == nullptr) return Failed(OutcomeKind::NoDevice);
    const discovery::DeviceEntry device = *selected;

    if (showString(MessageKind::Confirmation, StringId::ConfirmSetIpAddress) !=
        platform::MessageAnswer::Ok) {
        return Failed(OutcomeKind::Cancelled);
    }

    if (!checkDeviceAnswers(device.ipText)) return Failed(OutcomeKind::DeviceNotAnswering);

    clearLog();
    AppendLog("Set IP address:start.\r\n");
    view_.setProgress(1);

    platform::Ipv4Octets newAddress = view_.ipAddress();
    std::string newAddressText = platform::Ipv4Endpoint{newAddress, 0}.addressText();

    int error = 0;
    platform::Socket socket = discovery::OpenDiscoverySocket(error);
    if (error != 0) {
        ReportSocketError(error);
        view_.setProgress(0);
        return Failed(OutcomeKind::SocketError, error);
    }
    view_.setProgress(2);
    AppendLog("Set IP...");
    view_.setProgress(3);

    // Sent once, to the address and port the search reply came from; nothing
    // answers it. A send that failed never reached the module: say so rather
    // than go on as if it had.
    error = discovery::SendIpSetup(socket, device, newAddress);
    socket.close();
    if (error != 0) {
        ReportSocketError(error);
        view_.setProgress(0);
        return Failed(OutcomeKind::SocketError, error);
    }
    AppendLog("success.\r\n");
    view_.setProgress(5);

    view_.clearIpAddress();
    AppendLog("ping:");
    view_.setProgress(6);
    bool answered = discovery::PingDevice(newAddressText, 10);
    AppendLog(answered ? "success:\r\n" : "error !\r\n");
    view_.setProgress(8);

    emptyList(ControlId::DeviceList);
    UpdateControls();
    view_.setProgress(10);
    showString(MessageKind::ResultText, StringId::Done);
    view_.setProgress(0);
    AppendLog("\r\nSet IP address:end.\r\n");
    return answered ? Succeeded() : Failed(OutcomeKind::NotAtNewAddress);
}

}  // namespace quelvar::app
