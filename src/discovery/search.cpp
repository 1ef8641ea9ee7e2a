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

}  // namespace

bool CInitDlg::ReceiveSearchReply(platform::Socket& socket, int index) {
    // Zeroed for each datagram, so a short reply leaves no bytes of an earlier one.
    std::array<std::uint8_t, discovery::kSearchReplySize> reply{};
    std::size_t received = 0;
    platform::Ipv4Endpoint from;
    if (socket.receiveFrom(reply.data(), reply.size(), received, from) != 0) return false;
    // Once the table is full, replies are still read (they count as activity)
    // but no longer stored.
    if (index >= discovery::DeviceTable::kCapacity) return false;
    discovery::DecodeSearchReply(std::span(reply.data(), received), from,
                                 devices_.rows[static_cast<std::size_t>(index)]);
    return true;
}

void CInitDlg::OnSearch() {
    clearLog();
    emptyList(ControlId::DeviceList);
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
        if (ReceiveSearchReply(socket, devices_.count)) ++devices_.count;
    }

    for (int row = 0; row < devices_.count; ++row) {
        view_.listAdd(ControlId::DeviceList,
                      discovery::FormatDeviceLine(devices_.rows[static_cast<std::size_t>(row)]));
    }
    socket.close();

    if (devices_.count == 0) {
        AppendLog("QUELVAR is not found.\r\n");
        showString(platform::MessageKind::ResultText, StringId::NotFound);
    }
    view_.setListSelection(ControlId::FileList, -1);
    UpdateControls();
}

}  // namespace quelvar::app
