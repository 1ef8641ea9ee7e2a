// Who answers at one address: a status query and an addressed search request
// side by side, so a try costs one second whatever answers.
#include "discovery/probe.h"

#include <algorithm>
#include <array>
#include <chrono>

#include "discovery/datagrams.h"
#include "discovery/discovery_socket.h"
#include "discovery/search.h"
#include "platform/network_adapters.h"

namespace quelvar::discovery {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// After the first search reply, a moment for a second module at the same
// address (two modules that left the factory alike) to answer too.
constexpr auto kSecondReply = 200ms;

void keepModule(Probe& probe, const DeviceEntry& entry) {
    for (const DeviceEntry& kept : probe.modules) {
        if (kept.mac == entry.mac) return;
    }
    probe.modules.push_back(entry);
}

// One try: both requests out, then replies until the second is over, or a
// moment after the first search reply.
void tryOnce(const platform::Ipv4Octets& address, Probe& probe) {
    int error = 0;
    platform::Socket status = OpenDiscoverySocket(error);
    if (error != 0) return;
    platform::Socket search = OpenDiscoverySocket(error);
    if (error != 0) return;
    const platform::Ipv4Endpoint target{address, kDiscoveryPort};
    auto query = EncodeStatusQuery();
    auto request = EncodeSearchRequest();
    // A lost request shows as the missing reply.
    static_cast<void>(status.sendTo(query.data(), query.size(), target));
    static_cast<void>(search.sendTo(request.data(), request.size(), target));

    std::array<platform::Socket*, 2> waited{&status, &search};
    std::vector<bool> readable;
    Clock::time_point end = Clock::now() + kDiscoveryTimeout;
    // Bounded by time; each pass reads at least one datagram or ends.
    for (int pass = 0; pass < 64; ++pass) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
        if (left <= 0ms) return;
        if (platform::waitAnyReadable(waited, left, readable) != 0) return;
        if (!readable[0] && !readable[1]) return;
        if (readable[0]) {
            std::array<std::uint8_t, kStatusReplySize> reply{};
            std::size_t received = 0;
            platform::Ipv4Endpoint from;
            if (status.receiveFrom(reply.data(), reply.size(), received, from) == 0) {
                probe.statusAnswered = true;
            }
        }
        if (readable[1]) {
            DeviceEntry entry;
            // Only a reply from the address asked counts as the module there.
            if (ReceiveSearchReply(search, entry) && entry.address.octets == address) {
                keepModule(probe, entry);
                end = std::min(end, Clock::now() + kSecondReply);
            }
        }
    }
}

}  // namespace

Probe ProbeAddress(const platform::Ipv4Octets& address, unsigned tries) {
    Probe probe;
    for (unsigned attempt = 0; attempt < tries && probe.modules.empty(); ++attempt) {
        tryOnce(address, probe);
    }
    return probe;
}

}  // namespace quelvar::discovery
