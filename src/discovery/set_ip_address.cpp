// The Set IP address button: one IP-SETUP command to where the module
// answered the search, then status queries at the new address.
#include <chrono>

#include "app/init_dlg.h"
#include "app/strings.h"
#include "discovery/datagrams.h"
#include "discovery/reachability.h"

namespace quelvar::app {

using platform::ControlId;
using platform::MessageKind;
using namespace std::chrono_literals;

void CInitDlg::OnSetIpAddress() {
    // No device line selected (possible after a failed search): nothing to work on.
    const discovery::DeviceEntry* selected = selectedDevice();
    if (selected == nullptr) return;
    const discovery::DeviceEntry device = *selected;

    if (showString(MessageKind::Confirmation, StringId::ConfirmSetIpAddress) !=
        platform::MessageAnswer::Ok) {
        return;
    }

    if (!checkDeviceAnswers(device.ipText)) return;

    clearLog();
    AppendLog("Set IP address:start.\r\n");
    view_.setProgress(1);

    platform::Ipv4Octets newAddress = view_.ipAddress();
    std::string newAddressText = platform::Ipv4Endpoint{newAddress, 0}.addressText();

    int error = 0;
    platform::Socket socket = platform::Socket::openUdp(error);
    if (error != 0) {
        ReportSocketError(error);
        view_.setProgress(0);
        return;
    }
    socket.setBroadcast(true);
    socket.setReceiveTimeout(1000ms);
    view_.setProgress(2);

    auto command = discovery::EncodeIpSetup(device.mac, newAddress);
    AppendLog("Set IP...");
    view_.setProgress(3);

    // Sent once, to the address and port the search reply came from; nothing answers it.
    socket.sendTo(command.data(), command.size(), device.address);
    socket.close();
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
}

}  // namespace quelvar::app
