// The search: one request, then every reply until a quiet second.
#include "discovery/search.h"

#include <array>

#include "discovery/datagrams.h"
#include "discovery/discovery_socket.h"

namespace quelvar::discovery {

bool ReceiveSearchReply(platform::Socket& socket, DeviceTable& table, int index) {
    // Zeroed for each datagram, so a short reply leaves no bytes of an earlier one.
    std::array<std::uint8_t, kSearchReplySize> reply{};
    std::size_t received = 0;
    platform::Ipv4Endpoint from;
    if (socket.receiveFrom(reply.data(), reply.size(), received, from) != 0) return false;
    // Once the table is full, replies are still read (they count as activity)
    // but no longer stored.
    if (index < 0 || index >= DeviceTable::kCapacity) return false;
    DecodeSearchReply(std::span(reply.data(), received), from,
                      table.rows[static_cast<std::size_t>(index)]);
    return true;
}

SearchResult SearchForModules(const platform::Ipv4Octets& destination, DeviceTable& table) {
    SearchResult result;
    table.reset();
    platform::Socket socket = OpenDiscoverySocket(result.error);
    if (result.error != 0) return result;

    // A lost request ends like a search nobody answered; nothing to examine.
    auto request = EncodeSearchRequest();
    static_cast<void>(
        socket.sendTo(request.data(), request.size(), platform::Ipv4Endpoint{destination, kDiscoveryPort}));

    for (;;) {
        bool readable = false;
        result.error = socket.waitReadable(kDiscoveryTimeout, readable);
        if (result.error != 0) return result;
        if (!readable) return result;  // a quiet second: the search is over
        if (ReceiveSearchReply(socket, table, table.count)) {
            ++table.count;
        } else if (table.count >= DeviceTable::kCapacity) {
            ++result.dropped;
        }
    }
}

}  // namespace quelvar::discovery
