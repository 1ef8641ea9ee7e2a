// The Search button: one broadcast, then every reply until a quiet second.
#include <array>
#include <chrono>

#include "app/init_dlg.h"
#include "app/strings.h"
#include "discovery/datagrams.h"

namespace quelvar::app {

using platform::ControlId;
using namespace std::chrono_literals;

namespace {

constexpr auto kReceiveTimeout = 1000ms;

// Receives one datagram and throws it away; used once the table is full, so
// that late replies still count as activity but are not stored.
void drainOne(platform::Socket& socket) {
    std::array<std::uint8_t, discovery::kSearchReplySize> scratch{};
    std::size_t received = 0;
    platform::Ipv4Endpoint from;
    socket.receiveFrom(scratch.data(), scratch.size(), received, from);
}

}  // namespace

bool CInitDlg::ReceiveSearchReply(platform::Socket& socket, int index) {
    // Zeroed for each datagram, so a short reply leaves no bytes of an earlier one.
    std::array<std::uint8_t, discovery::kSearchReplySize> reply{};
    std::size_t received = 0;
    platform::Ipv4Endpoint from;
    if (socket.receiveFrom(reply.data(), reply.size(), received, from) != 0) return false;
    discovery::DecodeSearchReply(std::span(reply.data(), received), from,
                                 devices_.rows[static_cast<std::size_t>(index)]);
    return true;
}

void CInitDlg::OnSearch() {
    clearLog();
    emptyDeviceList();
    devices_.reset();

    int error = 0;
    platform::Socket socket = platform::Socket::openUdp(error);
    if (error != 0) {
        ReportSocketError(error);
        return;
    }
    socket.setBroadcast(true);
    socket.setReceiveTimeout(kReceiveTimeout);

    auto request = discovery::EncodeSearchRequest();
    socket.sendTo(request.data(), request.size(),
                  platform::Ipv4Endpoint{searchDestination_, discovery::kDiscoveryPort});

    for (;;) {
        bool readable = false;
        error = socket.waitReadable(kReceiveTimeout, readable);
        if (error != 0) {
            ReportSocketError(error);
            return;  // the socket closes itself
        }
        if (!readable) break;  // a quiet second: the search is over
        if (devices_.count < discovery::DeviceTable::kCapacity) {
            if (ReceiveSearchReply(socket, devices_.count)) ++devices_.count;
        } else {
            drainOne(socket);
        }
    }

    for (int row = 0; row < devices_.count; ++row) {
        view_.listAdd(ControlId::DeviceList,
                      discovery::FormatDeviceLine(devices_.rows[static_cast<std::size_t>(row)]));
    }
    socket.close();

    if (devices_.count == 0) {
        AppendLog("QUELVAR is not found.\r\n");
        showString(platform::MessageKind::ResultText, static_cast<int>(StringId::NotFound));
    }
    view_.setListSelection(ControlId::FileList, -1);
    UpdateControls();
}

}  // namespace quelvar::app
