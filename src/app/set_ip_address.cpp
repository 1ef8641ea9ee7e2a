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

namespace {

// The MAC address of another module already answering at the new address.
// Asked once, before anything is sent: two modules at one address lose one
// of them. A blank control (0.0.0.0) is sent as it always was.
std::optional<discovery::MacAddress> otherModuleAt(const std::string& newAddressText,
                                                   const discovery::DeviceEntry& device) {
    if (newAddressText == "0.0.0.0" || newAddressText == device.ipText) return std::nullopt;
    std::optional<discovery::MacAddress> answering;
    if (discovery::QueryDevice(newAddressText, &answering) != 0) return std::nullopt;
    if (answering && *answering == device.mac) return std::nullopt;
    return answering;
}

}  // namespace

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

    platform::Ipv4Octets newAddress = view_.ipAddress();
    std::string newAddressText = platform::Ipv4Endpoint{newAddress, 0}.addressText();
    if (std::optional<discovery::MacAddress> holder = otherModuleAt(newAddressText, device)) {
        std::string text = LoadToolText(ToolText::AddressInUse, language_);
        text.replace(text.find("{mac}"), 5, discovery::FormatMac(*holder));
        text.replace(text.find("{address}"), 9, newAddressText);
        view_.messageBox(MessageKind::Warning, text);
        return Failed(OutcomeKind::AddressInUse);
    }

    clearLog();
    AppendLog("Set IP address:start.\r\n");
    view_.setProgress(1);

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
    // Only the module that was addressed counts: another one answering there
    // would hide that this one was lost.
    bool answered = discovery::PingDevice(newAddressText, 10, &device.mac);
    AppendLog(answered ? "success:\r\n" : "error !\r\n");
    view_.setProgress(8);

    finishModuleOperation(10, "\r\nSet IP address:end.\r\n");
    return answered ? Succeeded() : Failed(OutcomeKind::NotAtNewAddress);
}

}  // namespace quelvar::app
