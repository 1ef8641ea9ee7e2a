// What every platform shares of the adapter list: asking the routing table.
#include "platform/network_adapters.h"

namespace quelvar::platform {

namespace {

constexpr std::uint16_t kRouteProbePort = 9;  // discard: never sent to

}  // namespace

bool inSubnetOf(const NetworkAdapter& adapter, const Ipv4Octets& address) {
    if (adapter.prefixLength <= 0) return true;
    const std::uint32_t mask =
        adapter.prefixLength >= 32 ? 0xFFFFFFFFu : ~(0xFFFFFFFFu >> adapter.prefixLength);
    return (ipv4Number(adapter.address) & mask) == (ipv4Number(address) & mask);
}

std::optional<NetworkAdapter> adapterOnLinkWith(const Ipv4Octets& address,
                                                const std::vector<NetworkAdapter>& adapters) {
    for (const NetworkAdapter& adapter : adapters) {
        if (adapter.up && adapter.canBroadcast && inSubnetOf(adapter, address)) return adapter;
    }
    return std::nullopt;
}

std::optional<Ipv4Octets> routeSourceFor(const Ipv4Octets& destination) {
    int error = 0;
    Socket probe = Socket::openUdp(error);
    if (error != 0) return std::nullopt;
    // A broadcast destination needs the permission even for a connect; a
    // connected datagram socket sends nothing until asked to. The route does
    // not depend on the port; any will do but 0.
    static_cast<void>(probe.setBroadcast(true));
    if (probe.connect(Ipv4Endpoint{destination, kRouteProbePort}) != 0) return std::nullopt;
    Ipv4Endpoint local = probe.localEndpoint();
    if (local.octets == Ipv4Octets{}) return std::nullopt;
    return local.octets;
}

}  // namespace quelvar::platform
