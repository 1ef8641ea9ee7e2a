// The reachability check: is anybody answering status queries at an address?
#include "discovery/reachability.h"

#include <array>
#include <chrono>

#include "discovery/datagrams.h"
#include "discovery/discovery_socket.h"
#include "platform/process.h"
#include "platform/socket.h"

namespace quelvar::discovery {

using namespace std::chrono_literals;

int QueryDevice(const platform::Ipv4Octets& address) {
    int error = 0;
    platform::Socket socket = OpenDiscoverySocket(error);
    if (error != 0) return error;

    // A lost query shows as the missing reply below.
    auto query = EncodeStatusQuery();
    static_cast<void>(
        socket.sendTo(query.data(), query.size(), platform::Ipv4Endpoint{address, kDiscoveryPort}));

    std::array<std::uint8_t, kStatusReplySize> reply{};
    std::size_t received = 0;
    platform::Ipv4Endpoint from;
    error = socket.receiveFrom(reply.data(), reply.size(), received, from);
    if (error != 0) return error;

    if (received < kStatusReplySize) {
        // A short reply may come in pieces: give the rest a moment, then take
        // whatever follows; its outcome does not matter.
        platform::sleepFor(100ms);
        static_cast<void>(socket.receiveFrom(reply.data() + received, kStatusReplySize - received,
                                             received, from));
    }
    return 0;
}

bool PingDevice(const platform::Ipv4Octets& address, unsigned attempts) {
    for (unsigned attempt = 0; attempt < attempts; ++attempt) {
        if (QueryDevice(address) == 0) return true;
        platform::sleepFor(1000ms);
    }
    return false;
}

}  // namespace quelvar::discovery
