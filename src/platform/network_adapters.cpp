// What every platform shares of the adapter list: asking the routing table.
#include "platform/network_adapters.h"

namespace quelvar::platform {

std::optional<Ipv4Octets> routeSourceFor(const Ipv4Octets& destination) {
    int error = 0;
    Socket probe = Socket::openUdp(error);
    if (error != 0) return std::nullopt;
    // A broadcast destination needs the permission even for a connect; a
    // connected datagram socket sends nothing until asked to.
    static_cast<void>(probe.setBroadcast(true));
    if (probe.connect(Ipv4Endpoint{destination, 30718}) != 0) return std::nullopt;
    Ipv4Endpoint local = probe.localEndpoint();
    if (local.octets == Ipv4Octets{}) return std::nullopt;
    return local.octets;
}

}  // namespace quelvar::platform
